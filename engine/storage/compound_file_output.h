#pragma once

#include <string>
#include <vector>

#include "engine/storage/stream_spool.h"

namespace vlx {

// A stream to be written: its element name and its bytes.
struct StreamContent {
  std::u16string name;
  const StreamSpool* data = nullptr;
};

// Writes a complete compound file with a root storage holding streams (distinct
// names) to fd from offset 0 and cuts the file to its new length. False with a reason
// on failure.
bool WriteCompoundFile(int fd, const std::vector<StreamContent>& streams, std::string* error);

}  // namespace vlx
