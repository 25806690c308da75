#include "engine/scan/slide_text_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "tests/scan/scan_run.h"

namespace vlx::testing {
namespace {

std::string ReadText(const std::string& path) {
  const Bytes bytes = ReadAll(path);
  return std::string(bytes.begin(), bytes.end());
}

struct TextRun : ScanRun {
  TextRun() { ::mkdir(env.output_folder.c_str(), 0755); }
  std::string Out(const std::string& name) const { return env.output_folder + name; }
};

TEST(SaveSlideTexts, OneFilePerSlideNumberAndOneWithAllInUtf8) {
  TextRun run;
  SlideTextGroup group;
  group.byte_texts = {{"Caf\xC3\xA9 menu", 2}, {"Title", 1}};
  group.char_texts = {{"\xE4\xB8\xAD\xE6\x96\x87", 2}};
  run.job.texts.groups = {group, SlideTextGroup{}};
  SaveSlideTexts(run.job, run.env.output_folder);

  EXPECT_EQ(ReadText(run.Out("Texts/Slide 1.txt")), "Title\n");
  EXPECT_EQ(ReadText(run.Out("Texts/Slide 2.txt")), "Caf\xC3\xA9 menu\n\xE4\xB8\xAD\xE6\x96\x87\n");
  EXPECT_EQ(ReadText(run.Out("Texts/All slides.txt")),
            "Slide 1\nTitle\n\nSlide 2\nCaf\xC3\xA9 menu\n\xE4\xB8\xAD\xE6\x96\x87\n\n");
  EXPECT_EQ(run.view.Labels(ResultList::kTexts),
            (std::vector<std::string>{"Slide 1 text", "Slide 2 text", "All slide texts"}));
  EXPECT_EQ(run.job.results.Count(ResultList::kTexts), 3);
  EXPECT_EQ(run.view.items.back().file, run.Out("Texts/All slides.txt"));
  EXPECT_NE(run.sink.log.find("Saved Slide 1 text: " + run.Out("Texts/Slide 1.txt")),
            std::string::npos);
}

TEST(SaveSlideTexts, NoTextsNoFolderAndALinkInTheWayIsReplacedNotWrittenThrough) {
  TextRun run;
  SaveSlideTexts(run.job, run.env.output_folder);
  EXPECT_NE(::access(run.Out("Texts").c_str(), F_OK), 0);

  run.job.texts.groups = {SlideTextGroup{{{"Kept", 1}}, {}}};
  ::mkdir(run.Out("Texts").c_str(), 0755);
  const std::string elsewhere = run.dir.Write("elsewhere.txt", Bytes{'x'});
  ASSERT_EQ(::symlink(elsewhere.c_str(), run.Out("Texts/Slide 1.txt").c_str()), 0);
  SaveSlideTexts(run.job, run.env.output_folder);
  EXPECT_EQ(ReadText(elsewhere), "x");
  EXPECT_EQ(ReadText(run.Out("Texts/Slide 1.txt")), "Kept\n");
  EXPECT_EQ(run.view.Labels(ResultList::kTexts),
            (std::vector<std::string>{"Slide 1 text", "All slide texts"}));
}

TEST(SaveSlideTexts, AFileThatCannotBeWrittenIsNamedAndNotListed) {
  TextRun run;
  run.job.texts.groups = {SlideTextGroup{{{"Kept", 1}}, {}}};
  ::mkdir(run.Out("Texts").c_str(), 0755);
  ::mkdir(run.Out("Texts/Slide 1.txt").c_str(), 0755);  // a folder where the file goes
  SaveSlideTexts(run.job, run.env.output_folder);
  EXPECT_NE(run.sink.log.find("Cannot save text " + run.Out("Texts/Slide 1.txt")),
            std::string::npos);
  EXPECT_EQ(run.view.Labels(ResultList::kTexts), (std::vector<std::string>{"All slide texts"}));
}

}  // namespace
}  // namespace vlx::testing
