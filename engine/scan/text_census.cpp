#include "engine/scan/text_census.h"

#include <algorithm>
#include <vector>

#include "engine/format/byte_order.h"
#include "engine/format/text_encoding.h"
#include "engine/format/record_header.h"

namespace vlx {
namespace {

// The white space that is cut from the end of a TextCharsAtom's text (the classic
// wide-character classification: blank, tab, line feed, vertical tab, form feed, CR).
bool IsTrailingSpace(char16_t unit) {
  return unit == u' ' || (unit >= u'\t' && unit <= u'\r');
}

// 8-bit text at `at`: up to the first zero byte, at most limit bytes, inside the body.
std::string ByteText(const uint8_t* body, size_t size, size_t at, uint64_t limit) {
  const size_t room = static_cast<size_t>(std::min<uint64_t>(limit, size - at));
  const auto* begin = reinterpret_cast<const char*>(body + at);
  const auto* end = std::find(begin, begin + room, '\0');
  return Windows1252ToUtf8(std::string_view(begin, static_cast<size_t>(end - begin)));
}

// UTF-16LE text at `at`: up to the first zero unit, at most limit / 2 units, whole
// units inside the body, trailing white space removed. Kept whole: every character
// survives the conversion to UTF-8.
std::string CharText(const uint8_t* body, size_t size, size_t at, uint32_t limit) {
  const size_t room = std::min<size_t>(limit / 2, (size - at) / 2);
  std::u16string text;
  for (size_t u = 0; u < room; ++u) {
    const auto unit = static_cast<char16_t>(LoadU16(body + at + 2 * u));
    if (unit == 0) break;
    text.push_back(unit);
  }
  while (!text.empty() && IsTrailingSpace(text.back())) text.pop_back();
  return Utf16ToUtf8(text);
}

}  // namespace

void CollectSlideListTexts(const uint8_t* body, size_t size, uint64_t body_length,
                           SlideTextGroup& first_group) {
  int64_t slide = 0;
  for (size_t k = 0; k + kRecordHeaderSize <= size; ++k) {
    const RecordHeader header = RecordHeader::Decode(body + k);
    const size_t text_at = k + kRecordHeaderSize;
    switch (header.type) {
      case kTypeSlidePersistAtom:
        if (header.length < body_length) ++slide;
        break;
      case kTypeTextBytesAtom:
        if (header.length < body_length)
          first_group.byte_texts.push_back({ByteText(body, size, text_at, header.length), slide});
        break;
      case kTypeTextCharsAtom:
        if (header.length < kMaxCharsAtomLength)
          first_group.char_texts.push_back({CharText(body, size, text_at, header.length), slide});
        break;
      default:
        break;
    }
  }
}

void ScanSlideTexts(RecoveryJob& job, DamagedFile& file) {
  job.trace().Checkpoint(15);
  std::vector<uint8_t> body;
  for (const FoundRecord& list : job.slide_lists) {
    const uint64_t body_start = static_cast<uint64_t>(list.offset) + kRecordHeaderSize;
    const auto body_length = static_cast<uint64_t>(list.length);
    // Only the part of the body that the file holds is read; past its end there is
    // nothing to find.
    const uint64_t in_file =
        body_start < file.GetLength() ? std::min(body_length, file.GetLength() - body_start) : 0;
    body.resize(static_cast<size_t>(in_file));
    file.Seek(body_start);
    body.resize(file.Read(body.data(), body.size()));

    job.texts.groups.emplace_back();
    CollectSlideListTexts(body.data(), body.size(), body_length, job.texts.groups.front());
  }
  job.trace().Checkpoint(16);
}

}  // namespace vlx
