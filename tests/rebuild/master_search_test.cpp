#include "engine/rebuild/master_search.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "engine/format/workspace_files.h"
#include "engine/rebuild/automatic_master_dialog.h"
#include "tests/rebuild/record_builder.h"
#include "tests/stages/stage_run.h"

namespace vlx {
namespace {

using testing::Filled;
using testing::Put;
using testing::Record;

class RecordingObserver : public MasterSearchObserver {
 public:
  void SetTrialLabel(const std::string& text) override { trial_labels.push_back(text); }
  void SetListLabel(const std::string& text) override { list_labels.push_back(text); }
  void SetProgress(int percent) override {
    if (percent < 0 || percent > 100) progress_out_of_range = true;
    last_progress = percent;
  }
  void AddItem(const MasterCandidate& candidate, const Bitmap&, const std::string& label) override {
    items.push_back(label);
    indexes.push_back(candidate.index);
  }
  std::vector<std::string> trial_labels, list_labels, items;
  std::vector<int> indexes;
  int last_progress = -1;
  bool progress_out_of_range = false;
};

// A main master: its SlideAtom, then an atom of `filler` bytes.
std::vector<uint8_t> Master(size_t filler) {
  std::vector<uint8_t> body = Record(0x0002, 0x03EF, Filled(24, 0));
  const auto rest = Record(0x0000, 0x0FF2, Filled(filler, 0));
  body.insert(body.end(), rest.begin(), rest.end());
  return Record(0x000F, 0x03F8, body);
}

// A blip store of `entries` empty entries.
std::vector<uint8_t> Store(int entries) {
  std::vector<uint8_t> body;
  for (int i = 0; i < entries; ++i) {
    const auto entry = Record(0x0002, 0xF007, Filled(36, 0));
    body.insert(body.end(), entry.begin(), entry.end());
  }
  return Record(static_cast<uint16_t>(0x000F | entries << 4), 0xF001, body);
}

// A damaged file with `masters` main masters and `stores` blip stores.
class MasterSearchTest : public ::testing::Test {
 protected:
  void Make(int masters, int stores) {
    std::vector<uint8_t> bytes = Filled(20000, 0);
    for (int i = 0; i < masters; ++i) {
      const auto master = Master(static_cast<size_t>(52 + i));
      Put(bytes, 1000 + 3000 * i, master);
      run_.job.main_masters.Append(1000 + 3000 * i, static_cast<int64_t>(master.size() - 8));
    }
    for (int i = 0; i < stores; ++i) {
      const auto store = Store(i + 1);
      Put(bytes, 10000 + 1000 * i, store);
      run_.job.blip_stores.Append(10000 + 1000 * i, static_cast<int64_t>(store.size() - 8));
    }
    file_ = DamagedFile::Open(run_.dir.Write("damaged.ppt", bytes));
    run_.job.file_length = file_->GetLength();
    run_.dir.Write("w/vlxpicfile", {});
  }

  MasterSearchResult Search() {
    TrialPreview preview = [this](RecoveryJob&, const std::string& path) -> std::optional<Bitmap> {
      EXPECT_EQ(path, run_.W(kRebuiltCompoundFile));
      ++previews_;
      if (stop_after_ > 0 && previews_ >= stop_after_) run_.stop = true;
      if (previews_ <= failing_previews_) return std::nullopt;
      return testing::SolidBitmap(170, 120, 0xFF123456);
    };
    MasterSlideSearch search(run_.job, *file_, observer_, run_.stop, preview);
    return search.SearchMasterSlides();
  }

