#include "cli/tool_version.h"

#ifndef VLX_TOOL_VERSION
#error "VLX_TOOL_VERSION is set by cli/CMakeLists.txt"
#endif

namespace vlx::cli {

const char* ToolVersion() {
  return VLX_TOOL_VERSION;
}

}  // namespace vlx::cli
