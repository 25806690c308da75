#include "engine/run/own_deck_offer.h"

#include "engine/job/folder_tree.h"
#include "engine/job/office_fault.h"
#include "engine/office/slide_export.h"
#include "engine/office/text_slide_writer.h"
#include "engine/rebuild/apply_master_choice.h"
#include "engine/rebuild/carried_text_filter.h"

namespace vlx {
namespace {

void Note(RecoveryJob& job, const std::string& line) {
  job.sink().AppendLog("    " + line + "\r\n");
  if (job.trace().enabled()) job.trace().Trace(line + "\r\n");
}

std::string IdList(const std::vector<uint32_t>& ids) {
  std::string text;
  for (uint32_t id : ids) text += (text.empty() ? "" : ", ") + std::to_string(id);
  return text;
}

bool HoldsAnyText(const SlideTextStore& store) {
  for (const SlideTextGroup& group : store.groups)
    if (!group.byte_texts.empty() || !group.char_texts.empty()) return true;
  return false;
}

}  // namespace

std::optional<OwnDeckOffer> OfferOwnRecordsDeck(RecoveryJob& job, DamagedFile& file) {
  job.sink().SetStatus("Reading the presentation's own records...");
  std::string why;
  std::optional<OwnRecordsDeck> deck = PrepareOwnRecordsDeck(job, file, &why);
  if (!deck) {
    Note(job, "The presentation's own records give no deck: " + why);
    return std::nullopt;
  }
  OwnDeckOffer offer{std::move(*deck), {}};
  offer.exported = ExportDeckSlides(job, offer.deck.compound, offer.deck.compound + "ff");
  switch (offer.exported.verdict) {
    case OfficeVerdict::kRefused:
      Note(job, "The office does not open the deck of the presentation's own records");
      return std::nullopt;
    case OfficeVerdict::kOpened:
      break;
    case OfficeVerdict::kFailed:
      NoteOfficeLoss("the slides of the presentation's own records were not rendered");
      [[fallthrough]];
    case OfficeVerdict::kUnavailable:
      // The check stands in for the office's open; the slides get placeholders.
      offer.exported.slides = offer.deck.slides;
      offer.exported.placeholders = true;
      break;
  }
  std::optional<Bitmap> preview =
      offer.exported.placeholders
          ? job.env.images.PlaceholderBitmap()
          : job.env.images.MakeThumbnail(ExportedSlidePath(offer.exported.folder, 1),
                                         kSlideThumbnailWidth, kSlideThumbnailHeight);
  if (!preview) preview = job.env.images.PlaceholderBitmap();
  job.own_masters_preview = std::move(preview);
  // A deck that kept fewer than half of its slides whole goes after the masters found in
  // the file: the rebuild from the found drawings is likely to give more of them.
  const size_t listed = offer.deck.slides_left_out.size() + static_cast<size_t>(offer.deck.slides);
  const auto whole = static_cast<size_t>(offer.deck.slides - offer.deck.slides_stood_in);
  job.own_masters_first = 2 * whole >= listed;
  Note(job, "The presentation's own records give a deck of " + std::to_string(offer.deck.slides) +
                " slide(s) (" + offer.deck.method +
                (offer.deck.document_as_found ? ", the Document stream's own bytes"
                                              : ", the Document stream rebuilt") +
                ")");
  if (job.trace().enabled() && !offer.deck.refused.empty())
    job.trace().Trace("Other stream sets refused: " + offer.deck.refused + "\r\n");
  return offer;
}

bool SaveOwnRecordsDeck(RecoveryJob& job, DamagedFile& file, const OwnDeckOffer& offer,
                        const std::string& path) {
  const OwnRecordsDeck& deck = offer.deck;
  for (const std::string& repair : deck.repairs) Note(job, repair);
  if (!deck.slides_left_out.empty())
    Note(job, std::to_string(deck.slides_left_out.size()) +
                  " slide(s) left out, their records damaged (persist ids " +
                  IdList(deck.slides_left_out) + ")");
  ListExportedSlides(job, offer.exported);
  DeleteFolderTree(offer.exported.folder);
  if (job.StopRequested()) return false;

  const size_t carried = RemoveCarriedTexts(job.texts, deck.carried_texts);
  if (carried > 0)
    Note(job, std::to_string(carried) +
                  " recovered texts are on the deck's own slides; data slides hold the rest");
  if (HoldsAnyText(job.texts)) {
    // The data slides are made on the default master, as without a found one.
    ApplyMasterChoice(job, file, MasterChoice{});
    job.sink().SetStatus("Writing text data in slide...");
    WriteTextSlides(job);
  }
  if (job.StopRequested()) return false;

  if (!SaveDeckCopy(job, deck.compound, path)) return false;
  RecoveryOutcome outcome;
  outcome.method = deck.document_as_found ? deck.method : deck.method + ", own records rebuilt";
  outcome.verified = true;
  outcome.verdict = std::to_string(deck.slides) + " slide(s) checked";
  outcome.repairs = deck.repairs;
  outcome.checked_slides = deck.slides;
  outcome.opened = offer.exported.verdict == OfficeVerdict::kOpened;
  outcome.saved_file = path;
  job.env.view.ReportOutcome(outcome);
  return true;
}

}  // namespace vlx