  testing::StageRun run_;
  std::unique_ptr<DamagedFile> file_;
  RecordingObserver observer_;
  int previews_ = 0;
  int failing_previews_ = 0;
  int stop_after_ = 0;
};

TEST_F(MasterSearchTest, TwoMastersAndThreeStoresGiveSixTrialsInMasterMajorOrder) {
  Make(2, 3);
  const MasterSearchResult result = Search();
  EXPECT_EQ(result.kind, CandidateKind::kFoundMasterFoundStore);
  ASSERT_EQ(result.candidates.size(), 6u);
  EXPECT_EQ(observer_.list_labels.front(), "Processing List:- 1 of 12");
  EXPECT_EQ(observer_.list_labels.back(), "Processing List:- 6 of 12");
  EXPECT_EQ(observer_.list_labels.size(), 6u);
  EXPECT_EQ(observer_.items.back(), "Master Slide 6");
  EXPECT_EQ(observer_.indexes, (std::vector<int>{0, 1, 2, 3, 4, 5}));
  // Master 1 with stores 1, 2, 3, then master 2; lengths are whole records.
  EXPECT_EQ(result.candidates[0].master_offset, 1000u);
  EXPECT_EQ(result.candidates[0].master_length, 100u);
  EXPECT_EQ(result.candidates[2].blip_store_offset, 12000u);
  EXPECT_EQ(result.candidates[2].blip_store_length, 140u);  // three entries
  EXPECT_EQ(result.candidates[3].master_offset, 4000u);
  EXPECT_EQ(result.candidates[3].master_length, 101u);
  EXPECT_EQ(result.candidates[3].blip_store_offset, 10000u);
  EXPECT_EQ(observer_.trial_labels[0], "Making master slide...");
  EXPECT_EQ(observer_.trial_labels[1], "Verifying master slide...");
  EXPECT_EQ(observer_.last_progress, 100);
}

TEST_F(MasterSearchTest, NoRecordsGiveExactlyTheDefaultItem) {
  Make(0, 0);
  const MasterSearchResult result = Search();
  EXPECT_EQ(result.kind, CandidateKind::kDefaultMasterDefaultStore);
  EXPECT_EQ(observer_.items, (std::vector<std::string>{"Master Slide 1"}));
  EXPECT_EQ(previews_, 1);
}

TEST_F(MasterSearchTest, WhenNoTrialPreviewsTheDefaultTrialIsAddedAtTheEnd) {
  Make(2, 1);
  failing_previews_ = 2;
  const MasterSearchResult result = Search();
  EXPECT_EQ(previews_, 3);
  EXPECT_EQ(result.kind, CandidateKind::kDefaultMasterDefaultStore);
  ASSERT_EQ(result.candidates.size(), 1u);
  EXPECT_EQ(result.candidates[0].master_offset, 0u);  // the default stands in
  EXPECT_FALSE(observer_.progress_out_of_range);
}

TEST_F(MasterSearchTest, DefaultTrialRepeatedWithNoRecordsKeepsProgressInRange) {
  Make(0, 0);
  failing_previews_ = 1;  // total is 1, the second trial would count 200 %
  Search();
  EXPECT_EQ(previews_, 2);
  EXPECT_FALSE(observer_.progress_out_of_range);
}

TEST_F(MasterSearchTest, MastersOnlyAndStoresOnlyUseTheDefaultForTheOther) {
  Make(2, 0);
  MasterSearchResult result = Search();
  EXPECT_EQ(result.kind, CandidateKind::kFoundMasterDefaultStore);
  ASSERT_EQ(result.candidates.size(), 2u);
  EXPECT_EQ(result.candidates[1].master_offset, 4000u);
  EXPECT_TRUE(observer_.list_labels.empty());
}

TEST_F(MasterSearchTest, StoresOnlyTryEveryStoreWithTheDefaultMaster) {
  Make(0, 3);
  const MasterSearchResult result = Search();
  EXPECT_EQ(result.kind, CandidateKind::kDefaultMasterFoundStore);
  ASSERT_EQ(result.candidates.size(), 3u);
  EXPECT_EQ(observer_.list_labels.back(), "Processing List:- 3 of 4");
}

TEST_F(MasterSearchTest, StopEndsTheLoopsBeforeTheNextTrialAndKeepsTheFound) {
  Make(2, 3);
  stop_after_ = 2;
  const MasterSearchResult result = Search();
  EXPECT_EQ(previews_, 2);
  EXPECT_EQ(result.candidates.size(), 2u);
}

TEST(TrialPreviewTest, OfficeExportGivesTheThumbnailOfSlideOne) {
  testing::StageRun run;
  run.dir.Write("w/vlxppt", {1, 2, 3});
  const auto picture = PreviewTrialInOffice(run.job, run.W("vlxppt"));
  ASSERT_TRUE(picture.has_value());
  EXPECT_EQ(picture->at(0, 0), testing::StubImageToolkit::kThumbnailColour);
  EXPECT_EQ(run.office.ApplicationsRunning(), 0);
  EXPECT_EQ(run.office.PresentationsOpen(), 0);
}

TEST(TrialPreviewTest, OfficeThatCannotExportGivesThePlaceholder) {
  testing::StageRun run;
  run.office.SetVersion("8.0");
  run.dir.Write("w/vlxppt", {1, 2, 3});
  const auto picture = PreviewTrialInOffice(run.job, run.W("vlxppt"));
  ASSERT_TRUE(picture.has_value());
  EXPECT_EQ(picture->at(0, 0), testing::StubImageToolkit::kPlaceholderColour);
  EXPECT_EQ(run.office.CallCount("Presentation.SaveAs"), 0);
}

TEST(TrialPreviewTest, FailuresGiveNoPicture) {
  testing::StageRun run;
  run.office.FailEveryCreation();
  EXPECT_FALSE(PreviewTrialInOffice(run.job, run.W("vlxppt")).has_value());
  EXPECT_EQ(run.Messages(), std::vector<std::string>{
                                "Critical Error 017 has occured. Please restart the application."});

  testing::StageRun unopenable;  // the trial file does not exist
  EXPECT_FALSE(PreviewTrialInOffice(unopenable.job, unopenable.W("vlxppt")).has_value());
  EXPECT_EQ(unopenable.office.ApplicationsRunning(), 0);

  testing::StageRun no_export;
  no_export.office.SetMissingExport(true);
  no_export.dir.Write("w/vlxppt", {1});
  EXPECT_FALSE(PreviewTrialInOffice(no_export.job, no_export.W("vlxppt")).has_value());
}

TEST(TrialPreviewTest, WithoutOfficeOnlySoundTrialStreamsAreListed) {
  testing::StageRun run;
  run.dir.Write("w/big0012241", Record(0x000F, 0x03E8, Record(0x0000, 0x03E9, Filled(4, 0))));
  EXPECT_TRUE(StructuralTrialPreview(run.job, "").has_value());
  run.dir.Write("w/big0012241", Record(0x000F, 0x03E8, {0x00, 0x00, 0xE9, 0x03, 0xFF, 0, 0, 0}));
  EXPECT_FALSE(StructuralTrialPreview(run.job, "").has_value());
}

TEST_F(MasterSearchTest, AutomaticDialogTakesTheNthCandidateAndKeepsThumbnails) {
  Make(1, 2);
  AutomaticMasterOptions options;
  options.pick = 2;
  options.thumbnail_folder = run_.dir.File("masters");
  AutomaticMasterSlideDialog dialog(options);
  const auto choice = dialog.Run(run_.job, *file_);
  ASSERT_TRUE(choice.has_value());
  EXPECT_EQ(choice->kind, CandidateKind::kFoundMasterFoundStore);
  EXPECT_EQ(choice->blip_store_offset, 11000u);
  ASSERT_EQ(dialog.candidates().size(), 2u);
  EXPECT_EQ(dialog.candidates()[1].thumbnail_path, run_.dir.File("masters/Master Slide 2.jpg"));
  struct stat st {};
  EXPECT_EQ(::stat(dialog.candidates()[1].thumbnail_path.c_str(), &st), 0);
  EXPECT_EQ(run_.sink.counters.back(), "Processing List:- 2 of 6");
}

TEST_F(MasterSearchTest, AutomaticDialogPreviewsEveryTrialOnOneOffice) {
  Make(2, 3);
  AutomaticMasterSlideDialog dialog;
  ASSERT_TRUE(dialog.Run(run_.job, *file_).has_value());
  EXPECT_EQ(dialog.candidates().size(), 6u);
  EXPECT_EQ(run_.office.ApplicationsCreated(), 1);
  EXPECT_EQ(run_.office.ApplicationsRunning(), 0) << "quit when the search is over";
}

TEST_F(MasterSearchTest, AutomaticDialogFallsBackToTheFirstForAnUnlistedNumber) {
  Make(1, 1);
  AutomaticMasterSlideDialog dialog(AutomaticMasterOptions{7, ""});
  const auto choice = dialog.Run(run_.job, *file_);
  ASSERT_TRUE(choice.has_value());
  EXPECT_EQ(choice->master_offset, 1000u);
  EXPECT_NE(run_.sink.log.find("Master Slide 7 is not in the list of 1"), std::string::npos);
}

TEST_F(MasterSearchTest, AutomaticDialogGoesOnWithTheDefaultsWhenTheOfficeOpensNothing) {
  Make(1, 1);
  run_.office.FailEveryOpen();
  AutomaticMasterSlideDialog dialog;
  const auto choice = dialog.Run(run_.job, *file_);
  ASSERT_TRUE(choice.has_value());
  EXPECT_EQ(choice->kind, CandidateKind::kDefaultMasterDefaultStore);
  EXPECT_TRUE(dialog.candidates().empty());

  run_.stop = true;  // a stopped search ends the run instead
  EXPECT_FALSE(dialog.Run(run_.job, *file_).has_value());
}

TEST_F(MasterSearchTest, ChanceHeadersInOtherBytesAreNoCandidates) {
  Make(1, 1);
  // A store whose children are not entries and a master without its SlideAtom, each
  // claiming a length that runs far past anything they hold.
  std::vector<uint8_t> bytes = Filled(20000, 0x41);
  Put(bytes, 1000, Master(52));
  Put(bytes, 10000, Store(1));
  Put(bytes, 15000, Record(0x003F, 0xF001, Filled(200, 0x41)));
  Put(bytes, 16000, Record(0x000F, 0x03F8, Filled(200, 0x41)));
  file_ = DamagedFile::Open(run_.dir.Write("damaged.ppt", bytes));
  run_.job.blip_stores.Append(15000, 3000);
  run_.job.main_masters.Append(16000, 200);
  const MasterSearchResult result = Search();
  ASSERT_EQ(result.candidates.size(), 1u);
  EXPECT_EQ(result.candidates[0].master_offset, 1000u);
  EXPECT_EQ(result.candidates[0].blip_store_offset, 10000u);
}

TEST(MasterSearchPairingTest, ManyMastersAndStoresPairEachMasterWithItsOwnStore) {
  testing::StageRun run;
  std::vector<uint8_t> bytes;
  // Twelve documents one after another, each a store then its master.
  for (int d = 0; d < 12; ++d) {
    const size_t at = bytes.size();
    const auto store = Store(1), master = Master(40);
    Put(bytes, at, store);
    Put(bytes, at + 500, master);
    run.job.blip_stores.Append(static_cast<int64_t>(at), static_cast<int64_t>(store.size() - 8));
    run.job.main_masters.Append(static_cast<int64_t>(at + 500),
                                static_cast<int64_t>(master.size() - 8));
    bytes.resize(at + 1000);
  }
  auto file = DamagedFile::Open(run.dir.Write("damaged.ppt", bytes));
  run.job.file_length = file->GetLength();
  run.dir.Write("w/vlxpicfile", {});
  RecordingObserver observer;
  TrialPreview preview = [](RecoveryJob&, const std::string&) -> std::optional<Bitmap> {
    return testing::SolidBitmap(170, 120, 0xFF123456);
  };
  MasterSlideSearch search(run.job, *file, observer, run.stop, preview);
  const MasterSearchResult result = search.SearchMasterSlides();
  ASSERT_EQ(result.candidates.size(), 12u);  // not 144
  for (const MasterCandidate& c : result.candidates)
    EXPECT_EQ(c.master_offset, c.blip_store_offset + 500);
}

}  // namespace
}  // namespace vlx
