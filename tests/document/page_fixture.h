#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "base/log.h"
#include "document/dot_page.h"

// Records what the model asked of the window.
struct RecordingView : PageObserver {
  int refreshes = 0, fullRefreshes = 0, pinRepaints = 0, pageRepaints = 0, textRepaints = 0;
  std::vector<std::string> status, edits;
  void RequestRefresh(bool full) override { ++(full ? fullRefreshes : refreshes); }
  void RepaintPins() override { ++pageRepaints; }
  void RepaintPin(int, int) override { ++pinRepaints; }
  void RepaintTextLine() override { ++textRepaints; }
  void ShowStatus(const char* text) override { status.emplace_back(text); }
  void SetEditText(const char* text) override { edits.emplace_back(text); }
  // Language texts by key; a key not here gives its default.
  std::map<std::string, std::string> texts;
  void GetText(const char* key, char* out, const char* def, int size) override {
    auto found = texts.find(key);
    CopyText(out, static_cast<std::size_t>(size), found != texts.end() ? found->second.c_str() : def);
  }
};

inline DotPage EmptyPage() {
  DotPage page;
  std::memset(&page, 0, sizeof page);
  page.columns = kPageColumns;
  page.rows = kPageRows;
  page.pinSize = 10;
  return page;
}

inline DTM EmptyRecord() {
  DTM record;
  std::memset(&record, 0, sizeof record);
  return record;
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

// A test of files: a log of its own, started afresh, an empty page and
// record, and a view that records what the model asked of it.
class PageFileTest : public ::testing::Test {
 protected:
  explicit PageFileTest(const char* logPath) : logPath_(logPath) {}
  void SetUp() override {
    LogSetPath(logPath_);
    LogReset();
    LogSetLevel(1);
    page = EmptyPage();
    record = EmptyRecord();
  }
  std::string Log() const { return ReadBytes(logPath_); }
  DotPage page;
  DTM record;
  RecordingView view;

 private:
  const char* logPath_;
};
