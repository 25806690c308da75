#pragma once

// What every fuzz target does with its input first: the engine reads files, so the
// bytes go into a file in a private scratch folder, which is removed at exit.

#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/job/folder_tree.h"

namespace vlx::fuzz {

// The scratch folder (ends in '/'). Never freed: the exit handler outlives statics.
inline const std::string& ScratchFolder() {
  static const std::string* const folder = [] {
    std::string pattern = "/tmp/vlxfuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) __builtin_trap();
    auto* made = new std::string(pattern + "/");
    std::atexit([] { vlx::DeleteFolderTree(ScratchFolder()); });
    return made;
  }();
  return *folder;
}

// Writes the input into the scratch folder's input.ppt and returns its path.
inline std::string WriteInputFile(const uint8_t* data, size_t size) {
  const std::string input = ScratchFolder() + "input.ppt";
  if (std::FILE* f = std::fopen(input.c_str(), "wb")) {
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  return input;
}

}  // namespace vlx::fuzz
