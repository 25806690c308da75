#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/job/messages.h"
#include "engine/job/trace_log.h"
#include "tests/support/recording_sink.h"
#include "tests/support/temp_dir.h"

namespace vlx {
namespace {

using testing::ReadAll;
using testing::TempDir;

TEST(TraceLogTest, CheckpointNumbersKeepTheirTwoWidths) {
  EXPECT_EQ(TraceLog::CheckpointText(1), "SUCC 0001\r\n");
  EXPECT_EQ(TraceLog::CheckpointText(99), "SUCC 0099\r\n");
  EXPECT_EQ(TraceLog::CheckpointText(100), "SUCC 00100\r\n");
  EXPECT_EQ(TraceLog::CheckpointText(153), "SUCC 00153\r\n");
}

TEST(TraceLogTest, AppendsUtf16LittleEndianWithoutByteOrderMark) {
  TempDir dir;
  TraceLog log(dir.File("VlxPpt.log"), true);
  log.Checkpoint(1);
  log.Trace("\xC3\xA9\r\n");  // e-acute, as UTF-8
  const auto bytes = ReadAll(log.path());
  const std::vector<unsigned char> expected = {'S',  0, 'U',  0, 'C',  0, 'C',  0, ' ',  0,
                                               '0',  0, '0',  0, '0',  0, '1',  0, '\r', 0,
                                               '\n', 0, 0xE9, 0, '\r', 0, '\n', 0};
  EXPECT_EQ(bytes, expected);
}

TEST(TraceLogTest, DisabledLogWritesNoCheckpointAndRemoveDeletesTheFile) {
  TempDir dir;
  TraceLog log(dir.File("VlxPpt.log"), false);
  log.Checkpoint(3);
  struct stat st {};
  EXPECT_NE(::stat(log.path().c_str(), &st), 0);
  log.Trace("x");
  ASSERT_EQ(::stat(log.path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  log.Remove();
  EXPECT_NE(::stat(log.path().c_str(), &st), 0);
}

TEST(TraceLogTest, NeverFollowsALinkPlantedAtItsName) {
  TempDir dir;
  const std::string victim = dir.Write("victim", {'k', 'e', 'e', 'p'});
  ASSERT_EQ(::symlink(victim.c_str(), dir.File("VlxPpt.log").c_str()), 0);
  TraceLog log(dir.File("VlxPpt.log"), true);
  log.Checkpoint(1);
  log.Remove();
  EXPECT_EQ(ReadAll(victim), (std::vector<unsigned char>{'k', 'e', 'e', 'p'}));
}

TEST(MessagesTest, CriticalErrorTextAndItsPresentation) {
  EXPECT_EQ(CriticalErrorText(4),
            "Critical Error 004 has occured. Please restart the application.");
  EXPECT_EQ(CriticalErrorText(33),
            "Critical Error 033 has occured. Please restart the application.");
  testing::RecordingSink sink;
  ShowCriticalError(sink, 7);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.maximised, 1);
  EXPECT_EQ(sink.messages[0].caption, "Veltrix Pellum PowerPoint");
  EXPECT_EQ(sink.messages[0].style, kStyleInformation);
  EXPECT_EQ(sink.messages[0].owner, MessageOwner::kView);
}

TEST(MessagesTest, CounterAndPercent) {
  EXPECT_EQ(CounterText(76800, 1048576), "76800\\1048576");
  EXPECT_EQ(CounterText(int64_t{3000000000}, 1), "-1294967296\\1");  // low 32 bits, signed
  EXPECT_EQ(Percent(1023, 1024), 99);
  EXPECT_EQ(Percent(0, 0), 0);
  EXPECT_EQ(Percent(2147483647, 2147483647), 100);  // no 32-bit overflow
}

}  // namespace
}  // namespace vlx
