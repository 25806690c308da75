#include "cli/terminal_text.h"

namespace vlx::cli {

std::string TerminalSafe(std::string_view text) {
  std::string safe;
  safe.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
        static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      safe.push_back('?');
      ++i;
    } else if ((byte < 0x20 && byte != '\t') || byte == 0x7F) {
      safe.push_back('?');
    } else {
      safe.push_back(static_cast<char>(byte));
    }
  }
  return safe;
}

}  // namespace vlx::cli
