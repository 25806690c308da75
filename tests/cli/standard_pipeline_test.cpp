#include "engine/run/standard_pipeline.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "automation/testing/scripted_office.h"
#include "automation/testing/stub_image_toolkit.h"
#include "engine/rebuild/master_candidate.h"
#include "tests/support/recording_sink.h"
#include "tests/support/recording_view.h"
#include "tests/support/temp_dir.h"

namespace vlx {
namespace {

using testing::ReadAll;

const std::string kSample = std::string(VLX_SOURCE_DIR) + "/samples/damaged-sample.ppt";

// Stands in for the master-slide selection: takes the default/default trial, or
// cancels; may press stop while it is open.
class ScriptedChoice : public MasterSlideDialog {
 public:
  std::optional<MasterChoice> Run(RecoveryJob& job, DamagedFile&) override {
    ++runs;
    if (stop_while_open) job.env.stop.store(true);
    if (cancel) return std::nullopt;
    return MasterChoice{};
  }
  int runs = 0;
  bool cancel = false;
  bool stop_while_open = false;
};

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

// True when every item of wanted appears in seen, in this order.
bool InOrder(const std::vector<std::string>& seen, const std::vector<std::string>& wanted) {
  size_t next = 0;
  for (const std::string& s : seen) {
    if (next < wanted.size() && s == wanted[next]) ++next;
  }
  return next == wanted.size();
}

class StandardPipelineTest : public ::testing::Test {
 protected:
  void SetUp() override { ::mkdir(temp_.File("out").c_str(), 0700); }

  void RunPipeline() {
    auto file = DamagedFile::Open(kSample);
    ASSERT_TRUE(file);
    RecoveryJob job(env_);
    RunStandardPipeline(job, *file);
    drawings_found_ = job.drawings.size();
  }

  // The trace's checkpoint numbers, in order.
  std::vector<std::string> Checkpoints() const {
    const std::vector<unsigned char> bytes = ReadAll(temp_.File("trace.log"));
    std::string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) text += static_cast<char>(bytes[i]);
    std::vector<std::string> numbers;
    for (size_t at = text.find("SUCC "); at != std::string::npos; at = text.find("SUCC ", at + 1)) {
      numbers.push_back(text.substr(at + 5, text.find('\r', at) - at - 5));
    }
    return numbers;
  }

  std::string Deck() const { return temp_.File("out/RecSlide.ppt"); }

  testing::TempDir temp_;
  testing::RecordingSink sink_;
  TraceLog trace_{temp_.File("trace.log"), true};
  StopFlag stop_{false};
  Workspace workspace_ = Workspace::At(temp_.File("work"));
  testing::RecordingView view_;
  testing::StubImageToolkit images_;
  testing::ScriptedOffice office_;
  ScriptedChoice choice_;
  TemplateRecords templates_ = PristineTemplates();
  RunEnvironment env_{sink_,      trace_,   stop_,    workspace_,         view_, images_,
                      templates_, &office_, &choice_, temp_.File("out/"), "Rec"};
  size_t drawings_found_ = 0;
};

TEST_F(StandardPipelineTest, StagesRunInOrderAndTheDeckIsSaved) {
  RunPipeline();
  EXPECT_EQ(sink_.log.rfind("Repairing phase 1................\r\n"
                            "Finding All Possible Slide Data ................\r\n"
                            "Finding All Pictures , clipart objects ................\r\n",
                            0),
            0u)
      << sink_.log;
  EXPECT_NE(sink_.log.find("Finding All Slide data................\r\n"), std::string::npos);
  EXPECT_TRUE(InOrder(sink_.statuses, {"searching for images...", "searching for slides...",
                                       "searching for text...", "searching for master slide...",
                                       "Writing text data in slide...",
                                       "Writing objects data in slide...", "Saving complete..."}));
  EXPECT_TRUE(InOrder(Checkpoints(), {"0008", "0009", "0010", "0014", "0015", "0016", "0017",
                                      "0066", "0067", "0071", "0072", "0099", "00100"}));
  EXPECT_EQ(choice_.runs, 1);
  EXPECT_GE(drawings_found_, 3u);
  EXPECT_GE(view_.Count(ResultList::kSlides), 3) << "one preview per rebuilt drawing";
  EXPECT_TRUE(Exists(Deck()));
  EXPECT_EQ(office_.ApplicationsRunning(), 0) << "the held office is quit at the end";
}

TEST_F(StandardPipelineTest, CancelledChoiceEndsTheRunWithNothingSaved) {
  choice_.cancel = true;
  RunPipeline();
  EXPECT_EQ(choice_.runs, 1);
  EXPECT_EQ(sink_.statuses.back(), "searching for master slide...");
  EXPECT_FALSE(InOrder(Checkpoints(), {"0066"}));
  EXPECT_FALSE(Exists(Deck()));
  EXPECT_EQ(office_.ApplicationsRunning(), 0) << "the office that rendered the own deck is quit";
}

TEST_F(StandardPipelineTest, StopDuringTheScansLetsThemFinishButShowsNoChoice) {
  stop_.store(true);
  RunPipeline();
  EXPECT_GE(drawings_found_, 3u) << "the scans do not look at the stop flag";
  EXPECT_TRUE(InOrder(Checkpoints(), {"0014", "0017"}));
  EXPECT_EQ(choice_.runs, 0);
  EXPECT_FALSE(Exists(Deck()));
}

TEST_F(StandardPipelineTest, StopInTheChoiceEndsAfterTheChosenMasterIsApplied) {
  choice_.stop_while_open = true;
  RunPipeline();
  const std::vector<std::string> checkpoints = Checkpoints();
  EXPECT_TRUE(InOrder(checkpoints, {"0066", "0067"}));
  EXPECT_FALSE(InOrder(checkpoints, {"0072"}));
  EXPECT_FALSE(InOrder(sink_.statuses, {"Writing text data in slide..."}));
  EXPECT_FALSE(Exists(Deck()));
}

TEST_F(StandardPipelineTest, WithoutAnOfficeTheDeckIsStillSaved) {
  env_.office = nullptr;
  RunPipeline();
  EXPECT_TRUE(sink_.HasMessage("Critical Error 033 has occured. Please restart the application."));
  EXPECT_TRUE(Exists(Deck()));
  EXPECT_EQ(sink_.statuses.back(), "Saving complete...");
}

TEST_F(StandardPipelineTest, ADeckThatCouldNotBeSavedIsNeverCalledSaved) {
  ::rmdir(temp_.File("out").c_str());  // the save has nowhere to go
  RunPipeline();
  EXPECT_FALSE(Exists(Deck()));
  EXPECT_EQ(sink_.statuses.back(), "No presentation saved");
  EXPECT_EQ(std::count(sink_.statuses.begin(), sink_.statuses.end(), "Saving complete..."), 0);
}

}  // namespace
}  // namespace vlx
