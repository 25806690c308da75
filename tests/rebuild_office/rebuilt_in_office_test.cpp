// The rebuilt presentations opened by a real office (LibreOffice, headless).

#include <gtest/gtest.h>

#include "engine/format/template_records.h"
#include "engine/format/workspace_files.h"
#include "engine/rebuild/presentation_rebuild.h"
#include "engine/rebuild/trial_builder.h"
#include "engine/scan/picture_stream_search.h"
#include "engine/scan/slide_structure_census.h"
#include "engine/scan/text_census.h"
#include "tests/office/office_test_support.h"
#include "tests/stages/stage_run.h"
#include "tests/support/corpus.h"

namespace vlx {
namespace {

int SlidesAsOpened(office::AutomationServer& server, const std::string& path) {
  auto app = server.CreateApplication(office::kProgId);
  auto presentation = app->GetPresentations()->Open(path, 0, 0, 0);
  const int count = presentation->GetSlides()->Count();
  presentation->Close();
  app->Quit();
  return count;
}

TEST(RebuiltInOfficeTest, DefaultTrialOpensWithOneSlideAndExportsIt) {
  VLX_REQUIRE_OFFICE();
  LibreOfficeServer server;
  testing::StageRun run;
  run.env.office = &server;
  run.dir.Write("w/vlxpicfile", {});
  const TemplateRecords& t = PristineTemplates();
  BuildTrial(run.job, t.default_blip_store, t.default_main_master);
  EXPECT_EQ(SlidesAsOpened(server, run.W(kRebuiltCompoundFile)), 1);

  auto app = server.CreateApplication(office::kProgId);
  auto presentation = app->GetPresentations()->Open(run.W(kRebuiltCompoundFile), 0, 0, 0);
  presentation->SaveAs(run.W(kTrialExportFolder), office::kFormatJpeg, 1);
  presentation->Close();
  app->Quit();
  EXPECT_GT(testing::ReadJpegSize(testing::ReadAll(run.W("vlxppthh/Slide1.JPG"))).width, 0);
}

TEST(RebuiltInOfficeTest, EveryDrawingDocumentAndTheDeckOpenInTheOffice) {
  VLX_REQUIRE_CORPUS();
  VLX_REQUIRE_OFFICE();
  LibreOfficeServer server;
  testing::StageRun run;
  run.env.office = &server;
  auto file = DamagedFile::Open(CorpusPath("healthy/basic_test_ppt_file.ppt"));
  ASSERT_NE(file, nullptr);
  run.job.file_length = file->GetLength();
  SearchPictureStream(run.job, *file);
  ScanSlideStructures(run.job, *file);
  ScanSlideTexts(run.job, *file);

  int opened_with_one_slide = 0;
  RebuildOptions options;
  options.integrate = [&](RecoveryJob&, const std::string& path) {
    if (SlidesAsOpened(server, path) == 1) ++opened_with_one_slide;
  };
  options.deck_path = run.dir.File("RecSlide.ppt");
  const RebuildSummary summary = RebuildPresentation(run.job, *file, MasterChoice{}, options);

  // Its three slides; the drawings of its masters and notes are no slides of the deck.
  EXPECT_EQ(summary.slides_planned, 3u);
  EXPECT_EQ(summary.slides_planned + summary.drawings_left_out, run.job.drawings.size());
  EXPECT_EQ(opened_with_one_slide, static_cast<int>(summary.slides_planned));
  ASSERT_TRUE(summary.deck_saved);
  EXPECT_TRUE(summary.deck.by_office);
  EXPECT_EQ(summary.deck.drawing_slides, summary.slides_planned);
  EXPECT_EQ(SlidesAsOpened(server, options.deck_path),
            static_cast<int>(summary.deck.drawing_slides + summary.deck.text_slides));
}

}  // namespace
}  // namespace vlx
