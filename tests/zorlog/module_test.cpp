// Binding through the exports, the logger table and its reference counts,
// thresholds and their overrides.
#include <climits>

#include "test_support.h"

namespace zorlog_test {
namespace {

using ZorlogModule = ZorlogTest;

TEST(ZorlogExports, BindAndFreeByPlainName) {
  Library library;
  ASSERT_TRUE(library.loaded());
  zorlog::LogModuleInterface* module = nullptr;
  ASSERT_TRUE(library.get()(&module));
  ASSERT_NE(module, nullptr);
  zorlog::LogModuleInterface* copy = module;
  EXPECT_TRUE(library.free()(&module));
  EXPECT_EQ(module, nullptr);
  // A second free of the same handle is refused, not a crash.
  EXPECT_FALSE(library.free()(&copy));
  EXPECT_NE(copy, nullptr);
}

TEST(ZorlogExports, NullArgumentsAreRefused) {
  Library library;
  ASSERT_TRUE(library.loaded());
  EXPECT_FALSE(library.get()(nullptr));
  EXPECT_FALSE(library.free()(nullptr));
  zorlog::LogModuleInterface* none = nullptr;
  EXPECT_FALSE(library.free()(&none));
  // A pointer that was never handed out is not taken.
  alignas(void*) char bogus[64] = {};
  auto* foreign = reinterpret_cast<zorlog::LogModuleInterface*>(bogus);
  EXPECT_FALSE(library.free()(&foreign));
  EXPECT_EQ(foreign, reinterpret_cast<zorlog::LogModuleInterface*>(bogus));
}

TEST(ZorlogExports, EachBindingIsItsOwnModule) {
  Library library;
  ASSERT_TRUE(library.loaded());
  zorlog::LogModuleInterface* a = nullptr;
  zorlog::LogModuleInterface* b = nullptr;
  ASSERT_TRUE(library.get()(&a));
  ASSERT_TRUE(library.get()(&b));
  EXPECT_NE(a, b);
  zorlog::Logger* la = a->CreateLogger(L"same", 0);
  zorlog::Logger* lb = b->CreateLogger(L"same", 0);
  ASSERT_NE(la, nullptr);
  ASSERT_NE(lb, nullptr);
  EXPECT_NE(la, lb);
  la->SetLevel(zorlog::kTrace);
  EXPECT_FALSE(lb->IsLevelEnabled(zorlog::kTrace));
  // A logger of another module is not released through this one.
  a->ReleaseLogger(lb);
  EXPECT_STREQ(lb->GetName(), L"same");
  a->ReleaseLogger(la);
  b->ReleaseLogger(lb);
  EXPECT_TRUE(library.free()(&a));
  EXPECT_TRUE(library.free()(&b));
}

TEST(ZorlogExports, LoggerOutlivesFreedBinding) {
  TempDir dir;
  Library library;
  ASSERT_TRUE(library.loaded());
  zorlog::LogModuleInterface* module = nullptr;
  ASSERT_TRUE(library.get()(&module));
  ASSERT_TRUE(WriteBytes(dir.File(L"log.property"), "file=out.log\n"));
  ASSERT_TRUE(module->LoadConfig((dir.File(L"log.property")).c_str()));
  zorlog::Logger* logger = module->CreateLogger(L"late", 0);
  ASSERT_NE(logger, nullptr);
  zorlog::LogModuleInterface* handle = module;
  ASSERT_TRUE(library.free()(&module));
  // The logger keeps its module and output until it is released.
  EXPECT_TRUE(logger->LogF(zorlog::kError, L"after free %d", 1));
  handle->ReleaseLogger(logger);
  std::string text = ReadBytes(dir.File(L"out.log"));
  EXPECT_NE(text.find("after free 1\r\n"), std::string::npos) << text;
}

TEST_F(ZorlogModule, SameNameGivesSameCountedLogger) {
  zorlog::Logger* first = module_->CreateLogger(L"msgbus", 1);
  ASSERT_NE(first, nullptr);
  EXPECT_STREQ(first->GetName(), L"msgbus");
  zorlog::Logger* second = module_->CreateLogger(L"msgbus", 0);
  EXPECT_EQ(first, second);
  first->SetLevel(zorlog::kTrace);
  module_->ReleaseLogger(second);
  // One reference left: the same object, still with its override.
  zorlog::Logger* third = module_->CreateLogger(L"msgbus", 1);
  EXPECT_EQ(first, third);
  EXPECT_TRUE(third->IsLevelEnabled(zorlog::kTrace));
  module_->ReleaseLogger(third);
  module_->ReleaseLogger(first);
  // All released: a new request starts a new logger at the configured level.
  LoggerPtr fresh = MakeLogger(L"msgbus");
  ASSERT_NE(fresh, nullptr);
  EXPECT_FALSE(fresh->IsLevelEnabled(zorlog::kTrace));
}

TEST_F(ZorlogModule, NamesAreCaseSensitiveAndDistinct) {
  LoggerPtr lower = MakeLogger(L"oxcomreg");
  LoggerPtr mixed = MakeLogger(L"OxComReg");
  LoggerPtr empty = MakeLogger(L"");
  ASSERT_NE(lower, nullptr);
  ASSERT_NE(mixed, nullptr);
  ASSERT_NE(empty, nullptr);
  EXPECT_NE(lower.get(), mixed.get());
  EXPECT_NE(lower.get(), empty.get());
  EXPECT_STREQ(mixed->GetName(), L"OxComReg");
  EXPECT_STREQ(empty->GetName(), L"");
}

TEST_F(ZorlogModule, NullAndForeignArgumentsAreHarmless) {
  EXPECT_EQ(module_->CreateLogger(nullptr, 1), nullptr);
  module_->ReleaseLogger(nullptr);
  EXPECT_FALSE(module_->LoadConfig(nullptr));
  LoggerPtr logger = MakeLogger(L"kept");
  ASSERT_NE(logger, nullptr);
  EXPECT_FALSE(logger->Log(zorlog::kFatal, nullptr, nullptr));
  module_->Flush();
  // Releasing an unknown pointer leaves the real logger counted.
  alignas(void*) char bogus[64] = {};
  module_->ReleaseLogger(reinterpret_cast<zorlog::Logger*>(bogus));
  EXPECT_STREQ(logger->GetName(), L"kept");
}

struct EnabledCase {
  int level;
  bool enabled;
};

TEST_F(ZorlogModule, DefaultThresholdIsInfo) {
  LoggerPtr logger = MakeLogger(L"defaults");
  ASSERT_NE(logger, nullptr);
  const EnabledCase cases[] = {{-1, false}, {0, false}, {1, false}, {2, true},   {3, true},
                               {4, true},   {5, true},  {6, false}, {99, false}, {INT_MIN, false}};
  for (const EnabledCase& c : cases) EXPECT_EQ(logger->IsLevelEnabled(c.level), c.enabled) << "level " << c.level;
}

TEST_F(ZorlogModule, DefaultsWriteToDebuggerStreamOnly) {
  // No file: a logger without the debugger flag has nowhere to write.
  LoggerPtr plain = MakeLogger(L"plain", zorlog::kLoggerFlagNone);
  LoggerPtr debug = MakeLogger(L"debug", zorlog::kLoggerFlagDebugger);
  ASSERT_NE(plain, nullptr);
  ASSERT_NE(debug, nullptr);
  EXPECT_FALSE(plain->LogF(zorlog::kError, L"dropped %d", 1));
  EXPECT_TRUE(debug->LogF(zorlog::kError, L"to the debugger %d", 1));
  EXPECT_FALSE(debug->LogF(zorlog::kDebug, L"below threshold"));
}

struct SetLevelCase {
  int set;
  int expected_threshold;
};

TEST_F(ZorlogModule, SetLevelOverridesAndIgnoresBadValues) {
  const SetLevelCase cases[] = {
      {zorlog::kTrace, 0}, {zorlog::kWarn, 3}, {zorlog::kOff, 6}, {7, 6}, {1000, 6}, {zorlog::kDebug, 1},
  };
  LoggerPtr logger = MakeLogger(L"levels");
  ASSERT_NE(logger, nullptr);
  for (const SetLevelCase& c : cases) {
    logger->SetLevel(c.set);
    EXPECT_EQ(Threshold(logger.get()), c.expected_threshold) << "SetLevel(" << c.set << ")";
  }
}

TEST_F(ZorlogModule, OverrideSurvivesConfigUntilHandedBack) {
  LoggerPtr overridden = MakeLogger(L"a");
  LoggerPtr configured = MakeLogger(L"b");
  overridden->SetLevel(zorlog::kError);
  ASSERT_TRUE(LoadConfigText("level=trace\n"));
  EXPECT_EQ(Threshold(overridden.get()), zorlog::kError);
  EXPECT_EQ(Threshold(configured.get()), zorlog::kTrace);
  // A negative level hands the logger back to the configuration.
  overridden->SetLevel(-1);
  EXPECT_EQ(Threshold(overridden.get()), zorlog::kTrace);
  ASSERT_TRUE(LoadConfigText("level=warn\n"));
  EXPECT_EQ(Threshold(overridden.get()), zorlog::kWarn);
}

}  // namespace
}  // namespace zorlog_test
