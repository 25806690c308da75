#include "engine/salvage/presentation_check.h"

#include <map>
#include <unordered_set>

#include "engine/format/record_header.h"
#include "engine/format/record_types.h"

namespace vlx::salvage {
namespace {

constexpr uint32_t kUserEditMinimumLength = 28;
constexpr int kMaxEdits = 4096;
constexpr int kMaxTreeDepth = 32;
constexpr size_t kCurrentEditField = 16;  // offsetToCurrentEdit in the Current User stream
constexpr size_t kHeaderTokenField = 12;

class StreamView {
 public:
  explicit StreamView(DamagedFile& file) : file_(file), length_(file.GetLength()) {}

  // The header at offset, when its whole record lies inside the stream.
  std::optional<RecordHeader> Header(uint64_t offset) {
    uint8_t bytes[kRecordHeaderSize];
    if (offset + kRecordHeaderSize > length_ ||
        file_.ReadAt(offset, bytes, sizeof bytes) != sizeof bytes)
      return std::nullopt;
    const RecordHeader header = RecordHeader::Decode(bytes);
    if (header.length > length_ - offset - kRecordHeaderSize) return std::nullopt;
    return header;
  }
  std::vector<uint8_t> Body(uint64_t offset, const RecordHeader& header, size_t at_most) {
    std::vector<uint8_t> body(std::min<size_t>(header.length, at_most));
    file_.ReadAt(offset + kRecordHeaderSize, body.data(), body.size());
    return body;
  }
  uint64_t length() const { return length_; }

