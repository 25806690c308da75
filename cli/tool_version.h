#pragma once

namespace vlx::cli {

inline constexpr const char* kToolName = "vlxrecover";

// The project's version, as the build set it.
const char* ToolVersion();

}  // namespace vlx::cli
