// The LibreOffice backend against a real office: what the recovery stages do with it.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <random>

#include "automation/testing/small_jpeg.h"
#include "tests/office/office_test_support.h"
#include "tests/support/corpus.h"

namespace vlx {
namespace {

using testing::Contains;
using testing::ReadAll;
using testing::ReadJpegSize;
using testing::TempDir;

// Slide text as the saved file holds it: UTF-16LE (ASCII input only).
std::string Utf16(const std::string& ascii) {
  std::string wide;
  for (char c : ascii) wide += {c, '\0'};
  return wide;
}

class OfficeSessionTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (testing::OfficeInstalled()) server_ = std::make_unique<LibreOfficeServer>();
  }
  static void TearDownTestSuite() { server_.reset(); }

  void SetUp() override {
    VLX_REQUIRE_OFFICE();
    VLX_REQUIRE_CORPUS();
    app_ = server_->CreateApplication(office::kProgId);
  }
  void TearDown() override {
    if (app_) app_->Quit();
  }

  std::string Copy(const std::string& corpus_file) {
    const std::string target = temp_.File(std::filesystem::path(corpus_file).filename());
    std::filesystem::copy_file(CorpusPath(corpus_file), target);
    std::filesystem::permissions(target, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    return target;
  }

  // A real picture: the office opens it, as a drawing, which is no presentation.
  std::string Picture() {
    const std::string path = temp_.File("picture.ppt");
    EXPECT_TRUE(testing::WriteSmallJpeg(path));
    return path;
  }

  static inline std::unique_ptr<LibreOfficeServer> server_;
  std::shared_ptr<office::Application> app_;
  TempDir temp_;
};

TEST_F(OfficeSessionTest, ExportsOneJpegPerSlideWithTheSlideAspect) {
  // Workspace files carry no extension: the format is told from the content.
  const std::string path = temp_.File("finpicfile");
  std::filesystem::copy_file(CorpusPath("healthy/basic_test_ppt_file.ppt"), path);
  auto presentation = app_->GetPresentations()->Open(path, 0, 0, 0);
  const int count = presentation->GetSlides()->Count();
  EXPECT_EQ(count, 2);

  const std::string folder = temp_.File("out/finpicfileff");
  presentation->SaveAs(folder, office::kFormatJpeg, 1);
  for (int n = 1; n <= count; ++n) {
    auto bytes = ReadAll(folder + "/Slide" + std::to_string(n) + ".JPG");
    auto size = ReadJpegSize(bytes);
    ASSERT_GT(size.width, 0) << "Slide" << n << ".JPG is no JPEG";
    EXPECT_EQ(size.width * 3, size.height * 4) << "a 4:3 slide keeps its aspect";
  }
  EXPECT_FALSE(testing::FileExists(folder + "/Slide" + std::to_string(count + 1) + ".JPG"));
  presentation->Close();
  EXPECT_THROW(presentation->GetSlides(), office::AutomationError);
  EXPECT_EQ(app_->Version(), "12.0");
  EXPECT_FALSE(server_->RealOfficeVersion().empty());
}

TEST_F(OfficeSessionTest, NewTextSlideComesFirstAndIsSavedAsBinaryPresentation) {
  // A name that a hand-made file URL would get wrong.
  const std::string path = temp_.File("deck #1 %20 \xC3\xBC.ppt");
  std::filesystem::copy_file(Copy("healthy/basic_test_ppt_file.ppt"), path);
  auto presentations = app_->GetPresentations();

  auto original = presentations->Open(path, 0, 0, 0);
  const int count = original->GetSlides()->Count();
  original->SaveAs(temp_.File("before"), office::kFormatJpeg, 1);
  original->Close();

  auto presentation = presentations->Open(path, 0, 0, 0);
  presentation->SetDisplayComments(0);
  auto slides = presentation->GetSlides();
  slides->Add(1, office::kLayoutText);
  auto shapes = slides->Item(1.0f)->GetShapes();
  shapes->Item(1.0f)->GetTextFrame()->GetTextRange()->SetText("Quarterly figures");
  shapes->Item(2.0f)->GetTextFrame()->GetTextRange()->SetText("Recovered body text");
  EXPECT_EQ(slides->Count(), count + 1);
  presentation->SaveAs(temp_.File("after"), office::kFormatJpeg, 1);
  presentation->SaveAs(temp_.File("saved.ppt"), office::kFormatDefault, 1);
  presentation->Close();

  // The old first slide is now the second one, rendered the same.
  EXPECT_EQ(ReadAll(temp_.File("after/Slide2.JPG")), ReadAll(temp_.File("before/Slide1.JPG")));
  EXPECT_NE(ReadAll(temp_.File("after/Slide1.JPG")), ReadAll(temp_.File("before/Slide1.JPG")));

  const auto saved = ReadAll(temp_.File("saved.ppt"));
  EXPECT_TRUE(Contains(saved, Utf16("Quarterly figures")));
  EXPECT_TRUE(Contains(saved, Utf16("Recovered body text")));
  EXPECT_EQ(presentations->Open(temp_.File("saved.ppt"), 0, 0, 0)->GetSlides()->Count(), count + 1);
}

TEST_F(OfficeSessionTest, RefusesWhatIsNoPresentationAndStaysUsable) {
  std::vector<unsigned char> noise(4096);
  std::mt19937 random(7);
  std::generate(noise.begin(), noise.end(), [&] { return static_cast<unsigned char>(random()); });
  const std::vector<std::string> bad = {
      temp_.Write("noise.ppt", noise),
      temp_.Write("empty.ppt", {}),
      temp_.Write("truncated.ppt", {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1}),
      Picture(),
      CorpusPath("badinput/Password_Protected-hello.ppt"),
      CorpusPath("badinput/cryptoapi-proc2356.ppt"),
      temp_.File("missing.ppt"),
      temp_.path(),
  };
  auto presentations = app_->GetPresentations();
  for (const std::string& path : bad) {
    EXPECT_THROW(presentations->Open(path, 0, 0, 0), office::AutomationError) << path;
  }
  EXPECT_EQ(presentations->Open(CorpusPath("healthy/basic_test_ppt_file.ppt"), 0, 0, 0)
                ->GetSlides()
                ->Count(),
            2);
}

TEST_F(OfficeSessionTest, DroppingAnApplicationWithoutQuitClosesItsDocuments) {
  const int before = server_->OpenDocumentCount();
  {
    auto app = server_->CreateApplication(office::kProgId);
    auto slides = app->GetPresentations()
                      ->Open(CorpusPath("healthy/basic_test_ppt_file.ppt"), 0, 0, 0)
                      ->GetSlides();
    EXPECT_EQ(server_->OpenDocumentCount(), before + 1);
  }  // released without Close or Quit, as a failed stage does
  EXPECT_EQ(server_->OpenDocumentCount(), before);
}

TEST_F(OfficeSessionTest, QuitClosesOnlyWhatTheSessionOpened) {
  auto other = server_->CreateApplication(office::kProgId);
  auto kept =
      other->GetPresentations()->Open(CorpusPath("healthy/basic_test_ppt_file.ppt"), 0, 0, 0);
  auto dropped =
      app_->GetPresentations()->Open(CorpusPath("healthy/basic_test_ppt_file.ppt"), 0, 0, 0);
  app_->Quit();
  EXPECT_THROW(dropped->GetSlides()->Count(), office::AutomationError);
  EXPECT_THROW(app_->GetPresentations()->Open(CorpusPath("healthy/empty.ppt"), 0, 0, 0),
               office::AutomationError);
  EXPECT_EQ(kept->GetSlides()->Count(), 2);
  EXPECT_THROW(kept->GetSlides()->Item(3.0f), office::AutomationError);
  other->Quit();
}

}  // namespace
}  // namespace vlx
