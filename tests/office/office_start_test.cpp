// Starting the office: every way it can fail ends in AutomationError, never in a hang
// or a stray process.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "automation/libreoffice/libreoffice_server.h"
#include "automation/libreoffice/office_process_table.h"
#include "automation/libreoffice/slide_image_size.h"
#include "tests/office/office_test_support.h"

namespace vlx {
namespace {

using testing::TempDir;

std::string Script(const TempDir& temp, const std::string& name, const std::string& body) {
  const std::string path = temp.File(name);
  std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
  ::chmod(path.c_str(), 0700);
  return path;
}

std::string ErrorOf(LibreOfficeServer& server) {
  try {
    server.CreateApplication(office::kProgId);
  } catch (const office::AutomationError& error) {
    return error.what();
  }
  return "";
}

TEST(OfficeStartTest, MissingProgramFails) {
  TempDir temp;
  LibreOfficeServer server({.program = temp.File("soffice.bin")});
  EXPECT_NE(ErrorOf(server).find("no office program"), std::string::npos);
  EXPECT_EQ(server.OfficePid(), 0);
}

TEST(OfficeStartTest, UnknownProgIdFails) {
  LibreOfficeServer server({.program = "/nonexistent/soffice.bin"});
  EXPECT_THROW(server.CreateApplication("Word.Application"), office::AutomationError);
}

TEST(OfficeStartTest, ProgramThatEndsDuringStartFails) {
  TempDir temp;
  LibreOfficeServer server({.program = Script(temp, "quits", "exit 0")});
  EXPECT_NE(ErrorOf(server).find("ended while starting"), std::string::npos);
}

// A new profile makes the office exit with 81 once; it is then started again with the
// same profile. This stand-in does that and then never answers.
TEST(OfficeStartTest, RestartsOnceAfterProfileCreationThenGivesUpAndLeavesNothing) {
  TempDir temp;
  const std::string runs = temp.File("runs");
  const std::string body = "echo run >> " + runs + "\nif [ ! -e " + runs + ".1 ]; then touch " +
                           runs + ".1; exit 81; fi\nsleep 60; :";
  LibreOfficeServer server(
      {.program = Script(temp, "office", body), .connect_timeout = std::chrono::milliseconds(500)});
  EXPECT_NE(ErrorOf(server).find("did not answer"), std::string::npos);
  std::ifstream in(runs);
  int lines = 0;
  for (std::string line; std::getline(in, line);) ++lines;
  EXPECT_EQ(lines, 2);
  for (const lo::OfficeProcess& p : lo::FindOwnOfficeProcesses()) {
    ADD_FAILURE() << "office process " << p.pid << " was left running";
  }
}

TEST(SlideImageSizeTest, KeepsTheSlideAspectWithinTwiceTheThumbnailBox) {
  EXPECT_EQ(lo::SlideImageSize(25400, 19050).width, 320);  // 10 x 7.5 in
  EXPECT_EQ(lo::SlideImageSize(25400, 19050).height, 240);
  EXPECT_EQ(lo::SlideImageSize(33867, 19050).width, 340);  // 16:9
  EXPECT_EQ(lo::SlideImageSize(33867, 19050).height, 191);
  EXPECT_EQ(lo::SlideImageSize(19050, 25400).width, 180);  // portrait
  EXPECT_EQ(lo::SlideImageSize(19050, 25400).height, 240);
  // A huge page is scaled down whole, not clipped on one side.
  const auto huge = lo::SlideImageSize(2540000, 1905000);
  EXPECT_EQ(huge.width, 320);
  EXPECT_EQ(huge.height, 240);
  EXPECT_EQ(lo::SlideImageSize(0, 19050).width, 320);
}

}  // namespace
}  // namespace vlx
