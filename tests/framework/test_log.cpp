// The log lines: exact bytes on the real streams without a sink, and whole lines through a
// sink from several threads at once.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "framework/log.h"
#include "test_support.h"

namespace dx {
namespace {

TEST(LogStreams, WithoutASinkDebugWritesJoinedPiecesOnStandardError) {
  resetLogState();
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  debug("speed", 2.5f, -3, true, 'x');
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "speed, 2.5, -3, true, x\n");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(LogStreams, WithoutASinkEchoWritesPiecesBackToBackOnStandardOutput) {
  resetLogState();
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  echo("loaded ", 2, " pid settings");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "loaded 2 pid settings\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(LogSink, ReceivesEachLineWithItsStreamAndNothingReachesTheStreams) {
  std::vector<std::pair<LogStream, std::string>> lines;
  logState().sink = [&](LogStream s, std::string_view line) { lines.emplace_back(s, line); };
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  debug("a", 1);
  echo("b", 2);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  resetLogState();
  EXPECT_FALSE(logState().sink);
  EXPECT_EQ(lines,
            (std::vector<std::pair<LogStream, std::string>>{{LogStream::debug, "a, 1"}, {LogStream::echo, "b2"}}));
}

TEST(LogCapture, CollectsBothFormsAndRestoresTheSinkBefore) {
  test::LogCapture outer;
  {
    test::LogCapture inner;
    debug("x", 1);
    echo("y", 2);
    EXPECT_EQ(inner.err(), "x, 1\n");
    EXPECT_EQ(inner.out(), "y2\n");
    inner.clear();
    echo("z");
    EXPECT_EQ(inner.out(), "z\n");
    EXPECT_EQ(inner.err(), "");
  }
  echo("after");
  EXPECT_EQ(outer.out(), "after\n");
  EXPECT_EQ(outer.err(), "");
}

// The trainer logs from its worker threads: every line arrives whole.
TEST(LogCapture, KeepsEveryLineFromSeveralThreads) {
  test::LogCapture log;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([] {
      for (int i = 0; i < 500; ++i) echo("line ", 1234567);
    });
  for (std::thread& t : threads) t.join();
  std::string expected;
  for (int i = 0; i < 4 * 500; ++i) expected += "line 1234567\n";
  EXPECT_EQ(log.out(), expected);
}

}  // namespace
}  // namespace dx
