// OxMakeDefaultRegFile through a started core, in a child process whose
// application directory is staged: the document is written with the scan
// options of "oxoptions.xml", and class activation keeps answering from the
// registry that start-up built.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "BuilderStage.h"
#include "ChildProcess.h"
#include "Fixtures.h"
#include "TempDir.h"
#include "registry/RegistryDocuments.h"
#include "xparam/XParamModule.h"

namespace {

using oxcore::TypeLibDesc;

const wchar_t kDemoClass[] = L"{120E05E5-6584-4C1D-B454-389DC58B1A80}";  // DemoApplication

const TypeLibDesc* Find(const std::vector<TypeLibDesc>& list, const std::wstring& path) {
  auto it = std::find_if(list.begin(), list.end(), [&](const TypeLibDesc& d) { return d.path == path; });
  return it == list.end() ? nullptr : &*it;
}

class CoreRegFileTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(oxcore::BindXParam(oxcore::XParamBindingKind::kDocuments)); }
  static void TearDownTestSuite() { oxcore::ReleaseXParam(oxcore::XParamBindingKind::kDocuments); }

  void SetUp() override {
    for (const wchar_t* name : {L"builder_host.exe", L"OxCore.dll", L"xparam.dll", L"zorlog.dll"})
      ASSERT_TRUE(bxtest::Stage(app_, name, bxtest::BinFile(name)));
    ASSERT_TRUE(bxtest::Stage(app_, L"fx_counted.dll", fx::fx_counted.Path()));
  }

  oxtest::ChildResult Run(const std::wstring& root, const std::vector<std::wstring>& classes) {
    // A backslash before the closing quote is doubled so that it stays one.
    std::wstring args = L"\"" + root + (!root.empty() && root.back() == L'\\' ? L"\\" : L"") + L"\"";
    for (const std::wstring& c : classes) args += L" " + c;
    return oxtest::RunChild(app_.File(L"builder_host.exe"), args, app_.Path());
  }

  oxtest::TempDir app_;
  oxtest::TempDir other_;
};

TEST_F(CoreRegFileTest, WritesWithTheCoresOptionsAndLeavesActivationAlone) {
  ASSERT_TRUE(oxtest::WriteTextFile(app_.File(L"oxoptions.xml"),
                                    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<oxoptions>"
                                    "<ConfirmCoClass>true</ConfirmCoClass>"
                                    "<ScanDirRecursive>true</ScanDirRecursive>"
                                    "<ExcludeDir>old</ExcludeDir>"
                                    "<ExcludeFile>fx_nounload.dll</ExcludeFile>"
                                    "</oxoptions>"));
  // A root of its own, with a class the running core does not know.
  ASSERT_TRUE(bxtest::Stage(other_, L"ZkApplication.dll", bxtest::BinFile(L"ZkApplication.dll")));
  ASSERT_TRUE(bxtest::Stage(other_, L"sub\\fx_gcofails.dll", fx::fx_gcofails.Path()));
  ASSERT_TRUE(bxtest::Stage(other_, L"fx_nounload.dll", fx::fx_nounload.Path()));
  ASSERT_TRUE(bxtest::Stage(other_, L"older\\fx_counted.dll", fx::fx_counted.Path()));

  oxtest::ChildResult r = Run(other_.Path(), {kDemoClass, fx::fx_counted.clsidText});
  ASSERT_TRUE(r.started);
  ASSERT_FALSE(r.timedOut);
  ASSERT_EQ(0u, r.exitCode) << r.output;
  auto values = r.Values();
  EXPECT_EQ("0x00000000", values["init"]) << r.output;
  EXPECT_EQ("0x00000000", values["make"]) << r.output;
  // The demo class stays unknown, the start-up registry's class stays found.
  EXPECT_EQ("0x80040154", values["before_0"]) << r.output;
  EXPECT_EQ(values["before_0"], values["after_0"]);
  EXPECT_EQ("0x00000000", values["before_1"]) << r.output;
  EXPECT_EQ(values["before_1"], values["after_1"]);
  EXPECT_EQ("0x00000000", values["uninit"]);

  std::vector<TypeLibDesc> list;
  ASSERT_TRUE(oxcore::ReadRegFile(other_.File(L"default.oxreg"), &list));
  std::vector<std::wstring> paths;
  for (const TypeLibDesc& d : list) paths.push_back(d.path);
  std::sort(paths.begin(), paths.end());
  // Recursive (sub\ walked), fx_nounload.dll excluded by name, older\ by prefix.
  EXPECT_EQ((std::vector<std::wstring>{L"ZkApplication.dll", L"sub\\fx_gcofails.dll"}), paths);
  const TypeLibDesc* failing = Find(list, L"sub\\fx_gcofails.dll");
  ASSERT_NE(nullptr, failing);
  EXPECT_TRUE(failing->coclasses.empty());  // confirmed, and not served
  EXPECT_EQ(2u, failing->dispatches.size());
  const TypeLibDesc* demo = Find(list, L"ZkApplication.dll");
  ASSERT_NE(nullptr, demo);
  EXPECT_EQ(1u, demo->coclasses.size());
}

TEST_F(CoreRegFileTest, DefaultOptionsScanOnlyTheRootWithoutConfirming) {
  ASSERT_TRUE(bxtest::Stage(other_, L"fx_gcofails.dll", fx::fx_gcofails.Path()));
  ASSERT_TRUE(bxtest::Stage(other_, L"sub\\fx_counted.dll", fx::fx_counted.Path()));
  oxtest::ChildResult r = Run(other_.Path(), {});
  ASSERT_TRUE(r.started);
  ASSERT_EQ(0u, r.exitCode) << r.output;
  EXPECT_EQ("0x00000000", r.Values()["make"]) << r.output;
  std::vector<TypeLibDesc> list;
  ASSERT_TRUE(oxcore::ReadRegFile(other_.File(L"default.oxreg"), &list));
  ASSERT_EQ(1u, list.size());
  EXPECT_EQ(L"fx_gcofails.dll", list[0].path);
  EXPECT_EQ(1u, list[0].coclasses.size());
}

TEST_F(CoreRegFileTest, UnwritableRootFails) {
  oxtest::ChildResult r = Run(other_.File(L"absent"), {});
  ASSERT_TRUE(r.started);
  ASSERT_EQ(0u, r.exitCode) << r.output;
  EXPECT_EQ("0x80004005", r.Values()["make"]) << r.output;
}

}  // namespace
