#include "tests/e2e/presentation_facts.h"

#include <functional>
#include <set>

namespace vlx::e2e {
namespace {

constexpr uint16_t kDocument = 0x03E8;
constexpr uint16_t kSlide = 0x03EE;
constexpr uint16_t kSlidePersistAtom = 0x03F3;
constexpr uint16_t kTextCharsAtom = 0x0FA0;
constexpr uint16_t kTextBytesAtom = 0x0FA8;
constexpr uint16_t kSlideListWithText = 0x0FF0;
constexpr uint16_t kUserEditAtom = 0x0FF5;
constexpr uint16_t kPersistDirectoryAtom = 0x1772;
constexpr int kMaxDepth = 32;

struct Header {
  size_t offset = 0;
  uint16_t instance = 0;
  uint16_t version = 0;
  uint16_t type = 0;
  uint32_t length = 0;
  size_t body() const { return offset + 8; }
  size_t end() const { return offset + 8 + length; }
  bool container() const { return version == 0xF; }
};

uint16_t U16(const Bytes& b, size_t at) {
  return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}
uint32_t U32(const Bytes& b, size_t at) {
  return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 |
         uint32_t{b[at + 3]} << 24;
}

std::optional<Header> HeaderAt(const Bytes& b, size_t at, size_t limit) {
  if (at + 8 > limit || limit > b.size()) return std::nullopt;
  Header h;
  h.offset = at;
  h.version = U16(b, at) & 0xF;
  h.instance = U16(b, at) >> 4;
  h.type = U16(b, at + 2);
  h.length = U32(b, at + 4);
  if (h.end() > limit) return std::nullopt;
  return h;
}

// Visits the records in [begin, end) depth-first; a record that overruns ends its level.
void Walk(const Bytes& b, size_t begin, size_t end, int depth,
          const std::function<void(const Header&)>& visit) {
  for (size_t at = begin; depth < kMaxDepth;) {
    const auto h = HeaderAt(b, at, end);
    if (!h) return;
    visit(*h);
    if (h->container()) Walk(b, h->body(), h->end(), depth + 1, visit);
    at = h->end();
  }
}

void AppendUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The text of a TextCharsAtom (UTF-16LE) or TextBytesAtom (the low bytes of UTF-16).
std::string AtomText(const Bytes& b, const Header& h) {
  std::string out;
  if (h.type == kTextBytesAtom) {
    for (size_t i = h.body(); i < h.end(); ++i) AppendUtf8(out, b[i]);
    return out;
  }
  for (size_t i = h.body(); i + 1 < h.end(); i += 2) {
    uint32_t c = U16(b, i);
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < h.end()) {
      const uint32_t low = U16(b, i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    AppendUtf8(out, c);
  }
  return out;
}

bool IsTextAtom(const Header& h) {
  return h.type == kTextCharsAtom || h.type == kTextBytesAtom;
}

void CollectTexts(const Bytes& b, size_t begin, size_t end, std::vector<std::string>& texts) {
  Walk(b, begin, end, 0, [&](const Header& h) {
    if (IsTextAtom(h)) texts.push_back(AtomText(b, h));
  });
}

// Persist id -> stream offset, newest edit first, from the edit at `edit_offset` back.
std::map<uint32_t, uint32_t> PersistDirectory(const Bytes& doc, uint32_t edit_offset,
                                              uint32_t* document_id) {
  std::map<uint32_t, uint32_t> offsets;
  std::set<uint32_t> seen_edits;
  bool newest = true;
  for (uint32_t at = edit_offset; seen_edits.insert(at).second;) {
    const auto edit = HeaderAt(doc, at, doc.size());
    if (!edit || edit->type != kUserEditAtom || edit->length < 20) break;
    if (newest) *document_id = U32(doc, edit->body() + 16);
    newest = false;
    const auto dir = HeaderAt(doc, U32(doc, edit->body() + 12), doc.size());
    if (dir && dir->type == kPersistDirectoryAtom) {
      for (size_t p = dir->body(); p + 4 <= dir->end();) {
        const uint32_t word = U32(doc, p);
        const uint32_t first = word & 0xFFFFF;
        const uint32_t count = word >> 20;
        p += 4;
        for (uint32_t i = 0; i < count && p + 4 <= dir->end(); ++i, p += 4)
          offsets.emplace(first + i, U32(doc, p));  // emplace keeps the newer entry
      }
    }
    const uint32_t previous = U32(doc, edit->body() + 8);
    if (previous == 0) break;
    at = previous;
  }
  return offsets;
}

}  // namespace

std::vector<std::string> NormalisedParagraphs(const std::string& utf8) {
  std::vector<std::string> out;
  std::string current;
  bool pending_space = false;
  auto flush = [&] {
    if (!current.empty()) out.push_back(current);
    current.clear();
    pending_space = false;
  };
  for (char c : utf8) {
    if (c == '\r' || c == '\n' || c == '\v') {
      flush();
    } else if (c == ' ' || c == '\t' || static_cast<unsigned char>(c) < 0x20) {
      pending_space = !current.empty();
    } else {
      if (pending_space) current += ' ';
      pending_space = false;
      current += c;
    }
  }
  flush();
  return out;
}

Bytes BlipData(const Bytes& stream, size_t record_offset) {
  const auto h = HeaderAt(stream, record_offset, stream.size());
  if (!h || h->type < 0xF018 || h->type > 0xF117) return {};
  // Odd instances carry a second identifier.
  const size_t identifiers = (h->instance & 1) ? 32 : 16;
  const bool metafile = h->type >= 0xF01A && h->type <= 0xF01C;
  const size_t skip = identifiers + (metafile ? 34 : 1);
  if (h->length < skip) return {};
  return Bytes(stream.begin() + static_cast<std::ptrdiff_t>(h->body() + skip),
               stream.begin() + static_cast<std::ptrdiff_t>(h->end()));
}

std::optional<PresentationFacts> ReadPresentationFacts(const StreamMap& streams) {
  const auto doc_it = streams.find("PowerPoint Document");
  const auto user_it = streams.find("Current User");
  if (doc_it == streams.end() || user_it == streams.end()) return std::nullopt;
  const Bytes& doc = doc_it->second;
  const Bytes& user = user_it->second;
  if (user.size() < 20) return std::nullopt;

  uint32_t document_id = 0;
  const auto persist = PersistDirectory(doc, U32(user, 16), &document_id);
  const auto document_at = persist.find(document_id);
  if (document_at == persist.end()) return std::nullopt;
  const auto document = HeaderAt(doc, document_at->second, doc.size());
  if (!document || document->type != kDocument) return std::nullopt;

  PresentationFacts facts;
  std::vector<std::string> texts;
  for (size_t at = document->body();;) {
    const auto list = HeaderAt(doc, at, document->end());
    if (!list) break;
    at = list->end();
    if (list->type != kSlideListWithText || list->instance != 0) continue;
    Walk(doc, list->body(), list->end(), 0, [&](const Header& h) {
      if (IsTextAtom(h)) texts.push_back(AtomText(doc, h));
      if (h.type != kSlidePersistAtom || h.length < 4) return;
      ++facts.slide_count;
      const auto slide_at = persist.find(U32(doc, h.body()));
      if (slide_at == persist.end()) return;
      const auto slide = HeaderAt(doc, slide_at->second, doc.size());
      if (slide && slide->type == kSlide) CollectTexts(doc, slide->body(), slide->end(), texts);
    });
  }
  std::set<std::string> distinct;
  for (const std::string& text : texts)
    for (std::string& paragraph : NormalisedParagraphs(text))
      if (distinct.insert(paragraph).second) facts.slide_texts.push_back(paragraph);

  if (const auto pictures = streams.find("Pictures"); pictures != streams.end()) {
    const Bytes& stream = pictures->second;
    for (size_t at = 0;;) {
      const auto h = HeaderAt(stream, at, stream.size());
      if (!h) break;
      Bytes data = BlipData(stream, at);
      if (!data.empty()) facts.pictures.push_back(std::move(data));
      at = h->end();
    }
  }
  return facts;
}

std::string AllDocumentText(const Bytes& document_stream) {
  std::vector<std::string> texts;
  CollectTexts(document_stream, 0, document_stream.size(), texts);
  std::string joined;
  for (const std::string& text : texts)
    for (const std::string& paragraph : NormalisedParagraphs(text)) joined += paragraph + "\n";
  return joined;
}

}  // namespace vlx::e2e
