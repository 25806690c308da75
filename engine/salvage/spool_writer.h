#pragma once

#include <string>

#include "engine/salvage/chain_reader.h"

namespace vlx::salvage {

// Writes size bytes of reader, from offset 0, into a new file at path (created
// owner-only, never through a link). False with a reason on any failed call.
bool SpoolToFile(ChainReader& reader, uint64_t size, const std::string& path, std::string* error);

}  // namespace vlx::salvage
