#include "engine/office/text_slide_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "tests/stages/stage_run.h"

namespace vlx::testing {
namespace {

using Lines = std::vector<std::string>;

class WriteTextSlidesTest : public ::testing::Test {
 protected:
  void SetUp() override { run.dir.Write("w/vlxppt", {0xD0, 0xCF, 0x11, 0xE0}); }

  void AddByteText(int64_t slide, const std::string& text) {
    Group().byte_texts.push_back({text, slide});
  }
  void AddCharText(int64_t slide, const std::string& text) {
    Group().char_texts.push_back({text, slide});
  }
  SlideTextGroup& Group() {
    if (run.job.texts.groups.empty()) run.job.texts.groups.emplace_back();
    return run.job.texts.groups.front();
  }
  const Lines& DataSlides() { return run.view.Labels(ResultList::kDataSlides); }
  std::string CopyPath() const { return run.W("copy2"); }

  StageRun run;
};

TEST_F(WriteTextSlidesTest, LabelsCountItemsNotSlideNumbers) {
  AddByteText(2, "two");
  AddByteText(5, "five");
  WriteTextSlides(run.job);
  EXPECT_EQ(DataSlides(), (Lines{"Data Slide1", "Data Slide2"}));
  EXPECT_EQ(run.sink.log,
            "Writing Slide data................\r\n"
            "      Recovered Data Slide 1\r\n"
            "      Recovered Data Slide 2\r\n");
  EXPECT_EQ(run.office.CallCount("Presentations.Open"), 2);
  EXPECT_EQ(run.sink.progress_calls, 1 + 5) << "every slide number costs a progress step";
  EXPECT_EQ(run.sink.last_progress, 100);
  const auto thumbnails = run.images.Thumbnails();
  ASSERT_EQ(thumbnails.size(), 2u);
  EXPECT_EQ(thumbnails[0].path, run.W("vlximg/Slide1.JPG"));
  EXPECT_EQ(thumbnails[0].width, 170);
  EXPECT_EQ(thumbnails[0].height, 120);
}

TEST_F(WriteTextSlidesTest, OneTextLosesTrailingWhiteSpaceAndGoesIntoTheBody) {
  AddCharText(1, "Only text \r\n\t ");
  WriteTextSlides(run.job);
  EXPECT_EQ(run.office.JournalOf("Slide"),
            (Lines{"Slides.Add(1, 2)", "Slides.Item(1)", "Slide.Shapes()"}));
  EXPECT_EQ(run.office.JournalOf("Shapes.Item"), (Lines{"Shapes.Item(2)"}));
  EXPECT_EQ(run.office.JournalOf("TextRange.Text"), (Lines{"TextRange.Text(Only text)"}));
}

TEST_F(WriteTextSlidesTest, SeveralTextsFillTitleAndBodyKeepingWhiteSpace) {
  AddCharText(1, "char text");
  AddByteText(1, "Title \r");
  AddByteText(1, "Body ");
  WriteTextSlides(run.job);
  EXPECT_EQ(run.office.JournalOf("Shapes.Item"), (Lines{"Shapes.Item(1)", "Shapes.Item(2)"}));
  EXPECT_EQ(run.office.JournalOf("TextRange.Text"),
            (Lines{"TextRange.Text(Title \r)", "TextRange.Text(Body )"}));
}

TEST_F(WriteTextSlidesTest, EachSlideStartsFromAFreshCopyThatIsNeverSaved) {
  run.dir.Write("w/copy2", {9, 9, 9, 9, 9, 9});
  AddByteText(1, "a");
  AddByteText(2, "b");
  WriteTextSlides(run.job);
  EXPECT_EQ(ReadAll(CopyPath()), ReadAll(run.W("vlxppt")));
  EXPECT_EQ(run.office.JournalOf("Presentations.Open"),
            (Lines{"Presentations.Open(" + CopyPath() + ", 0, 0, 0)",
                   "Presentations.Open(" + CopyPath() + ", 0, 0, 0)"}));
  EXPECT_EQ(run.office.JournalOf("Presentation.SaveAs"),
            (Lines{"Presentation.SaveAs(" + run.W("vlximg") + ", 17, 1)",
                   "Presentation.SaveAs(" + run.W("vlximg") + ", 17, 1)"}));
  EXPECT_EQ(run.office.PresentationsOpen(), 0);
}

TEST_F(WriteTextSlidesTest, EmptyStoreStillStartsAndEndsBothOffices) {
  AddByteText(0, "slide zero is never written");
  WriteTextSlides(run.job);
  EXPECT_EQ(run.office.CallCount("Presentations.Open"), 0);
  EXPECT_EQ(run.office.ApplicationsCreated(), 2);
  EXPECT_EQ(
      run.office.JournalOf("Application#"),
      (Lines{"Application#2.Presentations()", "Application#1.Quit()", "Application#2.Quit()"}));
  EXPECT_TRUE(DataSlides().empty());
}

TEST_F(WriteTextSlidesTest, FirstOfficeFailingShowsError015AndStops) {
  AddByteText(1, "a");
  run.office.FailCreation(1);
  WriteTextSlides(run.job);
  EXPECT_EQ(run.Messages(),
            (Lines{"Critical Error 015 has occured. Please restart the application."}));
  EXPECT_EQ(run.sink.maximised, 1);
  EXPECT_EQ(run.office.CallCount("Server.CreateApplication"), 1);
  EXPECT_EQ(run.Checkpoints(), (std::vector<int>{72, 73, 74, 75, 76}));
}

TEST_F(WriteTextSlidesTest, SecondOfficeFailingShowsError016AndEndsTheFirst) {
  AddByteText(1, "a");
  run.office.FailCreation(2);
  WriteTextSlides(run.job);
  EXPECT_EQ(run.Messages(),
            (Lines{"Critical Error 016 has occured. Please restart the application."}));
  EXPECT_EQ(run.office.ApplicationsRunning(), 0) << "the first office must not be left running";
  EXPECT_TRUE(DataSlides().empty());
}

TEST_F(WriteTextSlidesTest, NoOfficeOnThisMachineIsACreationFailure) {
  run.env.office = nullptr;
  AddByteText(1, "a");
  WriteTextSlides(run.job);
  EXPECT_EQ(run.Messages(),
            (Lines{"Critical Error 015 has occured. Please restart the application."}));
}

TEST_F(WriteTextSlidesTest, VersionEightShowsTheStockBitmapWithoutExporting) {
  run.office.SetVersion("8.0");
  AddByteText(1, "a");
  AddByteText(2, "b");
  WriteTextSlides(run.job);
  EXPECT_EQ(run.office.CallCount("Presentation.SaveAs"), 0);
  EXPECT_EQ(DataSlides(), (Lines{"Data Slide1", "Data Slide2"}));
  EXPECT_EQ(run.view.last_bitmap.width, 350);
  EXPECT_EQ(run.view.last_bitmap.at(0, 0), StubImageToolkit::kStockColour);
}

TEST_F(WriteTextSlidesTest, MissingExportGivesNoItemAndNoLogLine) {
  run.office.SetMissingExport(true);
  AddByteText(1, "a");
  WriteTextSlides(run.job);
  EXPECT_TRUE(DataSlides().empty());
  EXPECT_EQ(run.sink.log, "Writing Slide data................\r\n");
}

TEST_F(WriteTextSlidesTest, AFailedExportNeverShowsThePreviousSlidesPicture) {
  run.office.FailCall("Presentation.SaveAs", 2);
  AddByteText(1, "a");
  AddByteText(2, "b");
  AddByteText(3, "c");
  WriteTextSlides(run.job);
  EXPECT_EQ(DataSlides(), (Lines{"Data Slide1", "Data Slide2"}));
  EXPECT_EQ(run.office.CallCount("Presentation.Close"), 3) << "close follows a failed export";
}

TEST_F(WriteTextSlidesTest, AnOfficeErrorInTheMiddleSkipsThatSlideOnly) {
  run.office.FailCall("Slides.Add", 2);
  AddByteText(1, "a");
  AddByteText(2, "b");
  AddByteText(3, "c");
  WriteTextSlides(run.job);
  EXPECT_EQ(DataSlides(), (Lines{"Data Slide1", "Data Slide2"}));
  EXPECT_EQ(run.office.CallCount("Presentations.Open"), 3);
  EXPECT_EQ(run.office.PresentationsOpen(), 0) << "the failed slide's presentation is closed";
  EXPECT_EQ(run.office.ApplicationsRunning(), 0);
}

TEST_F(WriteTextSlidesTest, OpenFailingForEverySlideListsNothingAndEndsTheOffices) {
  run.office.FailEveryOpen();
  AddByteText(1, "a");
  AddByteText(2, "b");
  WriteTextSlides(run.job);
  EXPECT_TRUE(DataSlides().empty());
  EXPECT_EQ(run.office.CallCount("Presentations.Open"), 2);
  EXPECT_EQ(run.office.ApplicationsRunning(), 0);
}

TEST_F(WriteTextSlidesTest, WritesEveryCheckpointInOrder) {
  AddByteText(1, "one");
  AddByteText(3, "title");
  AddCharText(3, "body");
  WriteTextSlides(run.job);
  const std::vector<int> expected = {72, 73, 74, 75, 77, 78, 79, 80, 81, 82,
                                     83, 84, 85, 86, 86, 91, 92, 93, 94, 95,  // slide 1
                                     84,                                      // slide 2: no text
                                     84, 87, 88, 89, 90, 91, 92, 93, 94, 95,  // slide 3
                                     96, 97, 98};
  EXPECT_EQ(run.Checkpoints(), expected);
}

TEST_F(WriteTextSlidesTest, TraceOffWritesNoCheckpoint) {
  run.trace.set_enabled(false);
  AddByteText(1, "one");
  WriteTextSlides(run.job);
  EXPECT_FALSE(std::filesystem::exists(run.trace.path()));
}

// Sets the stop request as soon as the first data slide is logged.
class StoppingSink : public RecordingSink {
 public:
  explicit StoppingSink(StopFlag& stop) : stop_(stop) {}
  void AppendLog(const std::string& text) override {
    RecordingSink::AppendLog(text);
    if (text.find("Recovered Data Slide 1") != std::string::npos) stop_ = true;
  }

