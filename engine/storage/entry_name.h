#pragma once

#include <string>
#include <string_view>

namespace vlx {

// Names of compound-file elements: at most 31 UTF-16 code units, none of '/', '\\',
// ':' or '!'. Siblings are ordered by length first, then by their upper-cased code
// units; two names that compare equal are the same element.

// Converts a UTF-8 name; false (with a reason) when the name is not allowed.
bool MakeEntryName(std::string_view utf8, std::u16string* name, std::string* error = nullptr);

// Upper case of one code unit as the ordering uses it (Latin, Greek and Cyrillic letters;
// everything else maps to itself).
char16_t UpperCaseUnit(char16_t unit);

// < 0, 0 or > 0 as a orders before, equal to or after b.
int CompareEntryNames(std::u16string_view a, std::u16string_view b);

}  // namespace vlx
