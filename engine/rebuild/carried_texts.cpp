#include "engine/rebuild/carried_texts.h"

#include "engine/format/byte_order.h"
#include "engine/format/record_types.h"
#include "engine/format/text_encoding.h"

namespace vlx {
namespace {

constexpr size_t kHeader = 8;
constexpr int kDeepestNesting = 64;

void Walk(std::span<const uint8_t> run, int depth, std::set<std::string>& out) {
  for (size_t at = 0; at + kHeader <= run.size();) {
    const uint16_t word = GetU16(run, at);
    const uint16_t type = GetU16(run, at + 2);
    const size_t room = run.size() - at - kHeader;
    const size_t length = std::min<size_t>(GetU32(run, at + 4), room);
    const std::span<const uint8_t> body = run.subspan(at + kHeader, length);
    if ((word & 0x000F) == 0x000F) {
      if (depth < kDeepestNesting) Walk(body, depth + 1, out);
    } else if (type == kTypeTextCharsAtom) {
      std::u16string text(body.size() / 2, u'\0');
      for (size_t i = 0; i < text.size(); ++i) text[i] = GetU16(body, 2 * i);
      out.insert(ComparableText(Utf16ToUtf8(text)));
    } else if (type == kTypeTextBytesAtom) {
      out.insert(ComparableText(
          Windows1252ToUtf8({reinterpret_cast<const char*>(body.data()), body.size()})));
    }
    if (GetU32(run, at + 4) > room) return;
    at += kHeader + length;
  }
}

}  // namespace

std::string ComparableText(std::string_view utf8) {
  std::string out;
  for (char c : utf8) {
    if (static_cast<unsigned char>(c) > 0x20) out.push_back(c);
  }
  return out;
}

std::set<std::string> TextsCarriedBy(std::span<const uint8_t> records) {
  std::set<std::string> out;
  Walk(records, 0, out);
  out.erase(std::string());
  return out;
}

}  // namespace vlx