 private:
  StopFlag& stop_;
};

TEST_F(WriteTextSlidesTest, StopRequestIsReadOnceAtTheStartOfEachSlideNumber) {
  StoppingSink sink(run.stop);
  RunEnvironment env{sink,          run.trace,   run.stop, run.workspace,  run.view, run.images,
                     run.templates, &run.office, nullptr,  run.dir.path(), "Rec"};
  RecoveryJob job(env);
  job.texts.groups.push_back({{{"a", 1}, {"b", 2}, {"c", 3}}, {}});
  WriteTextSlides(job);
  EXPECT_EQ(run.office.CallCount("Presentations.Open"), 1);
  EXPECT_EQ(run.view.Labels(ResultList::kDataSlides), (Lines{"Data Slide1"}));
  EXPECT_EQ(run.office.ApplicationsRunning(), 0);
  const auto checkpoints = run.Checkpoints();
  EXPECT_EQ(std::count(checkpoints.begin(), checkpoints.end(), 84), 2);
  EXPECT_EQ(checkpoints.back(), 98);
}

TEST_F(WriteTextSlidesTest, StopBeforeTheLoopOpensNothing) {
  run.stop = true;
  AddByteText(1, "a");
  WriteTextSlides(run.job);
  EXPECT_EQ(run.office.CallCount("Presentations.Open"), 0);
  EXPECT_EQ(run.office.CallCount("Application.Quit"), 2);
}

}  // namespace
}  // namespace vlx::testing
