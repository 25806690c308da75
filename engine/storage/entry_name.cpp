#include "engine/storage/entry_name.h"

#include "engine/format/text_encoding.h"
#include "engine/storage/compound_format.h"

namespace vlx {

bool MakeEntryName(std::string_view utf8, std::u16string* name, std::string* error) {
  std::u16string units = Utf8ToUtf16(utf8);
  auto fail = [error](const char* reason) {
    if (error != nullptr) *error = reason;
    return false;
  };
  if (units.empty()) return fail("empty element name");
  if (units.size() > cfb::kMaxEntryNameUnits) return fail("element name longer than 31 units");
  for (char16_t u : units) {
    if (u == u'/' || u == u'\\' || u == u':' || u == u'!' || u == 0) {
      return fail("element name holds a forbidden character");
    }
  }
  *name = std::move(units);
  return true;
}

char16_t UpperCaseUnit(char16_t u) {
  if (u >= u'a' && u <= u'z') return static_cast<char16_t>(u - 0x20);
  if (u < 0xE0) return u;
  if (u <= 0xFE) return u == 0xF7 ? u : static_cast<char16_t>(u - 0x20);  // Latin-1
  if (u == 0xFF) return 0x178;
  if (u >= 0x100 && u <= 0x17F) {  // Latin Extended-A: pairs, with two parities
    const bool even_lower = (u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E);
    if (u == 0x131 || u == 0x138 || u == 0x149 || u == 0x17F) return u;
    if (even_lower) return (u & 1) == 0 ? static_cast<char16_t>(u - 1) : u;
    return (u & 1) == 1 ? static_cast<char16_t>(u - 1) : u;
  }
  if (u >= 0x3B1 && u <= 0x3C9) {  // Greek
    return u == 0x3C2 ? char16_t{0x3A3} : static_cast<char16_t>(u - 0x20);
  }
  if (u >= 0x430 && u <= 0x44F) return static_cast<char16_t>(u - 0x20);  // Cyrillic
  if (u >= 0x450 && u <= 0x45F) return static_cast<char16_t>(u - 0x50);
  return u;
}

int CompareEntryNames(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (size_t i = 0; i < a.size(); ++i) {
    const char16_t x = UpperCaseUnit(a[i]);
    const char16_t y = UpperCaseUnit(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

}  // namespace vlx
