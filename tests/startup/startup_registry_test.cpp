// LoadRuntimeRegistry in-process, on staged directories: every row of the
// decision table, with the registry's contents checked directly.
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "StartupCases.h"
#include "TempDir.h"
#include "core/RuntimeOptionsFile.h"
#include "core/StartupRegistry.h"
#include "xparam/XParamModule.h"

namespace {

using oxcore::CComRuntime;
using oxcore::LoadRuntimeRegistry;
using oxcore::RuntimeOptions;
using oxtest::StartupCase;

class StartupRegistryTest : public ::testing::TestWithParam<StartupCase> {
 protected:
  void SetUp() override { ASSERT_TRUE(oxcore::BindXParam(oxcore::XParamBindingKind::kDocuments)); }
  void TearDown() override { oxcore::ReleaseXParam(oxcore::XParamBindingKind::kDocuments); }
};

TEST_P(StartupRegistryTest, FollowsTheDecisionTable) {
  const StartupCase& c = GetParam();
  oxtest::TempDir dir;
  // OxCore.dll is the component library a scan finds.
  ASSERT_TRUE(oxtest::CopyBuilt(dir, {L"OxCore.dll"}));
  ASSERT_TRUE(oxtest::StageStartupFiles(dir.Path(), c));
  RuntimeOptions options;
  oxcore::ReadRuntimeOptions(dir.File(L"oxoptions.xml"), &options);
  ASSERT_EQ(c.remake, options.RemakeRegFile);
  ASSERT_EQ(c.rebuild, options.RebuildRuntime);

  std::unique_ptr<CComRuntime> runtime;  // the step creates it
  EXPECT_EQ(c.result, LoadRuntimeRegistry(&runtime, options, dir.Path()));
  ASSERT_TRUE(runtime);
  oxtest::ExpectSource(*runtime, c.source);
  oxtest::ExpectStartupFiles(dir.Path(), c);
}

INSTANTIATE_TEST_SUITE_P(DecisionTable, StartupRegistryTest, ::testing::ValuesIn(oxtest::StartupCases()),
                         [](const ::testing::TestParamInfo<StartupCase>& info) { return std::string(info.param.label); });

TEST(StartupRegistryEdgeTest, UsableRuntimeReplacesWhatTheRegistryHeld) {
  ASSERT_TRUE(oxcore::BindXParam(oxcore::XParamBindingKind::kDocuments));
  oxtest::TempDir dir;
  const StartupCase& usable = oxtest::StartupCases().front();
  ASSERT_TRUE(oxtest::StageStartupFiles(dir.Path(), usable));
  auto runtime = std::make_unique<CComRuntime>();
  CComRuntime* before = runtime.get();
  oxcore::ComEntry stale;
  stale.guid = {0x11111111, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
  runtime->coclasses.emplace(stale.guid, stale);
  EXPECT_TRUE(LoadRuntimeRegistry(&runtime, RuntimeOptions(), dir.Path()));
  EXPECT_EQ(before, runtime.get());  // an existing registry is filled, not replaced
  EXPECT_EQ(nullptr, runtime->FindCoClass(stale.guid));
  oxtest::ExpectSource(*runtime, oxtest::Source::kCached);
  oxcore::ReleaseXParam(oxcore::XParamBindingKind::kDocuments);
}

TEST(StartupRegistryEdgeTest, NoApplicationDirectoryTouchesNoFile) {
  ASSERT_TRUE(oxcore::BindXParam(oxcore::XParamBindingKind::kDocuments));
  oxtest::TempDir cwd;
  wchar_t old[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, old);
  ASSERT_TRUE(SetCurrentDirectoryW(cwd.Path().c_str()));
  std::unique_ptr<CComRuntime> runtime;
  EXPECT_FALSE(LoadRuntimeRegistry(&runtime, RuntimeOptions(), L""));
  SetCurrentDirectoryW(old);
  ASSERT_TRUE(runtime);
  EXPECT_TRUE(runtime->coclasses.empty());
  EXPECT_FALSE(oxtest::FileExists(cwd.File(L"default.oxreg")));
  EXPECT_FALSE(oxtest::FileExists(cwd.File(L"runtime.xml")));
  EXPECT_FALSE(LoadRuntimeRegistry(nullptr, RuntimeOptions(), cwd.Path()));
  oxcore::ReleaseXParam(oxcore::XParamBindingKind::kDocuments);
}

}  // namespace
