#include "engine/office/text_slide_writer.h"

#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "engine/job/messages.h"
#include "engine/job/office_fault.h"
#include "engine/job/recovery_job.h"
#include "engine/office/office_calls.h"
#include "engine/office/office_restart.h"
#include "engine/office/slide_export.h"
#include "engine/office/slide_text_collection.h"

namespace vlx {

namespace {

constexpr int kErrorFirstOffice = 15;
constexpr int kErrorSecondOffice = 16;

std::string WithoutTrailingWhiteSpace(std::string text) {
  const size_t end = text.find_last_not_of(" \t\r\n\v\f");
  text.erase(end == std::string::npos ? 0 : end + 1);
  return text;
}

void PutShapeText(office::Slides& slides, int shape, const std::string& text) {
  slides.Item(1.0f)
      ->GetShapes()
      ->Item(static_cast<float>(shape))
      ->GetTextFrame()
      ->GetTextRange()
      ->SetText(text);
}

// Makes and lists the data slide of one slide number, on an office it restarts once
// when the office fails.
class TextSlide {
 public:
  TextSlide(RecoveryJob& job, std::shared_ptr<office::Application> app,
            std::shared_ptr<office::Presentations> presentations)
      : job_(job),
        trace_(job.trace()),
        app_(std::move(app)),
        presentations_(std::move(presentations)),
        copy_path_(job.workspace().File("copy2")),
        export_folder_(job.workspace().File("vlximg")) {}

  // False when the office failed and no restarted one could make the slide: this slide
  // and the ones after it are lost.
  bool Write(const SlideTextBuffer& texts) {
    const int mark = OfficeFaultMark();
    const bool listed = WriteOnce(texts);
    if (!OfficeFailedSince(mark)) return true;
    if (!Restart()) return false;
    if (!listed) {
      const int again = OfficeFaultMark();
      const bool relisted = WriteOnce(texts);
      if (OfficeFailedSince(again) && !relisted) return false;
    }
    NoteRedoneAfterRestart("the data slide it was writing was written again");
    return true;
  }

  office::Application* app() const { return app_.get(); }

 private:
  // Whether the slide was listed.
  bool WriteOnce(const SlideTextBuffer& texts) {
    std::shared_ptr<office::Presentation> presentation;
    bool cannot_export = false;
    try {
      presentation = presentations_->Open(copy_path_, 0, 0, 0);
      auto slides = presentation->GetSlides();
      FillNewFirstSlide(*slides, texts);
      trace_.Checkpoint(91);
      trace_.Checkpoint(92);
      cannot_export = CannotExportJpeg(app_->Version());
    } catch (const std::exception&) {
      CloseIgnoringErrors(presentation.get());
      return false;
    }
    if (!cannot_export) Export(*presentation);
    trace_.Checkpoint(93);
    CloseIgnoringErrors(presentation.get());
    trace_.Checkpoint(94);
    trace_.Checkpoint(95);
    return List(cannot_export);
  }

  bool Restart() {
    std::shared_ptr<office::Application> fresh = RestartFailedOffice(job_);
    if (!fresh) return false;
    try {
      presentations_ = fresh->GetPresentations();
    } catch (const std::exception&) {
      QuitIgnoringErrors(fresh.get());
      return false;
    }
    app_ = std::move(fresh);
    return true;
  }

  void FillNewFirstSlide(office::Slides& slides, const SlideTextBuffer& texts) {
    if (texts.size() == 1) {
      trace_.Checkpoint(85);
      slides.Add(1, office::kLayoutText);
      PutShapeText(slides, 2, WithoutTrailingWhiteSpace(texts[0]));
      trace_.Checkpoint(86);
      trace_.Checkpoint(86);
      return;
    }
    trace_.Checkpoint(87);
    slides.Add(1, office::kLayoutText);
    PutShapeText(slides, 1, texts[0]);
    trace_.Checkpoint(88);
    PutShapeText(slides, 2, texts[1]);
    trace_.Checkpoint(89);
    trace_.Checkpoint(90);
  }

