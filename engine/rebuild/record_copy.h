#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/job/damaged_file.h"

namespace vlx {

// A record chosen from the damaged file, read whole at its stored offset and length.
// Where the stored values reach past the end of the file, what the file holds is read
// and the rest is zero; a length beyond the file's own length is cut to it, so a
// damaged length never makes the buffer larger than the file.
std::vector<uint8_t> ReadChosenRecord(DamagedFile& file, uint64_t offset, uint64_t length);

// Creates (or replaces) path with exactly these bytes. False when it cannot be written.
bool WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes);

}  // namespace vlx
