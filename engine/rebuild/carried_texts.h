#pragma once

#include <cstdint>
#include <set>
#include <span>
#include <string>
#include <string_view>

namespace vlx {

// A text as compared between a slide and the recovered texts: its UTF-8 without
// spaces, control characters and paragraph marks, which differ between the places a
// text is stored in.
std::string ComparableText(std::string_view utf8);

// The comparable texts of every text atom (UTF-16 or 8-bit) in a record run, inside
// containers too.
std::set<std::string> TextsCarriedBy(std::span<const uint8_t> records);

}  // namespace vlx
