#include "engine/run/standard_pipeline.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "automation/testing/scripted_office.h"
#include "automation/testing/stub_image_toolkit.h"
#include "engine/rebuild/master_candidate.h"
#include "engine/salvage/presentation_check.h"
#include "tests/storage/compound_readers.h"
#include "tests/support/corpus.h"
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
    own_offered = job.own_masters_preview.has_value();
    own_first = job.own_masters_first;
    if (stop_while_open) job.env.stop.store(true);
    if (cancel) return std::nullopt;
    MasterChoice choice;
    choice.own_masters = take_own && own_offered;
    return choice;
  }
  int runs = 0;
  bool cancel = false;
  bool stop_while_open = false;
  bool take_own = false;  // the presentation's own masters, when they are offered
  bool own_offered = false;
  bool own_first = false;
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

  void RunPipeline(const std::string& input = kSample) {
    auto file = DamagedFile::Open(input);
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

namespace vlx {
namespace {

// The corpus file with its n-th slide's first atom made to overrun the slide: the
// slide's records are no longer whole, every other byte is as it was.
std::string DamagedSlideCopy(const testing::TempDir& temp, const std::string& name, int n) {
  std::vector<unsigned char> bytes = ReadAll(CorpusPath("healthy/" + name));
  const unsigned char slide[] = {0x0F, 0x00, 0xEE, 0x03};
  auto at = bytes.begin();
  for (int seen = 0; seen < n; ++seen)
    at = std::search(seen == 0 ? at : at + 1, bytes.end(), std::begin(slide), std::end(slide));
  EXPECT_NE(at, bytes.end());
  if (at != bytes.end()) *(at + 12 + 2) = 0x7F;  // the first child's length
  return temp.Write(name, bytes);
}

// The Document stream of a saved deck, checked as the run checks its candidates.
salvage::PresentationCheck CheckSavedDeck(const testing::TempDir& temp, const std::string& deck) {
  const testing::ReaderResult read = testing::ReadWithOlefile(deck);
  EXPECT_TRUE(read.ok) << read.complaint;
  const std::string document = temp.Write("saved-document", read.streams.at("PowerPoint Document"));
  auto file = DamagedFile::Open(document);
  std::vector<uint8_t> user(read.streams.at("Current User").begin(),
                            read.streams.at("Current User").end());
  return salvage::CheckPresentation(*file, &user);
}

class OwnRecordsDeckTest : public StandardPipelineTest {
 protected:
  void SetUp() override {
    StandardPipelineTest::SetUp();
    if (!CorpusAvailable()) GTEST_SKIP() << "test corpus not found at " VLX_CORPUS_DIR;
    if (!testing::OlefileAvailable()) GTEST_SKIP() << "python3-olefile is not installed";
    choice_.take_own = true;
  }
};

TEST_F(OwnRecordsDeckTest, DamagedSlideComesBackFromItsTextsAndEverythingElseKeepsItsBytes) {
  const std::string input = DamagedSlideCopy(temp_, "42486.ppt", 3);
  office_.SetSlideCount(workspace_.File("own-records.ppt"), 33);
  RunPipeline(input);

  EXPECT_TRUE(choice_.own_offered && choice_.own_first) << sink_.log;
  ASSERT_TRUE(Exists(Deck())) << sink_.log;
  EXPECT_NE(sink_.log.find("1 damaged slide(s) rebuilt from their slide-list texts"),
            std::string::npos)
      << sink_.log;
  EXPECT_EQ(view_.Count(ResultList::kSlides), 33);
  const salvage::PresentationCheck check = CheckSavedDeck(temp_, Deck());
  EXPECT_TRUE(check.verified) << check.failure;
  EXPECT_TRUE(check.current_user_names_edit);
  EXPECT_EQ(check.slides, 33) << "the damaged slide keeps its place";
  // The streams the damage did not touch come back byte for byte.
  const testing::StreamMap original =
      testing::ReadWithOlefile(CorpusPath("healthy/42486.ppt")).streams;
  const testing::StreamMap saved = testing::ReadWithOlefile(Deck()).streams;
  for (const auto& [name, bytes] : original) {
    if (name == "PowerPoint Document" || name == "Current User") continue;
    ASSERT_EQ(saved.count(name), 1u) << name;
    EXPECT_TRUE(saved.at(name) == bytes) << name;
  }
  EXPECT_EQ(office_.ApplicationsRunning(), 0);
}

TEST_F(OwnRecordsDeckTest, WholeStreamsAreSavedAsTheyWere) {
  const std::string input = temp_.Write("whole.ppt", ReadAll(CorpusPath("healthy/SampleShow.ppt")));
  RunPipeline(input);
  ASSERT_TRUE(Exists(Deck())) << sink_.log;
  const testing::StreamMap original = testing::ReadWithOlefile(input).streams;
  const testing::StreamMap saved = testing::ReadWithOlefile(Deck()).streams;
  EXPECT_TRUE(saved.at("PowerPoint Document") == original.at("PowerPoint Document"));
  EXPECT_TRUE(saved.at("Current User") == original.at("Current User"));
  EXPECT_TRUE(CheckSavedDeck(temp_, Deck()).verified);
}

TEST_F(OwnRecordsDeckTest, PresentationWithoutSlidesComesBackWithItsMasterDamaged) {
  // The corpus's empty presentation lists no slide; its master's first child is made to
  // overrun the master, so the Document stream is rebuilt.
  std::vector<unsigned char> bytes = ReadAll(CorpusPath("healthy/empty.ppt"));
  const unsigned char master[] = {0x0F, 0x00, 0xF8, 0x03};
  auto at = std::search(bytes.begin(), bytes.end(), std::begin(master), std::end(master));
  ASSERT_NE(at, bytes.end());
  *(at + 12 + 2) = 0x7F;
  const std::string input = temp_.Write("empty.ppt", bytes);
  RunPipeline(input);

  EXPECT_TRUE(choice_.own_offered) << sink_.log;
  EXPECT_NE(sink_.log.find("own records give a deck of 0 slide(s)"), std::string::npos)
      << sink_.log;
  ASSERT_TRUE(Exists(Deck())) << sink_.log;
  const salvage::PresentationCheck check = CheckSavedDeck(temp_, Deck());
  EXPECT_TRUE(check.verified) << check.failure;
  EXPECT_EQ(check.slides, 0);
}

TEST_F(OwnRecordsDeckTest, DeckThatLostMostSlidesIsListedAfterTheFoundMasters) {
  // Both slides of the copy are damaged: the own deck, if any, keeps none of them.
  std::string input = DamagedSlideCopy(temp_, "SampleShow.ppt", 1);
  std::vector<unsigned char> bytes = ReadAll(input);
  const unsigned char slide[] = {0x0F, 0x00, 0xEE, 0x03};
  auto second = std::search(bytes.begin(), bytes.end(), std::begin(slide), std::end(slide));
  second = std::search(second + 1, bytes.end(), std::begin(slide), std::end(slide));
  ASSERT_NE(second, bytes.end());
  *(second + 14) = 0x7F;
  // Without text headers no slide can be rebuilt from its slide-list texts either.
  const unsigned char header[] = {0x9F, 0x0F};
  for (auto at = std::search(bytes.begin(), bytes.end(), std::begin(header), std::end(header));
       at != bytes.end();
       at = std::search(at + 2, bytes.end(), std::begin(header), std::end(header)))
    *at = 0x90;
  input = temp_.Write("SampleShow.ppt", bytes);
  RunPipeline(input);
  EXPECT_FALSE(choice_.own_offered && choice_.own_first) << sink_.log;
  EXPECT_TRUE(Exists(Deck())) << "the rebuild from the found drawings still saves a deck";
}

}  // namespace
}  // namespace vlx
