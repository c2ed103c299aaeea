// "log.property": levels by number and name, per-logger levels, comments,
// bad lines, encodings, and what a missing or broken file leaves.
#include <string>

#include "test_support.h"

namespace zorlog_test {
namespace {

using ZorlogConfig = ZorlogTest;

struct ConfigCase {
  const char* label;
  std::string bytes;  // the file as written
  bool loaded;        // LoadConfig's answer
  int msgbus;         // thresholds afterwards
  int comreg;
  int other;
};

std::string Bom8() { return "\xEF\xBB\xBF"; }

// A literal with its embedded NUL bytes.
template <size_t N>
std::string Bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}

const ConfigCase kConfigCases[] = {
    {"number", "level=3\n", true, 3, 3, 3},
    {"each number", "level=0\nlogger.msgbus=5\nlogger.OxComReg=6\n", true, 5, 6, 0},
    {"names any case", "LEVEL = Warn\nlogger.msgbus = TRACE\nLogger.OxComReg=dEbUg\n", true, 0, 1, 3},
    {"warning alias and fatal", "level=warning\nlogger.msgbus=fatal\n", true, 5, 3, 3},
    {"off", "level=off\n", true, 6, 6, 6},
    {"per logger over default", "level=error\nlogger.msgbus=0\nlogger.OxComReg = debug\n", true, 0, 1, 4},
    {"later line wins", "level=1\nlevel=4\nlogger.msgbus=0\nlogger.msgbus=3\n", true, 3, 4, 4},
    {"logger name case falls back", "logger.MSGBUS=0\nlogger.oxcomreg=5\n", true, 0, 5, 2},
    {"exact name beats case-folded", "logger.MsgBus=5\nlogger.msgbus=1\nlogger.MSGBUS=4\n", true, 1, 2, 2},
    {"comments and blanks", "# heading\n; other comment\n\n   \n\tlevel = 1   # trailing\nlogger.msgbus=0 ; why\n",
     true, 0, 1, 1},
    {"commented-out lines", "#level=0\n;logger.msgbus=0\n", true, 2, 2, 2},
    {"bad values skipped line by line",
     "level=0\nlevel=verbose\nlevel=7\nlevel=-1\nlevel=2.0\nlevel=\nlogger.msgbus=loud\nlogger.OxComReg=9\n", true, 0,
     0, 0},
    {"bad lines skipped", "nonsense\n=3\n level \nunknown=4\nlogger.=0\nlogger. =0\nlevel=4\n", true, 4, 4, 4},
    {"bad bool keeps default", "append=maybe\ndebugger=perhaps\nlevel=3\n", true, 3, 3, 3},
    {"CRLF", "level=4\r\nlogger.msgbus=0\r\n", true, 0, 4, 4},
    {"CR only", "level=4\rlogger.msgbus=0\r", true, 0, 4, 4},
    {"no final line break", "logger.OxComReg=trace", true, 2, 0, 2},
    {"quoted values", "level=\"warn\"\nlogger.msgbus=\"0\"\n", true, 0, 3, 3},
    {"UTF-8 BOM", Bom8() + "level=0\r\n", true, 0, 0, 0},
    {"UTF-16LE BOM", "\xFF\xFE" + Utf16Le(L"level=5\r\nlogger.msgbus=1\r\n"), true, 1, 5, 5},
    {"UTF-16BE BOM", "\xFE\xFF" + Utf16Be(L"level=5\nlogger.OxComReg=1\n"), true, 5, 1, 5},
    {"empty file", "", true, 2, 2, 2},
    {"garbage bytes", Bytes("\x01\x80\xC3=\x00\x9F\nlevel\x00=1\n\xFF"), true, 2, 2, 2},
};

TEST_F(ZorlogConfig, TableOfFiles) {
  for (const ConfigCase& c : kConfigCases) {
    SCOPED_TRACE(c.label);
    // Loggers created before the file is loaded take its levels too.
    LoggerPtr msgbus = MakeLogger(L"msgbus", 1);
    ASSERT_TRUE(WriteBytes(ConfigPath(), c.bytes));
    EXPECT_EQ(module_->LoadConfig(ConfigPath().c_str()), c.loaded);
    LoggerPtr comreg = MakeLogger(L"OxComReg", 1);
    LoggerPtr other = MakeLogger(L"other");
    EXPECT_EQ(Threshold(msgbus.get()), c.msgbus);
    EXPECT_EQ(Threshold(comreg.get()), c.comreg);
    EXPECT_EQ(Threshold(other.get()), c.other);
    // Back to a neutral configuration between cases.
    ASSERT_TRUE(LoadConfigText("level=info\n", L"reset.property"));
  }
}

TEST_F(ZorlogConfig, NonAsciiLoggerName) {
  ASSERT_TRUE(LoadConfigText(Bom8() + Utf8(L"logger.\u0436\u0443\u0440\u043d\u0430\u043b=0\n")));
  LoggerPtr logger = MakeLogger(L"\u0436\u0443\u0440\u043d\u0430\u043b");
  EXPECT_EQ(Threshold(logger.get()), zorlog::kTrace);
}

struct UnreadableCase {
  const char* label;
  std::wstring path;
};

TEST_F(ZorlogConfig, UnreadableFileGivesDefaults) {
  const UnreadableCase cases[] = {
      {"missing file", dir_.File(L"absent.property")},
      {"missing folder", dir_.File(L"no\\such\\log.property")},
      {"a folder", dir_.Path()},
      {"empty path", L""},
      {"invalid name", dir_.File(L"bad\x01<>|name")},
  };
  for (const UnreadableCase& c : cases) {
    SCOPED_TRACE(c.label);
    LoggerPtr logger = MakeLogger(L"msgbus");
    ASSERT_TRUE(LoadConfigText("file=out.log\nlevel=trace\n"));
    ASSERT_EQ(Threshold(logger.get()), zorlog::kTrace);
    // Replaced by the defaults: info, no file.
    EXPECT_FALSE(module_->LoadConfig(c.path.c_str()));
    EXPECT_EQ(Threshold(logger.get()), zorlog::kInfo);
    ASSERT_TRUE(DeleteFileW((dir_.File(L"out.log")).c_str()));
    EXPECT_FALSE(logger->LogF(zorlog::kError, L"no file now"));
    EXPECT_FALSE(FileExists(dir_.File(L"out.log")));
  }
}

TEST_F(ZorlogConfig, OversizedFileIsRefused) {
  std::string big = "level=0\n" + std::string(2 << 20, '#');
  EXPECT_FALSE(LoadConfigText(big));
  LoggerPtr logger = MakeLogger(L"msgbus");
  EXPECT_EQ(Threshold(logger.get()), zorlog::kInfo);
}

TEST_F(ZorlogConfig, ReloadReplacesEverything) {
  LoggerPtr logger = MakeLogger(L"msgbus");
  ASSERT_TRUE(LoadConfigText("file=first.log\nlevel=debug\nlogger.msgbus=trace\n"));
  EXPECT_TRUE(logger->LogF(zorlog::kTrace, L"one"));
  // The second file names neither the logger nor the first output.
  ASSERT_TRUE(LoadConfigText("file=second.log\nlevel=warn\n", L"other.property"));
  EXPECT_EQ(Threshold(logger.get()), zorlog::kWarn);
  EXPECT_FALSE(logger->LogF(zorlog::kTrace, L"dropped"));
  EXPECT_TRUE(logger->LogF(zorlog::kWarn, L"two"));
  std::string first = ReadBytes(dir_.File(L"first.log"));
  std::string second = ReadBytes(dir_.File(L"second.log"));
  EXPECT_NE(first.find(": one\r\n"), std::string::npos) << first;
  EXPECT_EQ(first.find("two"), std::string::npos) << first;
  EXPECT_NE(second.find(": two\r\n"), std::string::npos) << second;
  EXPECT_EQ(second.find("one"), std::string::npos) << second;
  EXPECT_EQ(second.find("dropped"), std::string::npos) << second;
}

struct DebuggerCase {
  const char* config;
  int flags;
  bool written;
};

TEST_F(ZorlogConfig, DebuggerSwitchAndFlag) {
  // Without a file, Log answers whether the debugger stream took the line.
  const DebuggerCase cases[] = {
      {"", zorlog::kLoggerFlagDebugger, true},
      {"debugger=on", zorlog::kLoggerFlagDebugger, true},
      {"debugger = OFF", zorlog::kLoggerFlagDebugger, false},
      {"debugger=no", zorlog::kLoggerFlagDebugger, false},
      {"debugger=yes", zorlog::kLoggerFlagNone, false},
      {"debugger=1", zorlog::kLoggerFlagDebugger | 6, true},
  };
  for (const DebuggerCase& c : cases) {
    SCOPED_TRACE(c.config);
    ASSERT_TRUE(LoadConfigText(std::string(c.config) + "\n"));
    LoggerPtr logger = MakeLogger(L"dbg", c.flags);
    EXPECT_EQ(logger->LogF(zorlog::kError, L"line"), c.written);
  }
}

}  // namespace
}  // namespace zorlog_test