  void Export(office::Presentation& presentation) {
    RemoveEarlierExport(export_folder_);
    try {
      presentation.SaveAs(export_folder_, office::kFormatJpeg, 1);
    } catch (const std::exception&) {
      // No picture: the slide gets no item.
    }
  }

  bool List(bool cannot_export) {
    std::optional<Bitmap> bitmap =
        cannot_export ? std::optional<Bitmap>(job_.env.images.StockBitmap())
                      : job_.env.images.MakeThumbnail(ExportedSlidePath(export_folder_, 1),
                                                      kSlideThumbnailWidth, kSlideThumbnailHeight);
    if (!bitmap) return false;
    const int count = job_.results.Count(ResultList::kDataSlides);
    const std::string number = std::to_string(count + 1);
    job_.results.Report(
        SlideItem(ResultList::kDataSlides, "Data Slide" + number, std::move(*bitmap), count));
    job_.sink().AppendLog("      Recovered Data Slide " + number + "\r\n");
    return true;
  }

  RecoveryJob& job_;
  const TraceLog& trace_;
  std::shared_ptr<office::Application> app_;
  std::shared_ptr<office::Presentations> presentations_;
  const std::string copy_path_;
  const std::string export_folder_;
};

// Writes every data slide; an office restarted on the way is ended here, the one given
// by the caller.
void WriteAllTextSlides(RecoveryJob& job, std::shared_ptr<office::Application> app,
                        std::shared_ptr<office::Presentations> presentations) {
  const TraceLog& trace = job.trace();
  const int64_t highest = HighestTextSlide(job.texts);
  trace.Checkpoint(83);
  TextSlide slide(job, app, std::move(presentations));
  SlideTextBuffer texts;
  for (int64_t i = 1; i <= highest; ++i) {
    trace.Checkpoint(84);
    if (job.StopRequested()) break;
    job.sink().SetProgress(Percent(static_cast<uint64_t>(i), static_cast<uint64_t>(highest)));
    if (CollectSlideTexts(job.texts, i, texts) == 0) continue;
    if (slide.Write(texts)) continue;
    int lost = 0;
    for (int64_t j = i; j <= highest; ++j) lost += CollectSlideTexts(job.texts, j, texts) > 0;
    NoteOfficeLoss(std::to_string(lost) + " data slide" + (lost == 1 ? "" : "s") + " not rendered");
    break;
  }
  if (slide.app() != app.get()) QuitIgnoringErrors(slide.app());
}

}  // namespace

void WriteTextSlides(RecoveryJob& job) {
  const TraceLog& trace = job.trace();
  ProgressSink& sink = job.sink();
  trace.Checkpoint(72);
  sink.AppendLog("Writing Slide data................\r\n");
  sink.SetProgress(0);
  trace.Checkpoint(73);
  std::error_code ignored;
  std::filesystem::copy_file(job.workspace().File("vlxppt"), job.workspace().File("copy2"),
                             std::filesystem::copy_options::overwrite_existing, ignored);
  trace.Checkpoint(74);
  trace.Checkpoint(75);

  const auto first = StartOffice(job);
  if (!first) {
    trace.Checkpoint(76);
    ShowCriticalError(sink, kErrorFirstOffice);
    return;
  }
  trace.Checkpoint(77);
  const auto second = StartOffice(job);
  if (!second) {
    ShowCriticalError(sink, kErrorSecondOffice);
    QuitIgnoringErrors(first.get());
    return;
  }
  trace.Checkpoint(78);

  std::shared_ptr<office::Presentations> presentations;
  try {
    presentations = second->GetPresentations();
  } catch (const std::exception&) {
    presentations = nullptr;
  }
  if (presentations) {
    for (int checkpoint = 79; checkpoint <= 82; ++checkpoint) trace.Checkpoint(checkpoint);
    WriteAllTextSlides(job, second, presentations);
  }

  trace.Checkpoint(96);
  trace.Checkpoint(97);
  QuitIgnoringErrors(first.get());
  QuitIgnoringErrors(second.get());
  trace.Checkpoint(98);
}

}  // namespace vlx
