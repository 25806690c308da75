#pragma once

#include <string>
#include <string_view>

namespace vlx::cli {

// Text as it may reach a terminal: control characters (C0 but tab, DEL, and the C1
// range as UTF-8) become '?', so that a file name or a text taken from a damaged file
// can never move the cursor, retitle the window or send escape sequences.
std::string TerminalSafe(std::string_view text);

}  // namespace vlx::cli
