// The written line: time, thread id, level tag, logger name and message,
// msvcrt-style format specifiers, long messages, and what is not written.
#include <functional>
#include <string>

#include "test_support.h"

namespace zorlog_test {
namespace {

class ZorlogFormat : public ZorlogTest {
 protected:
  void SetUp() override {
    ZorlogTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(LoadConfigText("file=out.log\nlevel=trace\ndebugger=off\n"));
  }
  std::string Output() const { return ReadBytes(dir_.File(L"out.log")); }
};

TEST_F(ZorlogFormat, LineCarriesTimeThreadLevelNameAndMessage) {
  LoggerPtr logger = MakeLogger(L"OxComReg", 1);
  SYSTEMTIME before;
  SYSTEMTIME after;
  GetLocalTime(&before);
  ASSERT_TRUE(logger->LogF(zorlog::kError, L"launcher failed: %s (%d)", L"app.xml", 42));
  GetLocalTime(&after);

  bool whole = false;
  std::vector<std::string> lines = SplitLines(Output(), &whole);
  ASSERT_TRUE(whole);
  ASSERT_EQ(lines.size(), 1u);
  Line line;
  ASSERT_TRUE(ParseLine(lines[0], "OxComReg", &line)) << lines[0];
  EXPECT_EQ(line.thread_id, GetCurrentThreadId());
  EXPECT_EQ(line.level, "ERROR");
  EXPECT_EQ(line.message, "launcher failed: app.xml (42)");
  // Local time, to the millisecond, taken during the call.
  EXPECT_LE(ToMillis(before), ToMillis(line.time));
  EXPECT_LE(ToMillis(line.time), ToMillis(after));
}

TEST_F(ZorlogFormat, EachLevelHasItsTag) {
  const char* const kTags[] = {"TRACE", "DEBUG", "INFO", "WARN", "ERROR", "FATAL"};
  LoggerPtr logger = MakeLogger(L"msgbus");
  for (int level = 0; level < 6; ++level) ASSERT_TRUE(logger->LogF(level, L"level %d", level));
  bool whole = false;
  std::vector<std::string> lines = SplitLines(Output(), &whole);
  ASSERT_TRUE(whole);
  ASSERT_EQ(lines.size(), 6u);
  for (int level = 0; level < 6; ++level) {
    Line line;
    ASSERT_TRUE(ParseLine(lines[level], "msgbus", &line)) << lines[level];
    EXPECT_EQ(line.level, kTags[level]);
    EXPECT_EQ(line.message, "level " + std::to_string(level));
  }
}

struct SpecifierCase {
  const char* label;
  std::function<bool(zorlog::Logger*)> log;
  std::string expected;  // UTF-8 message
};

TEST_F(ZorlogFormat, Specifiers) {
  const SpecifierCase cases[] = {
      {"%s wide", [](zorlog::Logger* l) { return l->LogF(2, L"<%s>", L"wide"); }, "<wide>"},
      {"%ws wide", [](zorlog::Logger* l) { return l->LogF(2, L"<%ws>", L"wide"); }, "<wide>"},
      {"%ls wide", [](zorlog::Logger* l) { return l->LogF(2, L"<%ls>", L"wide"); }, "<wide>"},
      {"%hs narrow", [](zorlog::Logger* l) { return l->LogF(2, L"<%hs>", "narrow"); }, "<narrow>"},
      {"%s null", [](zorlog::Logger* l) { return l->LogF(2, L"<%s>", static_cast<wchar_t*>(nullptr)); }, "<(null)>"},
      {"%d", [](zorlog::Logger* l) { return l->LogF(2, L"%d|%d", -42, 2147483647); }, "-42|2147483647"},
      {"%u", [](zorlog::Logger* l) { return l->LogF(2, L"%u", 4294967295u); }, "4294967295"},
      {"%x %X", [](zorlog::Logger* l) { return l->LogF(2, L"%x %X %08x", 0xbeefu, 0xbeefu, 0x1au); },
       "beef BEEF 0000001a"},
      {"%%", [](zorlog::Logger* l) { return l->LogF(2, L"100%% of %d%%", 5); }, "100% of 5%"},
      {"%c", [](zorlog::Logger* l) { return l->LogF(2, L"%c%c", L'O', L'x'); }, "Ox"},
      {"widths", [](zorlog::Logger* l) { return l->LogF(2, L"[%5d|%-5d|%.2s]", 7, 8, L"abc"); }, "[    7|8    |ab]"},
      {"%I64d", [](zorlog::Logger* l) { return l->LogF(2, L"%I64d", -1234567890123LL); }, "-1234567890123"},
      {"%.3f", [](zorlog::Logger* l) { return l->LogF(2, L"%.3f", 3.14159); }, "3.142"},
      {"no specifiers", [](zorlog::Logger* l) { return l->LogF(2, L"plain text"); }, "plain text"},
      {"empty", [](zorlog::Logger* l) { return l->LogF(2, L""); }, ""},
      {"non-ASCII", [](zorlog::Logger* l) { return l->LogF(2, L"%s \u20ac", L"h\u00e9llo \u0436"); },
       "h\xC3\xA9llo \xD0\xB6 \xE2\x82\xAC"},
      {"surrogate pair", [](zorlog::Logger* l) { return l->LogF(2, L"%s", L"\xD83D\xDE00"); }, "\xF0\x9F\x98\x80"},
      {"trailing break", [](zorlog::Logger* l) { return l->LogF(2, L"ends %d\r\n", 1); }, "ends 1"},
  };
  for (const SpecifierCase& c : cases) {
    SCOPED_TRACE(c.label);
    ASSERT_TRUE(WriteBytes(dir_.File(L"out.log"), ""));
    LoggerPtr logger = MakeLogger(L"fmt");
    ASSERT_TRUE(c.log(logger.get()));
    bool whole = false;
    std::vector<std::string> lines = SplitLines(Output(), &whole);
    EXPECT_TRUE(whole);
    ASSERT_EQ(lines.size(), 1u);
    Line line;
    ASSERT_TRUE(ParseLine(lines[0], "fmt", &line)) << lines[0];
    EXPECT_EQ(line.message, c.expected);
  }
}

TEST_F(ZorlogFormat, LongMessagesAreWrittenWhole) {
  const size_t kLengths[] = {511, 512, 513, 4095, 4096, 4097, 10000, 70000, 1 << 20};
  for (size_t length : kLengths) {
    SCOPED_TRACE(length);
    ASSERT_TRUE(WriteBytes(dir_.File(L"out.log"), ""));
    std::wstring text;
    for (size_t i = 0; i < length; ++i) text.push_back(static_cast<wchar_t>(L'a' + i % 26));
    LoggerPtr logger = MakeLogger(L"long");
    // Through %s and as the format itself.
    ASSERT_TRUE(logger->LogF(zorlog::kWarn, L"<%s>", text.c_str()));
    ASSERT_TRUE(logger->LogF(zorlog::kWarn, text.c_str()));
    bool whole = false;
    std::vector<std::string> lines = SplitLines(Output(), &whole);
    EXPECT_TRUE(whole);
    ASSERT_EQ(lines.size(), 2u);
    Line line;
    ASSERT_TRUE(ParseLine(lines[0], "long", &line));
    EXPECT_TRUE(line.message == "<" + Utf8(text) + ">") << "length " << line.message.size();
    ASSERT_TRUE(ParseLine(lines[1], "long", &line));
    EXPECT_TRUE(line.message == Utf8(text)) << "length " << line.message.size();
  }
}

struct SilentCase {
  const char* label;
  int threshold;
  int level;
};

TEST_F(ZorlogFormat, BelowThresholdOrBadLevelWritesNothing) {
  const SilentCase cases[] = {
      {"trace under info", zorlog::kInfo, zorlog::kTrace},
      {"warn under error", zorlog::kError, zorlog::kWarn},
      {"fatal under off", zorlog::kOff, zorlog::kFatal},
      {"negative level", zorlog::kTrace, -1},
      {"level off", zorlog::kTrace, zorlog::kOff},
      {"level past off", zorlog::kTrace, 42},
  };
  for (const SilentCase& c : cases) {
    SCOPED_TRACE(c.label);
    ASSERT_TRUE(WriteBytes(dir_.File(L"out.log"), ""));
    LoggerPtr logger = MakeLogger(L"quiet", zorlog::kLoggerFlagDebugger);
    logger->SetLevel(c.threshold);
    EXPECT_FALSE(logger->IsLevelEnabled(c.level));
    EXPECT_FALSE(logger->LogF(c.level, L"must not appear %d", 1));
    module_->Flush();
    EXPECT_EQ(Output(), "");
  }
}

TEST_F(ZorlogFormat, NullFormatWritesNothing) {
  LoggerPtr logger = MakeLogger(L"nullfmt", zorlog::kLoggerFlagDebugger);
  EXPECT_FALSE(logger->LogF(zorlog::kFatal, nullptr));
  EXPECT_EQ(Output(), "");
}

}  // namespace
}  // namespace zorlog_test
