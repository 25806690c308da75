#include <gtest/gtest.h>

#include "engine/fast/assemble_compound.h"
#include "engine/format/template_records.h"
#include "engine/job/messages.h"
#include "engine/rebuild/rebuilt_compound_writer.h"
#include "tests/storage/compound_readers.h"
#include "tests/support/recording_sink.h"
#include "tests/support/recording_view.h"
#include "tests/support/temp_dir.h"

namespace vlx {
namespace {

using testing::ReadAll;
using testing::StreamMap;

class NoImages : public ImageToolkit {
 public:
  std::optional<Bitmap> MakeThumbnail(const std::string&, int, int) override { return {}; }
  bool ConvertToJpeg(const std::string&, const std::string&) override { return false; }
  bool SaveJpeg(const Bitmap&, const std::string&) override { return false; }
  Bitmap StockBitmap() override { return {}; }
  Bitmap PlaceholderBitmap() override { return {}; }
  bool Decodes(std::span<const uint8_t>) override { return true; }
  Bitmap LabelledPlaceholder(const std::string&, int, int) override { return {}; }
};

std::vector<unsigned char> Bytes(size_t size, unsigned seed) {
  std::vector<unsigned char> bytes(size);
  for (size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<unsigned char>((i * 31 + seed) ^ (i >> 9));
  return bytes;
}

class PresentationCompound : public ::testing::Test {
 protected:
  testing::TempDir dir;
  testing::RecordingSink sink;
  TraceLog trace{dir.File("trace.log"), true};
  StopFlag stop{false};
  Workspace workspace = Workspace::At(dir.File("w"));
  testing::RecordingView view;
  NoImages images;
  TemplateRecords templates = PristineTemplates();
  RunEnvironment env{sink,      trace,   stop,    workspace, view, images,
                     templates, nullptr, nullptr, "",        "Rec"};
  RecoveryJob job{env};

  void SetUp() override { ASSERT_TRUE(workspace.Create()); }

  std::unique_ptr<DamagedFile> Source(const std::string& name,
                                      const std::vector<unsigned char>& bytes) {
    return DamagedFile::Open(dir.Write(name, bytes));
  }

  std::vector<int> Checkpoints() const {
    std::vector<int> numbers;
    std::string ascii;
    const auto bytes = ReadAll(trace.path());
    for (size_t i = 0; i < bytes.size(); i += 2) ascii += static_cast<char>(bytes[i]);
    for (size_t at = 0; (at = ascii.find("SUCC ", at)) != std::string::npos; at += 5) {
      numbers.push_back(std::stoi(ascii.substr(at + 5)));
    }
    return numbers;
  }

  std::vector<unsigned char> CurrentUserImage() const {
    const auto& image = templates.current_user_image;
    return {image.begin(), image.end()};
  }

  // What the fast assembly writes as "Current User" for a document: the template image
  // naming no edit, since these documents hold no UserEditAtom where it points.
  std::vector<unsigned char> AssembledCurrentUser() const {
    std::vector<unsigned char> image = CurrentUserImage();
    std::fill_n(image.begin() + kCurrentUserEditOffsetField, 4, 0);
    return image;
  }

  // Reads the file with olefile (or gsf); nullopt when neither is installed.
  static std::optional<StreamMap> ReadBack(const std::string& path) {
    testing::ReaderResult result;
    if (testing::OlefileAvailable()) {
      result = testing::ReadWithOlefile(path);
    } else if (testing::GsfAvailable()) {
      result = testing::ReadWithGsf(path);
    } else {
      return std::nullopt;
    }
    EXPECT_TRUE(result.ok) << result.complaint;
    return result.streams;
  }
};

TEST_F(PresentationCompound, MissingSourcesLeaveEmptyStreamsThatExist) {
  const std::string path = workspace.File("finpicfile");
  EXPECT_TRUE(AssembleCompound(job, nullptr, nullptr, path));
  EXPECT_EQ(Checkpoints(), (std::vector<int>{133, 134, 135, 136, 136, 137, 138}));
  EXPECT_TRUE(sink.messages.empty());
  const auto streams = ReadBack(path);
  if (!streams) GTEST_SKIP() << "neither python3-olefile nor gsf installed";
  EXPECT_EQ(*streams, (StreamMap{{"Pictures", {}},
                                 {"Current User", AssembledCurrentUser()},
                                 {"PowerPoint Document", {}}}));
}

TEST_F(PresentationCompound, SourcesAreCopiedWholeAroundTheChunkSize) {
  for (size_t pictures_size : {65536u, 65537u, 4095u}) {
    SCOPED_TRACE(pictures_size);
    const auto pictures_bytes = Bytes(pictures_size, 1);
    const auto document_bytes = Bytes(3 * 65536 + 1000, 2);
    auto pictures = Source("picfile", pictures_bytes);
    auto document = Source("docfile", document_bytes);
    ASSERT_NE(pictures, nullptr);
    pictures->Seek(12345);  // the copy starts at byte 0 whatever the position
    const std::string path = workspace.File("finpicfile");
    EXPECT_TRUE(AssembleCompound(job, pictures.get(), document.get(), path));
    const auto streams = ReadBack(path);
    if (!streams) GTEST_SKIP() << "neither python3-olefile nor gsf installed";
    EXPECT_EQ(*streams, (StreamMap{{"Pictures", pictures_bytes},
                                   {"Current User", AssembledCurrentUser()},
                                   {"PowerPoint Document", document_bytes}}));
  }
}

TEST_F(PresentationCompound, UncreatableFileShowsCriticalError007AndWritesNothing) {
  const std::string path = dir.File("no/such/folder/finpicfile");
  AssembleCompound(job, nullptr, nullptr, path);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text,
            "Critical Error 007 has occured. Please restart the application.");
  EXPECT_EQ(sink.messages[0].caption, "Veltrix Pellum PowerPoint");
  EXPECT_EQ(sink.messages[0].style, 64);
  EXPECT_EQ(sink.maximised, 1);
  EXPECT_EQ(Checkpoints(), (std::vector<int>{133, 134, 138}));
}

TEST_F(PresentationCompound, FinalDocumentGoesToRegularSectorsWithItsCheckpoints) {
  const auto pictures_bytes = Bytes(0, 0);
  const auto document_bytes = Bytes(9000, 3);
  auto pictures = Source("vlxpicfile", pictures_bytes);
  auto document = Source("Dat0012241", document_bytes);
  const std::string path = workspace.File("vlxppt");
  EXPECT_TRUE(WriteRebuiltCompound(job, *pictures, *document, path));
  EXPECT_EQ(Checkpoints(), (std::vector<int>{139, 140, 141, 142, 143}));
  EXPECT_EQ(pictures->GetLength(), 0u);  // both stay open and usable
  const auto streams = ReadBack(path);
  if (!streams) GTEST_SKIP() << "neither python3-olefile nor gsf installed";
  EXPECT_EQ(*streams, (StreamMap{{"Pictures", {}},
                                 {"Current User", CurrentUserImage()},
                                 {"PowerPoint Document", document_bytes}}));
}

TEST_F(PresentationCompound, FinalWriterReportsCriticalError026) {
  auto pictures = Source("vlxpicfile", {});
  auto document = Source("Dat0012241", Bytes(10, 0));
  EXPECT_FALSE(WriteRebuiltCompound(job, *pictures, *document, dir.File("gone/vlxppt")));
  EXPECT_TRUE(sink.HasMessage(CriticalErrorText(26)));
  EXPECT_EQ(Checkpoints(), (std::vector<int>{139, 140, 143}));
}

TEST_F(PresentationCompound, TrialStoresTheUserEditOffsetInCurrentUser) {
  const auto document_bytes = Bytes(5000, 4);
  const std::string pictures = dir.Write("vlxpicfile", Bytes(70000, 5));
  const std::string document = dir.Write("big0012241", document_bytes);
  templates.user_edit_offset = 0x01020304;
  const std::string path = workspace.File("vlxppt");
  EXPECT_TRUE(WriteTrialCompound(job, pictures, document, path));
  EXPECT_EQ(Checkpoints(), (std::vector<int>{33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45}));
  const auto image = CurrentUserImage();
  EXPECT_EQ(std::vector<unsigned char>(image.begin() + 16, image.begin() + 20),
            (std::vector<unsigned char>{0x04, 0x03, 0x02, 0x01}));
  const auto streams = ReadBack(path);
  if (!streams) GTEST_SKIP() << "neither python3-olefile nor gsf installed";
  EXPECT_EQ(streams->at("Current User"), image);
  EXPECT_EQ(streams->at("PowerPoint Document"), document_bytes);
  EXPECT_EQ(streams->at("Pictures"), Bytes(70000, 5));
}

TEST_F(PresentationCompound, TrialStopsWhenASourceCannotBeOpened) {
  const std::string present = dir.Write("present", Bytes(10, 6));
  const std::string path = workspace.File("vlxppt");
  EXPECT_FALSE(WriteTrialCompound(job, dir.File("absent"), present, path));
  EXPECT_FALSE(WriteTrialCompound(job, present, dir.File("absent"), path));
  ASSERT_EQ(sink.messages.size(), 2u);
  EXPECT_EQ(sink.messages[0].text, CriticalErrorText(28));
  EXPECT_EQ(sink.messages[1].text, CriticalErrorText(29));
  EXPECT_EQ(Checkpoints(), (std::vector<int>{33, 34, 33, 34}));
  EXPECT_EQ(::access(path.c_str(), F_OK), -1);
}

TEST_F(PresentationCompound, TrialReportsCriticalError027) {
  const std::string present = dir.Write("present", Bytes(10, 6));
  EXPECT_FALSE(WriteTrialCompound(job, present, present, dir.File("gone/vlxppt")));
  EXPECT_TRUE(sink.HasMessage(CriticalErrorText(27)));
  EXPECT_EQ(Checkpoints(), (std::vector<int>{33, 34, 35, 36, 37, 44, 45}));
}

}  // namespace
}  // namespace vlx
