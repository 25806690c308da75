#include "cli/console_sink.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace vlx::cli {
namespace {

// A sink writing into a temporary file whose text the test reads back.
class CapturedSink {
 public:
  explicit CapturedSink(bool terminal) : file_(std::tmpfile()), sink_(file_, terminal) {}
  ~CapturedSink() { std::fclose(file_); }
  ConsoleSink& sink() { return sink_; }
  std::string Text() {
    std::fflush(file_);
    std::string text;
    std::rewind(file_);
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file_)) > 0) text.append(buffer, n);
    return text;
  }

 private:
  std::FILE* file_;
  ConsoleSink sink_;
};

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST(ConsoleSinkTest, PlainOutputHasNoLinePerBlock) {
  CapturedSink out(false);
  out.sink().SetStatus("Analyzing Phase 1...");
  for (int block = 0; block < 5000; ++block) {
    out.sink().SetProgress(block * 100 / 5000);
    out.sink().SetCounter(std::to_string(block * 512) + "\\2560000");
  }
  out.sink().SetStatus("Analyzing Phase 1...");  // unchanged: no second line
  out.sink().SetStatus("Analyzing Phase 2...");
  EXPECT_EQ(out.Text(), "Analyzing Phase 1...\nAnalyzing Phase 2...\n");
}

TEST(ConsoleSinkTest, BarIsRedrawnOnlyWhenPercentOrStatusChanges) {
  CapturedSink out(true);
  out.sink().SetStatus("searching for slides...");  // 1 draw
  for (int block = 0; block < 10000; ++block) {
    out.sink().SetProgress(block * 100 / 10000);  // 100 distinct values
    out.sink().SetCounter(std::to_string(block));
  }
  out.sink().SetStatus("searching for text...");  // 1 draw
  const std::string text = out.Text();
  EXPECT_EQ(Count(text, "\r["), 102u);
  EXPECT_NE(text.find("99%  searching for slides..."), std::string::npos);
}

TEST(ConsoleSinkTest, LogTextBecomesWholeLines) {
  CapturedSink out(false);
  out.sink().ReplaceLog("\t\tRepairing file << a.ppt >>\r\n");
  out.sink().AppendLog("    Recovered Slide 1\r\n    Recovered Slide 2\r\n");
  out.sink().AppendLog("Repairing completed");  // the driver adds no line end
  EXPECT_EQ(out.Text(),
            "\t\tRepairing file << a.ppt >>\n    Recovered Slide 1\n    Recovered Slide 2\n"
            "Repairing completed\n");
}

TEST(ConsoleSinkTest, LogLineClearsAndRedrawsTheBar) {
  CapturedSink out(true);
  out.sink().SetProgress(40);
  out.sink().AppendLog("Recovered Image 1\r\n");
  const std::string text = out.Text();
  const size_t clear = text.find("\r\x1b[KRecovered Image 1\n");
  ASSERT_NE(clear, std::string::npos) << text;
  EXPECT_NE(text.find(" 40%", clear), std::string::npos) << "bar drawn again after the line";
}

TEST(ConsoleSinkTest, QuestionsAreAnsweredNoAndNoticesOk) {
  CapturedSink out(false);
  EXPECT_EQ(out.sink().ShowMessage(MessageOwner::kView, "Stop?", "Veltrix Pellum PowerPoint",
                                   kStyleYesNoWarning),
            kAnswerNo);
  EXPECT_EQ(out.sink().ShowMessage(MessageOwner::kView, "Why?", "Caption", kStyleYesNoQuestion),
            kAnswerNo);
  EXPECT_EQ(out.sink().ShowMessage(MessageOwner::kView, "Note", "Caption", kStyleWarning),
            kAnswerOk);
  EXPECT_EQ(out.sink().ShowMessage(MessageOwner::kView, "Info", "Caption", kStyleInformation),
            kAnswerOk);
  EXPECT_NE(out.Text().find("Veltrix Pellum PowerPoint: Stop? [answered No]\n"), std::string::npos);
}

TEST(ConsoleSinkTest, CriticalErrorsAreCollectedPerRun) {
  CapturedSink out(false);
  out.sink().ShowMessage(MessageOwner::kView,
                         "Critical Error 004 has occured. Please restart the application.",
                         "Veltrix Pellum PowerPoint", kStyleInformation);
  out.sink().ShowMessage(MessageOwner::kView, "Some warning", "Veltrix Pellum PowerPoint",
                         kStyleWarning);
  out.sink().ShowMessage(MessageOwner::kView,
                         "Critical Error 033 has occured. Please restart the application.",
                         "Veltrix Pellum PowerPoint", kStyleInformation);
  EXPECT_EQ(out.sink().TakeCriticalErrors(), (std::vector<int>{4, 33}));
  EXPECT_TRUE(out.sink().TakeCriticalErrors().empty());
}

TEST(ConsoleSinkTest, WithoutOfficeTheOfficeStartErrorsAreOneNote) {
  CapturedSink out(false);
  out.sink().ExpectNoOffice();
  for (int code : {8, 17, 17, 33}) {
    char text[80];
    std::snprintf(text, sizeof text,
                  "Critical Error %03d has occured. Please restart the application.", code);
    out.sink().ShowMessage(MessageOwner::kView, text, "Veltrix Pellum PowerPoint",
                           kStyleInformation);
  }
  out.sink().ShowMessage(MessageOwner::kView,
                         "Critical Error 006 has occured. Please restart the application.",
                         "Veltrix Pellum PowerPoint", kStyleInformation);
  const std::string text = out.Text();
  EXPECT_EQ(Count(text, "No office is used"), 1u);
  EXPECT_EQ(Count(text, "Critical Error"), 1u) << "only 006 is printed: " << text;
  EXPECT_EQ(out.sink().TakeCriticalErrors(), (std::vector<int>{8, 17, 17, 33, 6}));
}

TEST(ConsoleSinkTest, CriticalErrorCodeNeedsThreeDigits) {
  EXPECT_EQ(CriticalErrorCode("Critical Error 010 has occured. Please restart the application."),
            10);
  EXPECT_EQ(CriticalErrorCode("Critical Error 12 has occured."), -1);
  EXPECT_EQ(CriticalErrorCode("Critical Error 0123 has occured."), -1);
  EXPECT_EQ(CriticalErrorCode("Please select standard mode"), -1);
}

}  // namespace
}  // namespace vlx::cli
