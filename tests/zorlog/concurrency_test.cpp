// Many threads logging at once: every line whole and present, also while
// the configuration is reloaded and loggers come and go.
#include <atomic>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

namespace zorlog_test {
namespace {

using ZorlogConcurrency = ZorlogTest;

constexpr int kThreads = 8;
constexpr int kLinesPerThread = 2000;

// A message whose length varies a lot, so a torn write would show.
std::wstring Padding(int thread, int index) {
  return std::wstring(static_cast<size_t>((thread * 37 + index * 13) % 300), static_cast<wchar_t>(L'a' + thread));
}

// Parses "t=<thread> i=<index> <padding>", checking the padding.
bool ParseMessage(const std::string& message, int* thread, int* index) {
  if (std::sscanf(message.c_str(), "t=%d i=%d", thread, index) != 2) return false;
  if (*thread < 0 || *thread >= kThreads || *index < 0 || *index >= kLinesPerThread) return false;
  std::string expected = "t=" + std::to_string(*thread) + " i=" + std::to_string(*index) + " " +
                         Utf8(Padding(*thread, *index));
  return message == expected;
}

TEST_F(ZorlogConcurrency, ManyThreadsLinesStayWholeAndComplete) {
  ASSERT_TRUE(LoadConfigText("file=stress.log\nlevel=trace\ndebugger=off\n"));
  LoggerPtr logger = MakeLogger(L"msgbus", 1);
  std::vector<DWORD> thread_ids(kThreads, 0);
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      thread_ids[t] = GetCurrentThreadId();
      for (int i = 0; i < kLinesPerThread; ++i) {
        if (!logger->IsLevelEnabled(zorlog::kTrace) ||
            !logger->LogF(zorlog::kTrace, L"t=%d i=%d %s", t, i, Padding(t, i).c_str()))
          failures.fetch_add(1);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
  module_->Flush();

  bool whole = false;
  std::vector<std::string> lines = SplitLines(ReadBytes(dir_.File(L"stress.log")), &whole);
  EXPECT_TRUE(whole);
  ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLinesPerThread));
  std::vector<int> next(kThreads, 0);
  int bad = 0;
  for (const std::string& text : lines) {
    Line line;
    int t = -1;
    int i = -1;
    if (!ParseLine(text, "msgbus", &line) || !ParseMessage(line.message, &t, &i) || line.level != "TRACE" ||
        line.thread_id != thread_ids[t] || i != next[t]) {
      if (++bad <= 5) ADD_FAILURE() << "bad line: " << text.substr(0, 120);
      continue;
    }
    // Each thread's lines appear once each, in its order.
    ++next[t];
  }
  EXPECT_EQ(bad, 0);
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(next[t], kLinesPerThread) << "thread " << t;
}

TEST_F(ZorlogConcurrency, TwoModulesAppendToOneFile) {
  zorlog::LogModuleInterface* second = nullptr;
  ASSERT_TRUE(library_.get()(&second));
  ASSERT_TRUE(LoadConfigText("file=both.log\nlevel=info\ndebugger=off\n"));
  ASSERT_TRUE(second->LoadConfig(ConfigPath().c_str()));
  zorlog::Logger* loggers[2] = {module_->CreateLogger(L"one", 0), second->CreateLogger(L"one", 0)};
  ASSERT_NE(loggers[0], nullptr);
  ASSERT_NE(loggers[1], nullptr);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kLinesPerThread / 4; ++i)
        loggers[t % 2]->LogF(zorlog::kInfo, L"t=%d i=%d %s", t, i, Padding(t, i).c_str());
    });
  }
  for (std::thread& thread : threads) thread.join();
  module_->ReleaseLogger(loggers[0]);
  second->ReleaseLogger(loggers[1]);
  EXPECT_TRUE(library_.free()(&second));

  bool whole = false;
  std::vector<std::string> lines = SplitLines(ReadBytes(dir_.File(L"both.log")), &whole);
  EXPECT_TRUE(whole);
  EXPECT_EQ(lines.size(), static_cast<size_t>(kThreads * kLinesPerThread / 4));
  std::set<std::pair<int, int>> seen;
  for (const std::string& text : lines) {
    Line line;
    int t = -1;
    int i = -1;
    ASSERT_TRUE(ParseLine(text, "one", &line) && ParseMessage(line.message, &t, &i)) << text.substr(0, 120);
    EXPECT_TRUE(seen.insert({t, i}).second) << text.substr(0, 120);
  }
}

