#pragma once

namespace vlx::cli {

inline constexpr const char* kToolName = "vlxrecover";
#ifdef VLX_TOOL_VERSION
inline constexpr const char* kToolVersion = VLX_TOOL_VERSION;
#else
inline constexpr const char* kToolVersion = "1.0.0";
#endif

}  // namespace vlx::cli
