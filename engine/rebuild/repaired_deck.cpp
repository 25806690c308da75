#include "engine/rebuild/repaired_deck.h"

#include <unistd.h>

#include <exception>
#include <filesystem>
#include <memory>

#include "engine/format/byte_order.h"
#include "engine/format/record_header.h"
#include "engine/format/record_tree.h"
#include "engine/format/record_types.h"
#include "engine/format/template_records.h"
#include "engine/format/workspace_files.h"
#include "engine/job/final_file.h"
#include "engine/job/messages.h"
#include "engine/job/recovery_job.h"
#include "engine/office/office_calls.h"
#include "engine/office/slide_text_collection.h"
#include "engine/rebuild/document_pictures.h"
#include "engine/rebuild/drawing_extract.h"
#include "engine/rebuild/persist_directory.h"
#include "engine/rebuild/picture_selection.h"
#include "engine/rebuild/rebuilt_compound_writer.h"
#include "engine/rebuild/record_copy.h"
#include "engine/rebuild/slide_list_records.h"
#include "engine/rebuild/slide_plan.h"
#include "engine/rebuild/slide_text_match.h"
#include "engine/rebuild/stream_prefix.h"
#include "engine/storage/presentation_compound.h"

namespace vlx {
namespace {

constexpr const char* kDeckStreamFile = "vlxdeckdoc";
constexpr const char* kDeckCompoundFile = "vlxdeck";
constexpr int kErrorRebuiltWriting = 26;
constexpr size_t kSlideAtomEnd = 40;  // slide header + slide atom
constexpr size_t kMinimumStream = 4096;

void Append(std::vector<uint8_t>& out, std::span<const uint8_t> piece) {
  out.insert(out.end(), piece.begin(), piece.end());
}

int32_t CountTextHeaders(const std::vector<uint8_t>& records) {
  int32_t count = 0;
  for (size_t at = 0; at + 8 <= records.size();) {
    if (GetU16(records, at + 2) == kTypeTextHeaderAtom) ++count;
    at += 8 + size_t{GetU32(records, at + 4)};
  }
  return count;
}

std::vector<SlideListEntry> SlideListEntries(const DeckContent& content) {
  std::vector<SlideListEntry> entries;
  uint32_t i = 0;
  for (const auto& slide : content.drawing_slides) {
    entries.push_back(
        {kFirstSlidePersistId + i, kFirstSlideId + i, slide.text_count, slide.text_records});
    ++i;
  }
  for (const auto& slide : content.text_slides) {
    std::vector<uint8_t> texts = MakePlaceholderTexts(slide.title, slide.body);
    const int32_t count = CountTextHeaders(texts);
    entries.push_back({kFirstSlidePersistId + i, kFirstSlideId + i, count, std::move(texts)});
    ++i;
  }
  return entries;
}

// Opens our deck in the office and saves the office's binary copy at output_path.
// False when there is no office or it cannot open ours with every slide or save it.
bool SaveThroughOffice(RecoveryJob& job, const std::string& deck_path,
                       const std::string& output_path, size_t expected_slides) {
  if (job.env.office == nullptr) return false;
  std::shared_ptr<office::Application> app = StartOffice(job);
  if (!app) return false;
  std::shared_ptr<office::Presentation> presentation;
  bool saved = false;
  try {
    presentation = app->GetPresentations()->Open(deck_path, 0, 0, 0);
    if (static_cast<size_t>(presentation->GetSlides()->Count()) >= expected_slides) {
      // The office saves into the workspace; the copy into the output folder is ours,
      // checked and renamed into place.
      const std::string office_copy = job.workspace().File(kOfficeSavedDeckFile);
      presentation->SaveAs(office_copy, office::kFormatDefault, 1);
      saved = CopyToFinalFile(office_copy, output_path);
      ::unlink(office_copy.c_str());
    }
  } catch (const std::exception&) {
    saved = false;
  }
  CloseIgnoringErrors(presentation.get());
  QuitIgnoringErrors(app.get());
  return saved;
}

// Writes the deck's stream and packs it with the pictures into deck_path.
bool PackDeck(RecoveryJob& job, const ChosenRecords& records, const DeckContent& content,
              const std::string& deck_path) {
  DeckStream deck = ComposeDeckStream(job.templates(), records, content);
  const Workspace& ws = job.workspace();
  std::unique_ptr<DamagedFile> pictures;
  if (std::unique_ptr<PictureSource> source = PictureSource::Open(ws.File(kPicturesFile))) {
    // The deck keeps every picture its store names and the file still holds.
    const std::string selected =
        SelectDocumentPictures(job, *source, deck.bytes, kBlipStoreStreamOffset,
                               records.blip_store.size(), EveryEntryOf(records.blip_store));
    if (!selected.empty()) pictures = DamagedFile::Open(selected);
  }
  const std::string stream_path = ws.File(kDeckStreamFile);
  if (!WriteWholeFile(stream_path, deck.bytes)) return false;
  std::unique_ptr<DamagedFile> document = DamagedFile::Open(stream_path);
  if (!document) return false;
  SetCurrentUserEditOffset(job.templates(), deck.user_edit_offset);
  const CompoundWriteResult result = WritePresentationCompound(
      {}, {}, pictures.get(), document.get(), deck_path, job.templates().current_user_image);
  if (result == CompoundWriteResult::kNotCreated)
    ShowCriticalError(job.sink(), kErrorRebuiltWriting);
  return result == CompoundWriteResult::kWritten;
}

// The saved presentation appears under its name whole or not at all.
bool CopyOurDeck(const std::string& deck_path, const std::string& output_path) {
  return CopyToFinalFile(deck_path, output_path);
}

}  // namespace

DeckStream ComposeDeckStream(TemplateRecords& t, const ChosenRecords& records,
                             const DeckContent& content) {
  const std::vector<uint8_t> slide_list = MakeSlideList(SlideListEntries(content));
  StreamPrefix prefix = ComposeStreamPrefix(t, records.blip_store, records.master, slide_list);

  DeckStream deck;
  std::vector<uint8_t>& out = deck.bytes;
  out = std::move(prefix.bytes);
  std::vector<uint32_t> offsets = {0, prefix.master_offset};
  for (const auto& slide : content.drawing_slides) {
    offsets.push_back(static_cast<uint32_t>(out.size()));
    const size_t head = out.size();
    Append(out, t.slide_head);
    PutU32(out, head + kRecordLengthField,
           static_cast<uint32_t>(kSlideAtomEnd - 8 + slide.drawing.size()));
    Append(out, slide.drawing);
  }
  for (size_t i = 0; i < content.text_slides.size(); ++i) {
    offsets.push_back(static_cast<uint32_t>(out.size()));
    Append(out, t.trial_slide);
  }
  const auto directory_offset = static_cast<uint32_t>(out.size());
  Append(out, MakePersistDirectoryBlock(offsets));
  deck.user_edit_offset = static_cast<uint32_t>(out.size());
  Append(out, MakeUserEditBlock(directory_offset, static_cast<uint32_t>(content.slide_count())));
  if (out.size() < kMinimumStream) out.resize(kMinimumStream, 0xFE);
  return deck;
}

DeckContent CollectDeckContent(RecoveryJob& job, DamagedFile& file, size_t drawing_limit) {
  DeckContent content;
  const SlideTextMatcher matcher(file, job.slide_lists);
  const SlidePlan plan = PlanSlides(file, job.drawings, matcher);
  const size_t drawings = std::min(drawing_limit, plan.slides.size());
  for (size_t i = 0; i < drawings; ++i) {
    const FoundRecord& found = plan.slides[i].drawing;
    DeckContent::DrawingSlide slide;
    slide.drawing = ReadDrawingWithTags(file, job.prog_tags, found);
    if (slide.drawing.empty()) continue;
    slide.well_formed = IsWellFormedRecordRun(slide.drawing);
    if (!slide.well_formed) slide.drawing = TrimToWellFormed(slide.drawing);
    const std::optional<uint32_t> persist_id = plan.slides[i].persist_id;
    if (std::optional<SlideEntryTexts> texts =
            persist_id ? matcher.TextsFor(*persist_id) : std::nullopt) {
      slide.text_records = std::move(texts->records);
      slide.text_count = texts->text_count;
      ++content.matched_texts;
    }
    content.drawing_slides.push_back(std::move(slide));
  }
  const int64_t highest = HighestTextSlide(job.texts);
  SlideTextBuffer buffer;
  for (int64_t n = 1; n <= highest; ++n) {
    if (CollectSlideTexts(job.texts, n, buffer) == 0) continue;
    DeckContent::TextSlide slide;
    slide.title = buffer.front();
    slide.body.assign(buffer.begin() + 1, buffer.end());
    content.text_slides.push_back(std::move(slide));
  }
  return content;
}

DeckContent DeckContent::WellFormedOnly() const {
  DeckContent sound;
  for (const auto& slide : drawing_slides) {
    if (slide.well_formed) sound.drawing_slides.push_back(slide);
  }
  sound.text_slides = text_slides;
  for (const auto& slide : sound.drawing_slides)
    sound.matched_texts += slide.text_records.empty() ? 0 : 1;
  return sound;
}

DeckSave SaveRepairedDeck(RecoveryJob& job, DamagedFile& file, const MasterChoice& choice,
                          const std::string& output_path, size_t drawing_limit) {
  DeckSave result;
  DeckContent content = CollectDeckContent(job, file, drawing_limit);
  if (content.slide_count() == 0) return result;
  const ChosenRecords records = LoadChosenRecords(job.templates(), file, choice);
  const std::string deck_path = job.workspace().File(kDeckCompoundFile);
  const auto settle = [&](const DeckContent& saved, bool by_office) {
    result.written = true;
    result.by_office = by_office;
    result.drawing_slides = saved.drawing_slides.size();
    result.text_slides = saved.text_slides.size();
    result.drawings_left_out = content.drawing_slides.size() - saved.drawing_slides.size();
    result.matched_texts = saved.matched_texts;
    for (const auto& slide : saved.drawing_slides)
      result.drawings_trimmed += slide.well_formed ? 0 : 1;
    return result;
  };

  if (!PackDeck(job, records, content, deck_path)) return result;
  if (job.env.office == nullptr) {
    return CopyOurDeck(deck_path, output_path) ? settle(content, false) : result;
  }
  if (SaveThroughOffice(job, deck_path, output_path, content.slide_count()))
    return settle(content, true);
  const DeckContent sound = content.WellFormedOnly();
  if (sound.drawing_slides.size() < content.drawing_slides.size() && sound.slide_count() > 0) {
    if (!PackDeck(job, records, sound, deck_path)) return result;
    if (SaveThroughOffice(job, deck_path, output_path, sound.slide_count()))
      return settle(sound, true);
    return CopyOurDeck(deck_path, output_path) ? settle(sound, false) : result;
  }
  return CopyOurDeck(deck_path, output_path) ? settle(content, false) : result;
}

}  // namespace vlx
