#pragma once

#include <string>

namespace vlx::cli {

// Copies a file byte for byte; the target is created (or replaced) owner-writable.
// Returns false, leaving no partial target behind, when either side fails.
bool CopyFile(const std::string& source, const std::string& target);

// Creates a folder (one level); an existing folder is fine.
bool MakeFolder(const std::string& path);

}  // namespace vlx::cli
