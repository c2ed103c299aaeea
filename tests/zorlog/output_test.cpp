// The output file: where relative paths lead, append or truncate, sharing
// with readers, and outputs that cannot be opened.
#include <string>

#include "test_support.h"

namespace zorlog_test {
namespace {

using ZorlogOutput = ZorlogTest;

struct PathCase {
  const char* label;
  std::string file_value;  // as written after "file="
  std::wstring expected;   // relative to the scratch folder
};

TEST_F(ZorlogOutput, FilePathsResolveAgainstConfigFolder) {
  // The current directory is elsewhere: relative paths must not follow it.
  TempDir elsewhere;
  wchar_t saved[MAX_PATH];
  ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, saved), 0u);
  ASSERT_TRUE(SetCurrentDirectoryW(elsewhere.Path().c_str()));
  const PathCase cases[] = {
      {"plain name", "plain.log", L"plain.log"},
      {"dot prefix", ".\\dot.log", L"dot.log"},
      {"forward slashes", "sub/fwd.log", L"sub\\fwd.log"},
      {"new folders", "logs\\deep\\nested.log", L"logs\\deep\\nested.log"},
      {"parent", "sub\\..\\up.log", L"up.log"},
      {"quoted with spaces", "\"with space.log\"", L"with space.log"},
      {"absolute", Utf8(dir_.File(L"abs.log")), L"abs.log"},
  };
  for (const PathCase& c : cases) {
    SCOPED_TRACE(c.label);
    ASSERT_TRUE(LoadConfigText("file=" + c.file_value + "\n"));
    LoggerPtr logger = MakeLogger(L"path");
    EXPECT_TRUE(logger->LogF(zorlog::kWarn, L"%hs", c.label));
    std::string text = ReadBytes(dir_.File(c.expected));
    EXPECT_NE(text.find(std::string(": ") + c.label + "\r\n"), std::string::npos) << text;
  }
  EXPECT_TRUE(SetCurrentDirectoryW(saved));
}

struct AppendCase {
  const char* config;
  bool keeps_old;
};

TEST_F(ZorlogOutput, AppendOrTruncate) {
  const AppendCase cases[] = {
      {"", true}, {"append=true", true}, {"append = YES", true}, {"append=false", false}, {"append=0", false},
  };
  for (const AppendCase& c : cases) {
    SCOPED_TRACE(c.config);
    ASSERT_TRUE(WriteBytes(dir_.File(L"out.log"), "old line\r\n"));
    ASSERT_TRUE(LoadConfigText(std::string("file=out.log\n") + c.config + "\n"));
    LoggerPtr logger = MakeLogger(L"app");
    ASSERT_TRUE(logger->LogF(zorlog::kInfo, L"new line"));
    std::string text = ReadBytes(dir_.File(L"out.log"));
    EXPECT_EQ(text.rfind("old line\r\n", 0) == 0, c.keeps_old) << text;
    EXPECT_NE(text.find(": new line\r\n"), std::string::npos) << text;
  }
}

TEST_F(ZorlogOutput, FileIsSharedWithReaders) {
  ASSERT_TRUE(LoadConfigText("file=shared.log\n"));
  LoggerPtr logger = MakeLogger(L"share");
  ASSERT_TRUE(logger->LogF(zorlog::kInfo, L"first"));
  const std::wstring path = dir_.File(L"shared.log");
  // A reader that does not share writing would be refused.
  HANDLE reader = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(logger->LogF(zorlog::kInfo, L"second"));
  module_->Flush();
  char buffer[512];
  DWORD read = 0;
  ASSERT_TRUE(ReadFile(reader, buffer, sizeof(buffer), &read, nullptr));
  CloseHandle(reader);
  std::string text(buffer, read);
  EXPECT_NE(text.find(": first\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find(": second\r\n"), std::string::npos) << text;
  // The host's open file does not stop its deletion.
  EXPECT_TRUE(DeleteFileW(path.c_str()));
}

TEST_F(ZorlogOutput, UnopenableFileDropsLines) {
  const char* const kConfigs[] = {
      "file=Q:\\no\\such\\drive\\out.log\n",  // folder cannot be made
      "file=.\n",                              // the config folder itself
      "file=bad\x01<>|name.log\n",
  };
  for (const char* config : kConfigs) {
    SCOPED_TRACE(config);
    ASSERT_TRUE(LoadConfigText(config));
    LoggerPtr plain = MakeLogger(L"plain", zorlog::kLoggerFlagNone);
    LoggerPtr debug = MakeLogger(L"debug", zorlog::kLoggerFlagDebugger);
    EXPECT_FALSE(plain->LogF(zorlog::kFatal, L"dropped"));
    // The debugger stream still takes the line.
    EXPECT_TRUE(debug->LogF(zorlog::kFatal, L"kept"));
    module_->Flush();
  }
}

TEST_F(ZorlogOutput, FileIsUtf8WithoutMark) {
  ASSERT_TRUE(LoadConfigText("file=utf8.log\n"));
  LoggerPtr logger = MakeLogger(L"\u00fcml");
  ASSERT_TRUE(logger->LogF(zorlog::kInfo, L"\u00e4\u00f6\u00fc"));
  std::string text = ReadBytes(dir_.File(L"utf8.log"));
  ASSERT_GE(text.size(), 3u);
  EXPECT_NE(text.compare(0, 3, "\xEF\xBB\xBF"), 0);
  Line line;
  ASSERT_TRUE(ParseLine(text.substr(0, text.size() - 2), "\xC3\xBCml", &line)) << text;
  EXPECT_EQ(line.message, "\xC3\xA4\xC3\xB6\xC3\xBC");
}

}  // namespace
}  // namespace zorlog_test
