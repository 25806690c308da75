#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "engine/run/fast_pipeline.h"
#include "tests/fast/carving_fixture.h"
#include "tests/storage/compound_readers.h"
#include "tests/support/corpus.h"

namespace vlx::testing {
namespace {

std::vector<std::string> HealthyPresentations() {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(CorpusPath("healthy").c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name.size() > 4 && name.substr(name.size() - 4) == ".ppt") names.push_back(name);
    }
    ::closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// True when the stream opens with a Document container and lies in the file as one run
// of bytes starting on a sector: the streams a signature search can carve whole.
bool CarvableWhole(const Bytes& file, const Bytes& stream) {
  if (stream.size() < 8 || stream[0] != 0x0F || stream[2] != 0xE8 || stream[3] != 0x03)
    return false;
  for (size_t at = 0; at + stream.size() <= file.size(); at += 512)
    if (std::memcmp(file.data() + at, stream.data(), stream.size()) == 0) return true;
  return false;
}

// A copy whose header sector is wiped cannot be read as a compound file; the fast mode
// must still give back the whole document stream.
TEST(FastModeOnCorpus, HeaderlessCopyYieldsTheOriginalDocumentStream) {
  VLX_REQUIRE_CORPUS();
  if (!OlefileAvailable()) GTEST_SKIP() << "python3-olefile is not installed (/usr/bin/python3)";
  int contiguous = 0;
  for (const std::string& name : HealthyPresentations()) {
    SCOPED_TRACE(name);
    const ReaderResult original = ReadWithOlefile(CorpusPath("healthy/" + name));
    if (!original.ok || !original.streams.count("PowerPoint Document")) continue;
    const Bytes& stream = original.streams.at("PowerPoint Document");
    Bytes bytes = ReadAll(CorpusPath("healthy/" + name));
    if (!CarvableWhole(bytes, stream)) continue;
    ++contiguous;

    std::fill(bytes.begin(), bytes.begin() + 512, 0);  // the header sector
    CarvingRun run;
    run.env.office = nullptr;
    auto file = run.Damaged(bytes);
    RunFastPipeline(run.job, *file);

    const ReaderResult saved = ReadWithOlefile(run.env.output_folder + "RecSlideIntigrated.ppt");
    ASSERT_TRUE(saved.ok) << saved.complaint;
    ASSERT_EQ(saved.streams.size(), 3u);
    EXPECT_EQ(saved.streams.at("Current User").size(), 5120u);
    ASSERT_TRUE(saved.streams.count("Pictures"));
    const Bytes& carved = saved.streams.at("PowerPoint Document");
    ASSERT_GE(carved.size(), stream.size());
    EXPECT_TRUE(std::equal(stream.begin(), stream.end(), carved.begin()));
  }
  EXPECT_GE(contiguous, 5) << "too few corpus files with a contiguous document stream";
}

}  // namespace
}  // namespace vlx::testing