 private:
  DamagedFile& file_;
  uint64_t length_;
};

PresentationCheck Fail(PresentationCheck check, std::string why) {
  check.verified = false;
  check.failure = std::move(why);
  return check;
}

// A container's children fill it exactly, each with a record type of the format, down
// to its atoms: a sector out of place inside a slide breaks this.
bool RecordsTile(StreamView& stream, uint64_t offset, const RecordHeader& header, int depth) {
  if ((header.version_instance & 0xF) != 0xF || depth > kMaxTreeDepth) return true;
  const uint64_t end = offset + kRecordHeaderSize + uint64_t{header.length};
  uint64_t at = offset + kRecordHeaderSize;
  while (at < end) {
    const auto child = stream.Header(at);
    if (!child || at + kRecordHeaderSize + child->length > end) return false;
    const bool known_type = child->type >= kTypeDocument || child->type == 0;
    if (!known_type || !RecordsTile(stream, at, *child, depth + 1)) return false;
    at += kRecordHeaderSize + child->length;
  }
  return at == end;
}

// Persist id -> stream offset, newest edit first; false when an edit or directory is
// not where the chain says.
bool CollectPersistDirectory(StreamView& stream, uint32_t first_edit, PresentationCheck& check,
                             std::map<uint32_t, uint32_t>& directory, uint32_t* document_ref,
                             std::string* why) {
  std::unordered_set<uint32_t> seen;
  for (uint32_t at = first_edit; check.edits == 0 || at != 0; ++check.edits) {
    if (check.edits == kMaxEdits || !seen.insert(at).second) {
      *why = "the user edits loop";
      return false;
    }
    const auto edit = stream.Header(at);
    if (!edit || edit->type != kTypeUserEditAtom || edit->length < kUserEditMinimumLength) {
      *why = "no user edit at stream offset " + std::to_string(at);
      return false;
    }
    const std::vector<uint8_t> body = stream.Body(at, *edit, kUserEditMinimumLength);
    if (check.edits == 0) *document_ref = LoadU32(&body[16]);
    const uint32_t directory_at = LoadU32(&body[12]);
    const auto persist = stream.Header(directory_at);
    if (!persist || persist->type != kTypePersistDirectoryAtom) {
      *why = "no persist directory at stream offset " + std::to_string(directory_at);
      return false;
    }
    const std::vector<uint8_t> entries = stream.Body(directory_at, *persist, persist->length);
    for (size_t i = 0; i + 4 <= entries.size();) {
      const uint32_t word = LoadU32(&entries[i]);
      const uint32_t id = word & 0xFFFFF;
      const uint32_t count = word >> 20;
      i += 4;
      for (uint32_t k = 0; k < count && i + 4 <= entries.size(); ++k, i += 4)
        directory.emplace(id + k, LoadU32(&entries[i]));  // a newer edit's entry stays
    }
    at = LoadU32(&body[8]);
  }
  return true;
}

// The persist ids of the slides in the Document container's slide list.
std::vector<uint32_t> SlideIds(StreamView& stream, uint32_t document_at,
                               const RecordHeader& document) {
  std::vector<uint32_t> ids;
  const uint64_t end = document_at + kRecordHeaderSize + uint64_t{document.length};
  for (uint64_t at = document_at + kRecordHeaderSize; at < end;) {
    const auto child = stream.Header(at);
    if (!child) break;
    const uint64_t child_end = at + kRecordHeaderSize + child->length;
    if (child->type == kTypeSlideListWithText && (child->version_instance >> 4) == 0) {
      for (uint64_t in = at + kRecordHeaderSize; in < child_end;) {
        const auto atom = stream.Header(in);
        if (!atom) break;
        if (atom->type == kTypeSlidePersistAtom && atom->length >= 4)
          ids.push_back(LoadU32(stream.Body(in, *atom, 4).data()));
        in += kRecordHeaderSize + atom->length;
      }
    }
    at = child_end;
  }
  return ids;
}

}  // namespace

std::string PresentationCheck::Summary() const {
  if (!verified) return "not verified: " + failure;
  return "verified: " + std::to_string(edits) + " user edit(s), " +
         std::to_string(persist_objects) + " persist objects, " + std::to_string(slides) +
         " slide(s)" + (current_user_names_edit ? "" : "; Current User rebuilt");
}

std::optional<uint32_t> NewestUserEdit(DamagedFile& document) {
  StreamView stream(document);
  std::optional<uint32_t> newest;
  for (uint64_t at = 0; at < stream.length() && at <= 0xFFFFFFFF;) {
    const auto header = stream.Header(at);
    if (!header) break;
    if (header->type == kTypeUserEditAtom && header->length >= kUserEditMinimumLength)
      newest = static_cast<uint32_t>(at);
    at += kRecordHeaderSize + header->length;
  }
  return newest;
}

namespace {

// The edit a whole CurrentUserAtom names, with whether its header token is one the
// format writes (a block that merely starts like the atom carries none).
struct NamedEdit {
  uint32_t offset = 0;
  bool genuine = false;
};

std::optional<NamedEdit> EditNamedBy(const std::vector<uint8_t>* current_user) {
  if (current_user == nullptr || current_user->size() < kCurrentEditField + 4 ||
      LoadU16(current_user->data() + 2) != kTypeCurrentUserAtom)
    return std::nullopt;
  const uint32_t token = LoadU32(current_user->data() + kHeaderTokenField);
  return NamedEdit{LoadU32(current_user->data() + kCurrentEditField),
                   token == kCurrentUserTokenPlain || token == kCurrentUserTokenEncrypted};
}

}  // namespace

PresentationCheck CheckPresentation(DamagedFile& document,
                                    const std::vector<uint8_t>* current_user) {
  return CheckPresentation(document, current_user, 0);
}

PresentationCheck CheckPresentation(DamagedFile& document, const std::vector<uint8_t>* current_user,
                                    uint64_t file_ends_at) {
  PresentationCheck check;
  StreamView stream(document);
  if (stream.length() == 0) return Fail(check, "the document stream is empty");

  const std::optional<NamedEdit> named = EditNamedBy(current_user);
  if (named) {
    const auto edit = stream.Header(named->offset);
    check.current_user_names_edit = edit && edit->type == kTypeUserEditAtom;
    // The stream ends before the edit its own Current User names, yet the file went on:
    // this run of bytes is an older or a foreign copy of the stream, not the one the
    // Current User was written with.
    const uint64_t edit_end = uint64_t{named->offset} + kRecordHeaderSize;
    if (named->genuine && edit_end > stream.length() && edit_end <= file_ends_at)
      return Fail(check, "the Current User names a user edit at stream offset " +
                             std::to_string(named->offset) + ", past the end of this stream (" +
                             std::to_string(stream.length()) + " bytes)");
  }
  check.current_edit = check.current_user_names_edit ? std::optional<uint32_t>(named->offset)
                                                     : NewestUserEdit(document);
  if (!check.current_edit) return Fail(check, "the document stream holds no user edit");

  std::map<uint32_t, uint32_t> directory;
  uint32_t document_ref = 0;
  std::string why;
  if (!CollectPersistDirectory(stream, *check.current_edit, check, directory, &document_ref, &why))
    return Fail(check, why);
  for (const auto& [id, offset] : directory) {
    const auto object = stream.Header(offset);
    if (!object || !IsPersistedObjectType(object->type) || !RecordsTile(stream, offset, *object, 0))
      return Fail(check, "persist object " + std::to_string(id) + " at stream offset " +
                             std::to_string(offset) + " is not a whole persisted record");
    ++check.persist_objects;
  }
  const auto document_entry = directory.find(document_ref);
  if (document_entry == directory.end())
    return Fail(check, "the user edit names no Document container");
  const auto document_header = stream.Header(document_entry->second);
  if (!document_header || document_header->type != kTypeDocument)
    return Fail(check, "the Document persist object is not a Document container");
  for (uint32_t id : SlideIds(stream, document_entry->second, *document_header)) {
    const auto slide = directory.find(id);
    if (slide == directory.end()) return Fail(check, "slide " + std::to_string(id) + " is missing");
    const auto header = stream.Header(slide->second);
    if (!header || header->type != kTypeSlide)
      return Fail(check, "slide " + std::to_string(id) + " is not a Slide container");
    ++check.slides;
  }
  check.verified = true;
  return check;
}

}  // namespace vlx::salvage
