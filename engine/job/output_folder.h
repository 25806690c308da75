#pragma once

#include <string>

namespace vlx {

// Claims the run's output folder: previous + prefix + "/", or previous + N + prefix + "/"
// for the first N = 1, 2, ... that this call itself creates. A name already taken by
// anything (a folder, a file, a link) is skipped, so two runs never share a folder and
// no link leads the output elsewhere. An empty previous folder means the current
// directory. Returns the new folder, ending in '/'; "" when no folder can be made (the
// reason in *error and noted as the run's write failure).
std::string CreateOutputFolder(const std::string& previous, const std::string& prefix,
                               std::string* error = nullptr);

}  // namespace vlx
