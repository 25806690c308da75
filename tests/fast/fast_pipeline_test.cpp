#include "engine/run/fast_pipeline.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include "engine/job/messages.h"
#include "engine/job/office_fault.h"
#include "tests/fast/carving_fixture.h"
#include "tests/storage/compound_readers.h"

namespace vlx::testing {
namespace {

void PutU32At(Bytes& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

// A damaged file that holds all three streams: at 1024 a document stream that passes
// the check (a Document container, its persist directory and the user edit naming
// them, at stream offsets 0, 16 and 32), a Current User atom at 2112 naming that
// edit, and a picture record at 3072.
Bytes DamagedPresentation() {
  Bytes bytes = Filler(8192);
  PutDocumentContainer(bytes, 1024, 8);
  PutHeader(bytes, 1024 + 8, 0x0000, 0x03EA, 0);  // EndDocument
  PutHeader(bytes, 1024 + 16, 0x0000, 0x1772, 8);
  PutU32At(bytes, 1024 + 24, 1 | 1 << 20);  // persist id 1, one offset
  PutU32At(bytes, 1024 + 28, 0);
  PutHeader(bytes, 1024 + 32, 0x0000, 0x0FF5, 28);
  for (size_t i = 0; i < 28; i += 4) PutU32At(bytes, 1024 + 40 + i, 0);
  PutU32At(bytes, 1024 + 40 + 12, 16);  // offsetPersistDirectory
  PutU32At(bytes, 1024 + 40 + 16, 1);   // docPersistIdRef
  PutCurrentUserAtom(bytes, 2112);
  PutU32At(bytes, 2112 + 16, 32);  // offsetToCurrentEdit
  PutPictureRecord(bytes, 3072);
  return bytes;
}

bool BeginsLikeCompoundFile(const Bytes& bytes) {
  static const Bytes kSignature = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  return bytes.size() >= 512 && std::equal(kSignature.begin(), kSignature.end(), bytes.begin());
}

struct PipelineRun : CarvingRun {
  std::string Result() const { return env.output_folder + "RecSlideIntigrated.ppt"; }
  std::string Compound() const { return W("finpicfile"); }
  bool WorkspaceGone() const { return ::access(workspace.path().c_str(), F_OK) != 0; }
  void Run(const Bytes& bytes) {
    auto file = Damaged(bytes);
    RunFastPipeline(job, *file);
  }
  std::vector<std::string>& Slides() { return view.Labels(ResultList::kSlides); }
};

// The office opens the assembled file to count and show the slides; the saved file is
// the assembled one (the office's re-save would lose what it does not model).
TEST(FastPipeline, OpensListsAndSavesTheAssembledFile) {
  PipelineRun run;
  run.office.SetSlideCount(run.Compound(), 3);
  run.Run(DamagedPresentation());

  EXPECT_EQ(run.sink.statuses,
            (std::vector<std::string>{"Analyzing Phase 1...", "Analyzing Phase 2...",
                                      "Analyzing Phase 3...", "Analyzing Phase 4...",
                                      "Checking integrity...", "Recovering Slides...",
                                      "Saving complete..."}));
  EXPECT_EQ(run.Slides(), (std::vector<std::string>{"Slide 1", "Slide 2", "Slide 3"}));
  EXPECT_NE(run.sink.log.find("    Recovered Slide 1\r\n    Recovered Slide 2\r\n"
                              "    Recovered Slide 3\r\n"),
            std::string::npos);
  EXPECT_EQ(run.sink.counters.back(), "3\\3");
  EXPECT_EQ(run.sink.last_progress, 100);
  const std::string export_folder = run.Compound() + "ff";
  EXPECT_EQ(run.office.JournalOf("Presentations.Open"),
            std::vector<std::string>{"Presentations.Open(" + run.Compound() + ", 0, 0, 0)"});
  EXPECT_EQ(run.office.JournalOf("Presentation.SaveAs"),
            (std::vector<std::string>{"Presentation.SaveAs(" + export_folder + ", 17, 1)"}));
  ASSERT_EQ(run.images.Thumbnails().size(), 3u);
  EXPECT_EQ(run.images.Thumbnails()[1].path, export_folder + "/Slide2.JPG");
  EXPECT_EQ(run.office.ApplicationsRunning(), 0);
  EXPECT_EQ(run.office.PresentationsOpen(), 0);
  EXPECT_TRUE(BeginsLikeCompoundFile(ReadAll(run.Result())));
  EXPECT_TRUE(run.WorkspaceGone());
  EXPECT_TRUE(run.sink.messages.empty());
}

TEST(FastPipeline, NoOfficeIsCriticalError008AndTheAssembledFileIsSaved) {
  for (bool office_installed : {false, true}) {
    PipelineRun run;
    if (office_installed)
      run.office.FailEveryCreation();
    else
      run.env.office = nullptr;
    run.Run(DamagedPresentation());
    EXPECT_TRUE(run.sink.HasMessage(CriticalErrorText(8)));
    EXPECT_TRUE(BeginsLikeCompoundFile(ReadAll(run.Result())));
    EXPECT_EQ(run.sink.statuses.back(), "Saving complete...");
    EXPECT_TRUE(run.Slides().empty());
    EXPECT_TRUE(run.WorkspaceGone());
  }
}

// An office that crashes while it exports is restarted once and the slides are
// rendered on the fresh one; a second crash leaves the slides unrendered but the
// checked file is still saved, and the run is partial, not a success.
TEST(FastPipeline, CrashedOfficeIsRestartedOnceAndTheCheckedFileIsSavedEitherWay) {
  for (int crashes : {1, 2}) {
    SCOPED_TRACE(crashes);
    TakeOfficeFaults();
    PipelineRun run;
    run.office.SetSlideCount(run.Compound(), 2);
    for (int n = 1; n <= crashes; ++n) run.office.CrashAt("Presentation.SaveAs", n);
    run.Run(DamagedPresentation());

    EXPECT_EQ(run.office.ApplicationsCreated(), 2) << "one restart, never a second";
    EXPECT_EQ(run.office.ApplicationsRunning(), 0);
    EXPECT_TRUE(BeginsLikeCompoundFile(ReadAll(run.Result())));
    EXPECT_TRUE(run.WorkspaceGone());
    const std::optional<OfficeFaultSummary> faults = TakeOfficeFaults();
    ASSERT_TRUE(faults.has_value());
    EXPECT_EQ(faults->first, "the office crashed");
    if (crashes == 1) {
      EXPECT_EQ(run.Slides(), (std::vector<std::string>{"Slide 1", "Slide 2"}));
      EXPECT_FALSE(faults->lost);
    } else {
      EXPECT_TRUE(run.Slides().empty());
      EXPECT_TRUE(faults->lost);
      EXPECT_NE(run.sink.log.find("The office failed"), std::string::npos);
      EXPECT_EQ(run.sink.log.find("The office did not open"), std::string::npos)
          << "a crash says nothing against the file";
    }
  }
}

// A file the office does not open is not handed over as the result.
TEST(FastPipeline, OpenFailureListsAndSavesNothingAndLeavesNoOfficeRunning) {
  PipelineRun run;
  run.office.FailEveryOpen();
  run.Run(DamagedPresentation());
  EXPECT_TRUE(run.sink.messages.empty()) << "automation errors end the section quietly";
  EXPECT_TRUE(run.Slides().empty());
  EXPECT_TRUE(run.office.JournalOf("Presentation.SaveAs").empty());
  EXPECT_EQ(::access(run.Result().c_str(), F_OK), -1);
  EXPECT_NE(run.sink.log.find("The office did not open"), std::string::npos);
  EXPECT_EQ(run.office.ApplicationsRunning(), 0);
  EXPECT_TRUE(run.WorkspaceGone());
}

// A carve whose document does not pass the check is never saved, even when the office
// would open it: the user would get blank or wrong slides reported as a success.
TEST(FastPipeline, CarveThatDoesNotVerifyIsNotSaved) {
  PipelineRun run;
  Bytes bytes = Filler(8192);
  PutDocumentContainer(bytes, 1024, 500);  // no persist directory, no user edit
  PutPictureRecord(bytes, 3072);
  run.office.SetSlideCount(run.Compound(), 3);
  run.Run(bytes);
  EXPECT_TRUE(run.Slides().empty());
  EXPECT_TRUE(run.office.JournalOf("Presentations.Open").empty());
  EXPECT_EQ(::access(run.Result().c_str(), F_OK), -1);
  EXPECT_NE(run.sink.log.find("not verified"), std::string::npos) << run.sink.log;
  EXPECT_TRUE(run.WorkspaceGone());
}

// A Current User that names no edit of the document is rebuilt to name the newest one.
TEST(FastPipeline, StaleCurrentUserIsRebuiltFromTheNewestEdit) {
  PipelineRun run;
  run.env.office = nullptr;
  Bytes bytes = DamagedPresentation();
  PutU32At(bytes, 2112 + 16, 999);  // names nothing
  run.Run(bytes);
  EXPECT_NE(run.sink.log.find("Current User rebuilt"), std::string::npos) << run.sink.log;
  EXPECT_TRUE(BeginsLikeCompoundFile(ReadAll(run.Result())));
}

// The file's own Current User (its header token set) names an edit past the end of the
// carved stream while the file goes on well past where that edit would lie: the carve
// holds an older save or another file's stream, and is not handed over as the user's.
// Where the file ends before that place, the edit was cut off with it: the newest edit
// the stream holds stands in, and the Current User is rebuilt.
TEST(FastPipeline, CarveEndingBeforeTheGenuineCurrentUsersEditIsStaleUnlessTheFileWasCut) {
  for (const uint32_t named : {999u, 8000u}) {
    PipelineRun run;
    run.env.office = nullptr;
    Bytes bytes = DamagedPresentation();
    PutU32At(bytes, 2112 + 12, 0xE391C05F);  // headerToken
    PutU32At(bytes, 2112 + 16, named);
    run.Run(bytes);
    const bool cut = named == 8000u;  // 1024 + 8000 lies past the file's 8192 bytes
    EXPECT_EQ(::access(run.Result().c_str(), F_OK) == 0, cut) << named;
    EXPECT_EQ(run.sink.log.find("past the end of this stream") != std::string::npos, !cut)
        << run.sink.log;
    EXPECT_EQ(run.sink.log.find("Current User rebuilt") != std::string::npos, cut) << run.sink.log;
  }
}

// A later save that was cut short follows the newest whole edit: the office would read
// its records as part of the presentation and show the slides empty, so the saved
// document stream ends with that edit.
TEST(FastPipeline, BytesAfterTheNewestWholeEditAreLeftOut) {
  if (!OlefileAvailable()) GTEST_SKIP() << "python3-olefile is not installed";
  PipelineRun run;
  run.env.office = nullptr;
  Bytes bytes = DamagedPresentation();
  PutDocumentContainer(bytes, 1024 + 68, 400);  // runs past what is left of it
  run.Run(bytes);
  EXPECT_NE(run.sink.log.find("after the newest whole user edit left out"), std::string::npos)
      << run.sink.log;
  const ReaderResult read = ReadWithOlefile(run.Result());
  ASSERT_TRUE(read.ok) << read.complaint;
  const std::vector<unsigned char>& document = read.streams.at("PowerPoint Document");
  ASSERT_EQ(document.size(), 68u);
  EXPECT_TRUE(std::equal(document.begin(), document.end(), bytes.begin() + 1024));
}

TEST(FastPipeline, VersionWithAn8ShowsThePlaceholderForEverySlide) {
  PipelineRun run;
  run.office.SetVersion("8.0");
  run.office.SetMissingExport(true);
  run.office.SetSlideCount(run.Compound(), 2);
  run.Run(DamagedPresentation());
  EXPECT_EQ(run.Slides(), (std::vector<std::string>{"Slide 1", "Slide 2"}));
  EXPECT_EQ(run.view.last_bitmap.at(0, 0), StubImageToolkit::kPlaceholderColour);
  EXPECT_NE(run.sink.log.find("    Recovered Slide 2\r\n"), std::string::npos);
}

TEST(FastPipeline, SlideWhoseImageIsMissingGetsNoItemAndNoLogLine) {
  PipelineRun run;
  run.office.SetMissingExport(true);
  run.office.SetSlideCount(run.Compound(), 2);
  run.Run(DamagedPresentation());
  EXPECT_TRUE(run.Slides().empty());
  EXPECT_EQ(run.sink.log.find("Recovered Slide"), std::string::npos);
  EXPECT_EQ(run.office.JournalOf("Presentation.SaveAs").size(), 1u);
}

// Asks to stop while the first slide's thumbnail is made.
class StoppingToolkit : public StubImageToolkit {
 public:
  explicit StoppingToolkit(StopFlag& stop) : stop_(stop) {}
  std::optional<Bitmap> MakeThumbnail(const std::string& path, int width, int height) override {
    stop_ = true;
    return StubImageToolkit::MakeThumbnail(path, width, height);
  }

 private:
  StopFlag& stop_;
};

TEST(FastPipeline, StopInTheSlideLoopKeepsThumbnailsAndStillClosesTheOffice) {
  PipelineRun run;
  StoppingToolkit toolkit(run.stop);
  RunEnvironment env{run.sink,      run.trace,   run.stop, run.workspace,         run.view, toolkit,
                     run.templates, &run.office, nullptr,  run.env.output_folder, "Rec"};
  RecoveryJob job(env);
  run.office.SetSlideCount(run.Compound(), 4);
  auto file = run.Damaged(DamagedPresentation());
  RunFastPipeline(job, *file);
  EXPECT_EQ(run.Slides(), std::vector<std::string>{"Slide 1"});
  EXPECT_EQ(run.office.CallCount("Presentation.Close"), 1);
  EXPECT_EQ(run.office.ApplicationsRunning(), 0);
  EXPECT_TRUE(run.WorkspaceGone());
  EXPECT_EQ(::access((run.Compound() + "ff").c_str(), F_OK), -1);
}

TEST(FastPipeline, NothingIsSavedWhenNoDocumentStreamWasFound) {
  PipelineRun run;
  run.env.office = nullptr;
  Bytes bytes = Filler(4096);
  PutPictureRecord(bytes, 512);
  run.Run(bytes);
  EXPECT_EQ(::access(run.Result().c_str(), F_OK), -1);
  EXPECT_TRUE(run.WorkspaceGone());
}

}  // namespace
}  // namespace vlx::testing
