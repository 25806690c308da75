#pragma once

#include <string>

namespace vlx::cli {

// Copies a file byte for byte; the target appears under its name only once it is whole
// (written under a temporary name, synced, renamed). Returns false, leaving no partial
// target behind, when either side fails.
bool CopyFile(const std::string& source, const std::string& target);

}  // namespace vlx::cli
