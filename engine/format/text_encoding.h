#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vlx {

// UTF-8 <-> UTF-16 without loss for well-formed input; ill-formed sequences and lone
// surrogates become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// 8-bit text as it is stored in presentations in practice (Windows-1252) to UTF-8.
std::string Windows1252ToUtf8(std::string_view bytes);

}  // namespace vlx
