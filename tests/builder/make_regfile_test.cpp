// MakeDefaultRegFile: the scan written as "default.oxreg" in the root, read
// back with the registry document reader.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "BuilderStage.h"
#include "Fixtures.h"
#include "TempDir.h"
#include "registry/MakeDefaultRegFile.h"
#include "registry/RegistryDocuments.h"
#include "registry/ScanLibraries.h"
#include "xparam/XParamModule.h"

namespace {

using oxcore::MakeDefaultRegFile;
using oxcore::TypeDesc;
using oxcore::TypeLibDesc;

class MakeDefaultRegFileTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(oxcore::BindXParam(oxcore::XParamBindingKind::kDocuments)); }
  static void TearDownTestSuite() { oxcore::ReleaseXParam(oxcore::XParamBindingKind::kDocuments); }

  HRESULT Make(const std::wstring& root, bool recursive = false, bool confirm = false) {
    return MakeDefaultRegFile(root, recursive, confirm, {}, {}, {});
  }
  oxtest::TempDir dir_;
};

void ExpectSameDescs(const std::vector<TypeDesc>& expected, const std::vector<TypeDesc>& actual) {
  ASSERT_EQ(expected.size(), actual.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_TRUE(IsEqualGUID(expected[i].guid, actual[i].guid));
    EXPECT_EQ(expected[i].name, actual[i].name);
    EXPECT_EQ(expected[i].doc, actual[i].doc);
  }
}

TEST_F(MakeDefaultRegFileTest, RootWithoutLibrariesGivesAnEmptyDocument) {
  ASSERT_TRUE(bxtest::StageGarbage(dir_, L"notes.txt"));
  ASSERT_EQ(S_OK, Make(dir_.Path(), true, true));
  std::string text;
  ASSERT_TRUE(oxtest::ReadTextFile(dir_.File(L"default.oxreg"), &text));
  EXPECT_NE(std::string::npos, text.find("OxComRegistry"));
  EXPECT_EQ(std::string::npos, text.find("typelib"));
  // Readable, and without a single library: the reader leaves the list alone.
  std::vector<TypeLibDesc> list(1);
  list[0].name = L"untouched";
  ASSERT_TRUE(oxcore::ReadRegFile(dir_.File(L"default.oxreg"), &list));
  ASSERT_EQ(1u, list.size());
  EXPECT_EQ(L"untouched", list[0].name);
}

TEST_F(MakeDefaultRegFileTest, WritesWhatTheScanFindsReplacingAnOldFile) {
  ASSERT_TRUE(oxtest::WriteTextFile(dir_.File(L"default.oxreg"), "stale"));
  ASSERT_TRUE(bxtest::Stage(dir_, L"OxCore.dll", bxtest::BinFile(L"OxCore.dll")));
  ASSERT_TRUE(bxtest::Stage(dir_, L"app\\ZkApplication.dll", bxtest::BinFile(L"ZkApplication.dll")));
  ASSERT_TRUE(bxtest::Stage(dir_, L"xparam.dll", bxtest::BinFile(L"xparam.dll")));
  ASSERT_TRUE(bxtest::Stage(dir_, L"fx_gcofails.dll", fx::fx_gcofails.Path()));
  ASSERT_TRUE(bxtest::StageGarbage(dir_, L"x.dll"));

  ASSERT_EQ(S_OK, Make(dir_.Path(), true, false));
  std::vector<TypeLibDesc> scanned;
  oxcore::ScanLibraries(&scanned, dir_.Path(), true, false, {}, {}, {});
  ASSERT_EQ(3u, scanned.size());

  std::vector<TypeLibDesc> read;
  ASSERT_TRUE(oxcore::ReadRegFile(dir_.File(L"default.oxreg"), &read));
  ASSERT_EQ(scanned.size(), read.size());
  for (size_t i = 0; i < scanned.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(scanned[i].file, read[i].file);
    EXPECT_EQ(scanned[i].path, read[i].path);
    EXPECT_EQ(scanned[i].name, read[i].name);
    EXPECT_TRUE(IsEqualGUID(scanned[i].guid, read[i].guid));
    EXPECT_EQ(scanned[i].doc, read[i].doc);
    EXPECT_EQ(scanned[i].majorver, read[i].majorver);
    EXPECT_EQ(scanned[i].minorver, read[i].minorver);
    ExpectSameDescs(scanned[i].coclasses, read[i].coclasses);
    ExpectSameDescs(scanned[i].dispatches, read[i].dispatches);
  }
  bool sawApp = false;
  for (const TypeLibDesc& d : read) sawApp = sawApp || (d.path == L"app\\ZkApplication.dll" && d.file == L"ZkApplication.dll");
  EXPECT_TRUE(sawApp);

  // A second build with confirmation rewrites the file: fx_gcofails keeps
  // its entry without its coclass.
  ASSERT_EQ(S_OK, Make(dir_.Path(), true, true));
  ASSERT_TRUE(oxcore::ReadRegFile(dir_.File(L"default.oxreg"), &read));
  bool sawFailing = false;
  for (const TypeLibDesc& d : read) {
    if (d.file != L"fx_gcofails.dll") continue;
    sawFailing = true;
    EXPECT_TRUE(d.coclasses.empty());
    EXPECT_EQ(2u, d.dispatches.size());
  }
  EXPECT_TRUE(sawFailing);
}

TEST_F(MakeDefaultRegFileTest, RootWithoutSeparatorWritesInsideTheRoot) {
  ASSERT_TRUE(bxtest::Stage(dir_, L"a.dll", fx::fx_counted.Path()));
  std::wstring bare = dir_.Path().substr(0, dir_.Path().size() - 1);
  ASSERT_EQ(S_OK, Make(bare));
  std::vector<TypeLibDesc> read;
  ASSERT_TRUE(oxcore::ReadRegFile(dir_.File(L"default.oxreg"), &read));
  ASSERT_EQ(1u, read.size());
  EXPECT_EQ(L"\\a.dll", read[0].path);
}

TEST_F(MakeDefaultRegFileTest, FailsWhenTheDocumentCannotBeWritten) {
  EXPECT_EQ(E_FAIL, Make(dir_.File(L"absent")));
  EXPECT_FALSE(oxtest::FileExists(dir_.File(L"absent\\default.oxreg")));
  // No document binding: nothing can be written.
  oxcore::ReleaseXParam(oxcore::XParamBindingKind::kDocuments);
  EXPECT_EQ(E_FAIL, Make(dir_.Path()));
  EXPECT_FALSE(oxtest::FileExists(dir_.File(L"default.oxreg")));
  ASSERT_TRUE(oxcore::BindXParam(oxcore::XParamBindingKind::kDocuments));
  EXPECT_EQ(S_OK, Make(dir_.Path()));
}

}  // namespace
