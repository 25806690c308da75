#include "cli/run_report.h"

#include <gtest/gtest.h>

#include "cli/json_writer.h"
#include "tool_process.h"

namespace vlx::cli {
namespace {

using vlx::testing::JsonQuery;

TEST(JsonEscapeTest, ControlCharactersQuotesAndBackslashes) {
  EXPECT_EQ(JsonEscape("a\"b\\c\r\n\t\x01\x7f"), "a\\\"b\\\\c\\r\\n\\t\\u0001\\u007f");
}

TEST(JsonEscapeTest, KeepsUtf8AndReplacesBytesThatAreNotUtf8) {
  EXPECT_EQ(JsonEscape("Gr\xC3\xBC\xC3\x9F \xE4\xB8\xAD"), "Gr\xC3\xBC\xC3\x9F \xE4\xB8\xAD");
  EXPECT_EQ(JsonEscape("a\xFF"
                       "b"),
            "a\xEF\xBF\xBD"
            "b");                                 // stray byte
  EXPECT_EQ(JsonEscape("\xC3"), "\xEF\xBF\xBD");  // cut sequence at the end
  EXPECT_EQ(JsonEscape("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");  // surrogate
  EXPECT_EQ(JsonEscape("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");                  // overlong '/'
}

TEST(JsonWriterTest, NestedValuesAreSeparated) {
  JsonWriter json;
  json.BeginObject().Key("a").BeginArray().Number(1).Number(-2).EndArray();
  json.Key("b").BeginObject().EndObject().Key("c").Bool(false).Key("d").Null().EndObject();
  EXPECT_EQ(JsonQuery(json.text(), "d"), "{'a': [1, -2], 'b': {}, 'c': False, 'd': None}");
}

RunRecord SampleRun() {
  RunRecord run;
  run.mode = "standard";
  run.output_folder = "/out/Rec/";
  run.saved_presentation = "/out/Rec/RecSlide.ppt";
  run.slides = {{"Slide 1", "/out/Rec/Thumbnails/Slide 1.jpg"}, {"Slide 2", ""}};
  run.data_slides = {{"Data Slide1", "/out/Rec/Thumbnails/Data Slide 1.jpg"}};
  run.pictures = {{"/out/Rec/Pictures/Image1.png", "png", "", 70144},
                  {"/out/Rec/Pictures/Image2.wmf", "wmf", ""}};
  run.texts = {{"Slide 2 text", "/out/Rec/Texts/Slide 2.txt"}};
  run.critical_errors = {6};
  CensusSummary census;
  census.drawings = 4;
  census.main_masters = 1;
  census.picture_stream_start = 1536;
  census.texts = {{0, false, "Title \"one\""}, {1, true, "\xE4\xB8\xAD"}};
  run.census = census;
  run.masters = {{1, "found master, found blip store", "/out/Rec/Masters/Master Slide 1.jpg"}};
  return run;
}

TEST(ReportJsonTest, RunFieldsAreAllThere) {
  FileReport file;
  file.input = "/in/deck.ppt";
  file.runs = {SampleRun()};
  const std::string json = ReportJson({file}, 0);
  EXPECT_EQ(JsonQuery(json, "d['tool'], d['exit_status'], d['files'][0]['input']"),
            "('vlxrecover', 0, '/in/deck.ppt')");
  const std::string run = "d['files'][0]['runs'][0]";
  EXPECT_EQ(JsonQuery(json, run + "['mode'], " + run + "['saved_presentation']"),
            "('standard', '/out/Rec/RecSlide.ppt')");
  EXPECT_EQ(JsonQuery(json, "[s['thumbnail'] for s in " + run + "['slides']]"),
            "['/out/Rec/Thumbnails/Slide 1.jpg', None]");
  EXPECT_EQ(JsonQuery(json, run + "['data_slides'][0]['label']"), "Data Slide1");
  EXPECT_EQ(
      JsonQuery(json, run + "['pictures'][0]['file'], " + run + "['pictures'][0]['extension']"),
      "('/out/Rec/Pictures/Image1.png', 'png')");
  EXPECT_EQ(JsonQuery(json, "[p['offset'] for p in " + run + "['pictures']]"), "[70144, None]");
  EXPECT_EQ(JsonQuery(json, run + "['texts']"),
            "[{'label': 'Slide 2 text', 'file': '/out/Rec/Texts/Slide 2.txt'}]");
  EXPECT_EQ(JsonQuery(json, run + "['critical_errors'], " + run + "['stopped']"), "([6], False)");
  EXPECT_EQ(JsonQuery(json, run + "['census']['drawings'], " + run +
                                "['census']['picture_stream_start']"),
            "(4, 1536)");
  EXPECT_EQ(JsonQuery(json, run + "['census']['slide_texts'][0]['text']"), "Title \"one\"");
  EXPECT_EQ(JsonQuery(json, "len(" + run + "['census']['slide_texts'][1]['text'])"), "1");
  EXPECT_EQ(JsonQuery(json, run + "['master_candidates'][0]['number']"), "1");
}

TEST(ReportJsonTest, RefusedInputAndEmptyRunUseNulls) {
  FileReport refused;
  refused.input = "/in/missing\xFF.ppt";
  refused.exit_status = 2;
  refused.error = "/in/missing.ppt: No such file or directory";
  FileReport empty;
  empty.input = "/in/noise.bin";
  empty.exit_status = 1;
  RunRecord run;
  run.mode = "fast";
  run.output_folder = "/out/1Rec/";
  empty.runs = {run};
  const std::string json = ReportJson({refused, empty}, 2);
  EXPECT_EQ(JsonQuery(json, "d['files'][0]['runs'], d['files'][0]['error'][:8]"),
            "([], '/in/miss')");
  EXPECT_EQ(JsonQuery(json, "d['files'][0]['input'].endswith('\\ufffd.ppt')"), "True");
  const std::string run1 = "d['files'][1]['runs'][0]";
  EXPECT_EQ(JsonQuery(json, run1 + "['saved_presentation'], 'census' in " + run1 + ", " + run1 +
                                "['pictures']"),
            "(None, False, [])");
}

TEST(ReportJsonTest, FastRunSaysHowItRecovered) {
  FileReport file;
  file.input = "/in/deck.ppt";
  RunRecord run;
  run.mode = "fast";
  run.output_folder = "/out/Rec/";
  RecoveryOutcome outcome;
  outcome.method = "stitched streams";
  outcome.verified = true;
  outcome.verdict = "verified: 1 user edit(s), 7 persist objects, 2 slide(s)";
  outcome.repairs = {"Current User rebuilt"};
  outcome.checked_slides = 2;
  outcome.opened = true;
  run.recovery = outcome;
  file.runs = {run, RunRecord{}};
  const std::string json = ReportJson({file}, 0);
  const std::string recovery = "d['files'][0]['runs'][0]['recovery']";
  EXPECT_EQ(JsonQuery(json, recovery + "['method'], " + recovery + "['verified'], " + recovery +
                                "['checked_slides'], " + recovery + "['opened']"),
            "('stitched streams', True, 2, True)");
  EXPECT_EQ(JsonQuery(json, recovery + "['repairs']"), "['Current User rebuilt']");
  EXPECT_EQ(JsonQuery(json, "'recovery' in d['files'][0]['runs'][1]"), "False");
}

TEST(RunRecordTest, AnyResultCountsAsRecovered) {
  RunRecord run;
  EXPECT_FALSE(run.RecoveredSomething());
  run.pictures.push_back({"p", "png", ""});
  EXPECT_TRUE(run.RecoveredSomething());
  run = RunRecord{};
  run.saved_presentation = "x.ppt";
  EXPECT_TRUE(run.RecoveredSomething()) << "saved, and no office to open it";
}

TEST(RunRecordTest, ASavedPresentationTheOfficeOpensNoSlideOfIsNothing) {
  RunRecord run;
  run.saved_presentation = "x.ppt";
  run.checked_by_office = true;
  EXPECT_FALSE(run.RecoveredSomething());
  run.data_slides.push_back({"Data Slide1", ""});
  EXPECT_TRUE(run.RecoveredSomething());
  run = RunRecord{};
  run.texts.push_back({"All slide texts", "t.txt"});
  EXPECT_TRUE(run.RecoveredSomething());
}

TEST(RunRecordTest, TheOutputFolderOfARunThatPutNothingThereIsNull) {
  RunRecord run;
  run.mode = "fast";
  FileReport file;
  file.input = "a.ppt";
  file.runs.push_back(run);
  EXPECT_EQ(JsonQuery(ReportJson({file}, 1), "d['files'][0]['runs'][0]['output_folder']"), "None");
}

}  // namespace
}  // namespace vlx::cli
