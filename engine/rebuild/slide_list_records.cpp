#include "engine/rebuild/slide_list_records.h"

#include "engine/format/byte_order.h"
#include "engine/format/record_types.h"
#include "engine/format/text_encoding.h"

namespace vlx {
namespace {

constexpr uint32_t kSlidePersistFlags = 4;
constexpr uint32_t kTitleTextType = 0;
constexpr uint32_t kBodyTextType = 1;

void AppendHeader(std::vector<uint8_t>& out, uint16_t version_instance, uint16_t type,
                  uint32_t length) {
  AppendU16(out, version_instance);
  AppendU16(out, type);
  AppendU32(out, length);
}

// Line breaks of every kind become paragraph breaks; trailing white space goes.
std::u16string PlaceholderText(const std::string& utf8) {
  std::u16string text = Utf8ToUtf16(utf8);
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
    out.push_back(c == u'\n' || c == u'\v' ? u'\r' : c);
  }
  while (!out.empty() && (out.back() == u' ' || out.back() == u'\r' || out.back() == u'\t'))
    out.pop_back();
  return out;
}

void AppendPlaceholderText(std::vector<uint8_t>& out, uint16_t reference, uint32_t text_type,
                           const std::u16string& text) {
  AppendHeader(out, static_cast<uint16_t>(reference << 4), kTypeTextHeaderAtom, 4);
  AppendU32(out, text_type);
  AppendHeader(out, 0, kTypeTextCharsAtom, static_cast<uint32_t>(text.size() * 2));
  for (char16_t unit : text) AppendU16(out, static_cast<uint16_t>(unit));
}

}  // namespace

std::vector<uint8_t> MakeSlideList(std::span<const SlideListEntry> entries) {
  std::vector<uint8_t> body;
  for (const SlideListEntry& entry : entries) {
    AppendHeader(body, 0, kTypeSlidePersistAtom, 20);
    AppendU32(body, entry.persist_id);
    AppendU32(body, kSlidePersistFlags);
    AppendU32(body, static_cast<uint32_t>(entry.text_count));
    AppendU32(body, entry.slide_id);
    AppendU32(body, 0);
    body.insert(body.end(), entry.text_records.begin(), entry.text_records.end());
  }
  std::vector<uint8_t> list;
  list.reserve(8 + body.size());
  AppendHeader(list, 0x000F, kTypeSlideListWithText, static_cast<uint32_t>(body.size()));
  list.insert(list.end(), body.begin(), body.end());
  return list;
}

std::vector<uint8_t> MakePlaceholderTexts(const std::string& title_utf8,
                                          const std::vector<std::string>& body_utf8) {
  std::vector<uint8_t> out;
  AppendPlaceholderText(out, 0, kTitleTextType, PlaceholderText(title_utf8));
  std::u16string body;
  for (const std::string& paragraph : body_utf8) {
    const std::u16string text = PlaceholderText(paragraph);
    if (text.empty()) continue;
    if (!body.empty()) body.push_back(u'\r');
    body += text;
  }
  if (!body.empty()) AppendPlaceholderText(out, 1, kBodyTextType, body);
  return out;
}

}  // namespace vlx