TEST_F(ZorlogConcurrency, ReloadAndLoggerChurnWhileLogging) {
  // Two configurations that differ in file and level, swapped back and forth.
  ASSERT_TRUE(WriteBytes(ConfigPath(L"a.property"), "file=a.log\nlevel=trace\ndebugger=off\n"));
  ASSERT_TRUE(WriteBytes(ConfigPath(L"b.property"), "file=b.log\nlevel=debug\nlogger.churn=warn\ndebugger=off\n"));
  ASSERT_TRUE(module_->LoadConfig(ConfigPath(L"a.property").c_str()));
  LoggerPtr logger = MakeLogger(L"msgbus");
  std::atomic<bool> stop{false};
  std::atomic<long> written{0};
  std::atomic<int> wrong{0};
  std::atomic<int> failed_loads{0};

  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads / 2; ++t) {
    writers.emplace_back([&, t] {
      for (int i = 0; i < kLinesPerThread; ++i) {
        if (logger->LogF(zorlog::kDebug, L"t=%d i=%d %s", t, i, Padding(t, i).c_str())) written.fetch_add(1);
      }
    });
  }
  std::thread reloader([&] {
    for (int round = 0; !stop.load(); ++round) {
      const wchar_t* name = (round % 2) ? L"b.property" : L"a.property";
      if (!module_->LoadConfig(ConfigPath(name).c_str())) failed_loads.fetch_add(1);
    }
  });
  std::thread churner([&] {
    while (!stop.load()) {
      zorlog::Logger* churn = module_->CreateLogger(L"churn", 0);
      zorlog::Logger* again = module_->CreateLogger(L"churn", 0);
      if (!churn || churn != again) {
        wrong.fetch_add(1);
        break;
      }
      // Both files let warn through and stop nothing above it.
      if (!churn->IsLevelEnabled(zorlog::kWarn)) wrong.fetch_add(1);
      churn->SetLevel(zorlog::kError);
      // The override holds whatever the reloader does.
      if (churn->IsLevelEnabled(zorlog::kWarn) || !churn->IsLevelEnabled(zorlog::kError)) wrong.fetch_add(1);
      churn->SetLevel(-1);
      if (!churn->IsLevelEnabled(zorlog::kWarn)) wrong.fetch_add(1);
      module_->ReleaseLogger(again);
      module_->ReleaseLogger(churn);
    }
  });
  for (std::thread& thread : writers) thread.join();
  stop.store(true);
  reloader.join();
  churner.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(failed_loads.load(), 0);
  EXPECT_GT(written.load(), 0);

  // Every line that Log reported is in one of the files, whole.
  size_t total = 0;
  for (const wchar_t* file : {L"a.log", L"b.log"}) {
    bool whole = false;
    std::vector<std::string> lines = SplitLines(ReadBytes(dir_.File(file)), &whole);
    EXPECT_TRUE(whole);
    for (const std::string& text : lines) {
      Line line;
      int t = -1;
      int i = -1;
      EXPECT_TRUE(ParseLine(text, "msgbus", &line) && ParseMessage(line.message, &t, &i)) << text.substr(0, 120);
    }
    total += lines.size();
  }
  EXPECT_EQ(total, static_cast<size_t>(written.load()));
}

}  // namespace
}  // namespace zorlog_test
