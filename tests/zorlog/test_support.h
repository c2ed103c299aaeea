// Shared helpers of the zorlog.dll tests: binding the DLL through its
// exports, scratch folders, and reading output lines back.
#ifndef ZORLOG_TESTS_TEST_SUPPORT_H
#define ZORLOG_TESTS_TEST_SUPPORT_H

#include <windows.h>

#include <gtest/gtest.h>

#include "TempDir.h"

#include <memory>
#include <string>
#include <vector>

#include "zorlog/zorlog.h"

namespace zorlog_test {

// zorlog.dll loaded with LoadLibraryW and its two exports looked up by name.
class Library {
 public:
  Library();
  ~Library();
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  bool loaded() const { return dll_ && get_ && free_; }
  zorlog::GetCppModuleInterfaceFn get() const { return get_; }
  zorlog::FreeCppModuleInterfaceFn free() const { return free_; }

 private:
  HMODULE dll_ = nullptr;
  zorlog::GetCppModuleInterfaceFn get_ = nullptr;
  zorlog::FreeCppModuleInterfaceFn free_ = nullptr;
};

// A fresh folder under the temporary path, removed with its content.
using TempDir = oxtest::TempDir;

bool WriteBytes(const std::wstring& path, const std::string& bytes);
// The whole file; empty when it cannot be read.
std::string ReadBytes(const std::wstring& path);
using oxtest::FileExists;

std::string Utf8(const std::wstring& text);
// The UTF-16LE bytes of a text (no mark).
std::string Utf16Le(const std::wstring& text);
std::string Utf16Be(const std::wstring& text);

// One output line taken apart.
struct Line {
  SYSTEMTIME time = {};
  unsigned long thread_id = 0;
  std::string level;    // "TRACE", "DEBUG", "INFO", "WARN", "ERROR", "FATAL"
  std::string name;     // UTF-8
  std::string message;  // UTF-8
};

// Parses "YYYY-MM-DD hh:mm:ss.mmm [tid] LEVEL name: message" (without the
// line break); name is the logger name expected, since names may hold spaces.
bool ParseLine(const std::string& text, const std::string& name, Line* line);

// Splits a file into lines; *whole is false when a line does not end with
// "\r\n" or holds a lone CR or LF.
std::vector<std::string> SplitLines(const std::string& bytes, bool* whole);

// Milliseconds since 1601 of a local time, for ordering checks.
long long ToMillis(const SYSTEMTIME& time);

// A logger handed back to its module when it goes out of scope.
struct LoggerRelease {
  zorlog::LogModuleInterface* module;
  void operator()(zorlog::Logger* logger) const { module->ReleaseLogger(logger); }
};
using LoggerPtr = std::unique_ptr<zorlog::Logger, LoggerRelease>;

// The test fixture: the library, one bound module and a scratch folder.
class ZorlogTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes "log.property" (UTF-8 text as given) into the scratch folder and
  // loads it.
  bool LoadConfigText(const std::string& text, const std::wstring& file_name = L"log.property");
  std::wstring ConfigPath(const std::wstring& file_name = L"log.property") const { return dir_.File(file_name); }
  LoggerPtr MakeLogger(const wchar_t* name, int flags = zorlog::kLoggerFlagNone) {
    return LoggerPtr(module_->CreateLogger(name, flags), LoggerRelease{module_});
  }
  // The lowest level the logger writes, 6 when none.
  static int Threshold(zorlog::Logger* logger);

  Library library_;
  TempDir dir_;
  zorlog::LogModuleInterface* module_ = nullptr;
};

}  // namespace zorlog_test

#endif  // ZORLOG_TESTS_TEST_SUPPORT_H
