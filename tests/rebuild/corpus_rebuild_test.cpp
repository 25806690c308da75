// The rebuild over the real presentations of the corpus and damaged copies of them.
// With VLX_KEEP_REBUILT=<folder> every rebuilt document, each repaired deck and the
// default trial are kept there for opening in an office by hand.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "engine/format/byte_order.h"
#include "engine/format/workspace_files.h"
#include "engine/rebuild/apply_master_choice.h"
#include "engine/rebuild/automatic_master_dialog.h"
#include "engine/rebuild/presentation_rebuild.h"
#include "engine/rebuild/trial_builder.h"
#include "engine/scan/picture_stream_search.h"
#include "engine/scan/slide_structure_census.h"
#include "engine/scan/text_census.h"
#include "tests/rebuild/record_builder.h"
#include "tests/stages/stage_run.h"
#include "tests/support/corpus.h"

namespace vlx {
namespace {

namespace fs = std::filesystem;
using testing::ReadAll;

std::string KeepFolder() {
  const char* keep = std::getenv("VLX_KEEP_REBUILT");
  if (keep == nullptr || *keep == '\0') return "";
  fs::create_directories(keep);
  return std::string(keep) + "/";
}

// A document stream the rebuild wrote: Document, master, slide, persist directory and
// user edit one after another, the directory naming where the master and slide are.
void ExpectWellFormedDocument(const std::vector<uint8_t>& stream, const std::string& what) {
  const auto records = testing::Walk(stream, 0, stream.size());
  ASSERT_GE(records.size(), 5u) << what;
  EXPECT_EQ(records[0].type, 0x03E8) << what;
  EXPECT_EQ(records[1].type, 0x03F8) << what;
  EXPECT_EQ(records[2].type, 0x03EE) << what;
  EXPECT_EQ(records[3].type, 0x1772) << what;
  EXPECT_EQ(records[4].type, 0x0FF5) << what;
  EXPECT_EQ(GetU32(stream, records[3].offset + 16), records[1].offset) << what;
  EXPECT_EQ(GetU32(stream, records[3].offset + 20), records[2].offset) << what;
  EXPECT_EQ(GetU32(stream, records[4].offset + 20), records[3].offset) << what;
}

struct RunFigures {
  size_t drawings = 0;
  size_t slides = 0;  // drawings that are slides of the deck
  size_t documents = 0;
  DeckSave deck;
};

RunFigures RebuildOne(const std::string& input, const std::string& name, const std::string& keep) {
  testing::StageRun run;
  run.env.office = nullptr;  // no office: every trial listed with the placeholder
  auto file = DamagedFile::Open(input);
  EXPECT_NE(file, nullptr) << input;
  if (!file) return {};
  RecoveryJob& job = run.job;
  job.file_length = file->GetLength();
  SearchPictureStream(job, *file);
  ScanSlideStructures(job, *file);
  ScanSlideTexts(job, *file);

  AutomaticMasterSlideDialog dialog;
  const std::optional<MasterChoice> choice = dialog.Run(job, *file);
  EXPECT_TRUE(choice.has_value()) << name;
  if (!choice) return {};
  ApplyMasterChoice(job, *file, *choice);
  if (!keep.empty())
    fs::copy_file(run.W(kRebuiltCompoundFile), keep + name + "-trial.ppt",
                  fs::copy_options::overwrite_existing);

  RunFigures figures;
  figures.drawings = job.drawings.size();
  RebuildOptions options;
  options.integrate = [&](RecoveryJob&, const std::string& path) {
    ++figures.documents;
    ExpectWellFormedDocument(ReadAll(run.W(kSlideDocumentFile)), name);
    if (!keep.empty()) {
      fs::copy_file(path, keep + name + "-d" + std::to_string(figures.documents) + ".ppt",
                    fs::copy_options::overwrite_existing);
    }
  };
  options.deck_path = (keep.empty() ? run.dir.path() : keep) + name + "-deck.ppt";
  const RebuildSummary summary = RebuildPresentation(job, *file, *choice, options);
  figures.deck = summary.deck;
  figures.slides = summary.slides_planned;
  EXPECT_EQ(summary.slides_planned + summary.drawings_left_out, figures.drawings) << name;
  std::printf(
      "%s: drawings %zu, documents %zu, deck %s with %zu drawing (%zu with their texts, %zu "
      "trimmed) and %zu text slides\n",
      name.c_str(), figures.drawings, figures.documents, figures.deck.written ? "saved" : "none",
      figures.deck.drawing_slides, figures.deck.matched_texts, figures.deck.drawings_trimmed,
      figures.deck.text_slides);
  EXPECT_FALSE(fs::exists(run.workspace.path())) << name;
  for (const auto& m : run.sink.messages) ADD_FAILURE() << name << ": " << m.text;
  return figures;
}

// Damaged copies: the compound-file header destroyed, and the last quarter cut off.
std::vector<std::pair<std::string, std::string>> DamagedCopies(const std::string& input,
                                                               const std::string& name,
                                                               const testing::TempDir& dir) {
  std::vector<uint8_t> bytes = ReadAll(input);
  std::vector<uint8_t> headless = bytes;
  std::fill_n(headless.begin(), std::min<size_t>(512, headless.size()), 0);
  std::vector<uint8_t> cut(bytes.begin(),
                           bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() * 3 / 4));
  return {{dir.Write(name + "-headless.ppt", headless), name + "-headless"},
          {dir.Write(name + "-cut.ppt", cut), name + "-cut"}};
}

TEST(CorpusRebuildTest, EveryDrawingOfEveryPresentationBecomesAWellFormedDocument) {
  VLX_REQUIRE_CORPUS();
  const std::string keep = KeepFolder();
  testing::TempDir copies;
  size_t files = 0, drawings = 0, documents = 0, decks = 0;
  for (const char* folder : {"healthy", "badinput"}) {
    for (const auto& entry : fs::directory_iterator(CorpusPath(folder))) {
      if (entry.path().extension() != ".ppt") continue;
      const std::string name = entry.path().stem().string();
      std::vector<std::pair<std::string, std::string>> inputs = {{entry.path().string(), name}};
      if (std::string(folder) == "healthy") {
        for (auto& copy : DamagedCopies(entry.path().string(), name, copies))
          inputs.push_back(copy);
      }
      for (const auto& [path, label] : inputs) {
        const RunFigures figures = RebuildOne(path, label, keep);
        EXPECT_EQ(figures.documents, figures.slides) << label;
        if (figures.slides > 0) {
          EXPECT_TRUE(figures.deck.written) << label;
          // Without an office every slide drawing goes into the deck.
          EXPECT_EQ(figures.deck.drawing_slides, figures.slides) << label;
        }
        ++files;
        drawings += figures.drawings;
        documents += figures.documents;
        decks += figures.deck.written ? 1 : 0;
      }
    }
  }
  std::printf("files %zu, drawings %zu, documents %zu, decks %zu\n", files, drawings, documents,
              decks);
  EXPECT_GT(documents, 0u);
}

}  // namespace
}  // namespace vlx
