// The trace: nothing without a file; with one, every stamp in order with its
// stage, number and label after the line with the time it was opened.
#include "base/trace.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

TEST(Trace, StampsGoToTheFileWhenItCloses) {
  const std::string path = ::testing::TempDir() + "relivo_trace_test.txt";
  std::remove(path.c_str());
  TraceMark(TraceStage::kInputTaken, 1);  // not open: nothing
  TraceOpen("");
  EXPECT_FALSE(TraceOn());
  TraceOpen(path.c_str());
  ASSERT_TRUE(TraceOn());
  TraceMark(TraceStage::kInputTaken, 73);
  TraceMark(TraceStage::kStartPhase, 3, "window");
  TraceMark(TraceStage::kWriteStarted, 1);
  EXPECT_FALSE(std::ifstream(path).good()) << "written only when it closes";
  TraceClose();
  EXPECT_FALSE(TraceOn());
  std::ifstream in(path);
  std::string opened, clock;
  in >> opened >> clock;
  EXPECT_EQ(opened, "opened");
  int h = -1, m = -1, s = -1, ms = -1;
  EXPECT_EQ(std::sscanf(clock.c_str(), "%d:%d:%d.%d", &h, &m, &s, &ms), 4) << clock;
  long long at = 0, last = 0;
  std::string stage, label;
  long number = 0;
  in >> at >> stage >> number;
  EXPECT_EQ(stage + " " + std::to_string(number), "input 73");
  last = at;
  in >> at >> stage >> number >> label;
  EXPECT_EQ(stage + " " + std::to_string(number) + " " + label, "start 3 window");
  EXPECT_GE(at, last);
  in >> at >> stage >> number;
  EXPECT_EQ(stage + " " + std::to_string(number), "write 1");
  EXPECT_FALSE(in >> at) << "three stamps, nothing more";
  std::remove(path.c_str());
}
