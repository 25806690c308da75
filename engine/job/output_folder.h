#pragma once

#include <string>

namespace vlx {

// Creates the run's output folder: previous + prefix + "/", or previous + N + prefix + "/"
// for the first N = 1, 2, ... that does not exist yet. An empty previous folder means
// the current directory. Returns the new folder, ending in '/'. Creation failures are
// not detected (the run goes on with the path).
std::string CreateOutputFolder(const std::string& previous, const std::string& prefix);

}  // namespace vlx
