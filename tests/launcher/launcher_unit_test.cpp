// The launcher's pieces on their own: the application document and the
// path of the library probed after a failure.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "core/Launcher.h"
#include "xparam/XParamModule.h"

namespace {

const GUID kAppClass = {0x120E05E5, 0x6584, 0x4C1D, {0xB4, 0x54, 0x38, 0x9D, 0xC5, 0x8B, 0x1A, 0x80}};

class AppDocumentTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(oxcore::BindXParam(oxcore::XParamBindingKind::kDocuments)); }
  static void TearDownTestSuite() { oxcore::ReleaseXParam(oxcore::XParamBindingKind::kDocuments); }
  oxtest::TempDir dir_;
};

TEST_F(AppDocumentTest, ReadsTheFirstClsidAndNameUnderAnyRoot) {
  struct Case {
    const char* label;
    const char* xml;  // null: no file
    bool read;
    GUID clsid;
    std::wstring name;
  };
  const Case cases[] = {
      {"plain",
       "<application><clsid>{120E05E5-6584-4C1D-B454-389DC58B1A80}</clsid><name>main</name></application>", true,
       kAppClass, L"main"},
      {"other root, other children ignored",
       "<x><other>1</other><name>n</name><clsid>{120e05e5-6584-4c1d-b454-389dc58b1a80}</clsid></x>", true, kAppClass,
       L"n"},
      {"first of each name wins",
       "<a><clsid>{120E05E5-6584-4C1D-B454-389DC58B1A80}</clsid><clsid>{00000000-0000-0000-0000-000000000001}</clsid>"
       "<name>one</name><name>two</name></a>",
       true, kAppClass, L"one"},
      {"no clsid, no name", "<a/>", true, GUID_NULL, L""},
      {"clsid text that does not convert", "<a><clsid>not a guid</clsid><name>n</name></a>", true, GUID_NULL, L"n"},
      {"values of another kind",
       "<a><clsid xp.type=\"int\">5</clsid><name xp.type=\"bool\">true</name></a>", true, GUID_NULL, L""},
      {"not well formed", "<a><clsid>{120E05E5-6584-4C1D-B454-389DC58B1A80}</clsid>", false, GUID_NULL, L""},
      {"missing file", nullptr, false, GUID_NULL, L""},
  };
  int i = 0;
  for (const Case& c : cases) {
    std::wstring path = dir_.File(L"doc" + std::to_wstring(i++) + L".xml");
    if (c.xml) {
      ASSERT_TRUE(oxtest::WriteTextFile(path, c.xml));
    }
    oxcore::AppLaunchInfo info;
    info.name = L"untouched";
    bool read = oxcore::ReadAppLaunchInfo(path.c_str(), &info);
    EXPECT_EQ(c.read, read) << c.label;
    if (read) {
      EXPECT_TRUE(IsEqualGUID(c.clsid, info.clsid)) << c.label;
      EXPECT_EQ(c.name, info.name) << c.label;
    } else {
      EXPECT_EQ(L"untouched", info.name) << c.label;
    }
  }
  oxcore::AppLaunchInfo info;
  EXPECT_FALSE(oxcore::ReadAppLaunchInfo(nullptr, &info));
  EXPECT_FALSE(oxcore::ReadAppLaunchInfo(L"", &info));
}

TEST(ProbePathTest, TheLibraryIsLookedForWhereTheDocumentIsNamedApplicationXml) {
  struct Case {
    const wchar_t* appPath;
    const wchar_t* probe;
  };
  const Case cases[] = {
      {L"C:\\app\\conf\\application.xml", L"C:\\app\\conf\\ZkApplication.dll"},
      {L"C:\\app\\conf\\Application.xml", L"ZkApplication.dll"},
      {L"C:\\app\\APPLICATION.XML", L"ZkApplication.dll"},
      {L"application.xml", L"ZkApplication.dll"},
      {L"C:\\app\\application.xml.bak", L"C:\\app\\ZkApplication.dll"},
      {L"C:\\application.xml\\sub\\application.xml", L"C:\\ZkApplication.dll"},
      {L"C:\\app\\main.xml", L"ZkApplication.dll"},
      {L"", L"ZkApplication.dll"},
      {nullptr, L"ZkApplication.dll"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(std::wstring(c.probe), oxcore::ApplicationLibraryProbePath(c.appPath)) << (c.appPath ? "" : "(null)");
}

}  // namespace
