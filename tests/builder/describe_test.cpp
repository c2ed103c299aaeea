// DescribeTypeLib and ConfirmClass on real libraries: the builder's test
// library bx_multi.dll (counts its loads), the shared test components, the
// runtime's own OxCore.dll and the demo application component.
#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "BuilderStage.h"
#include "Fixtures.h"
#include "MultiLib.h"
#include "OxCoreLib.h"
#include "TempDir.h"
#include "registry/ConfirmClass.h"
#include "registry/DescribeTypeLib.h"

namespace {

using oxcore::DescribeTypeLib;
using oxcore::TypeDesc;
using oxcore::TypeLibDesc;

std::vector<std::wstring> Names(const std::vector<TypeDesc>& list) {
  std::vector<std::wstring> names;
  for (const TypeDesc& d : list) names.push_back(d.name);
  return names;
}

bool Lists(const std::vector<TypeDesc>& list, const GUID& guid) {
  return std::any_of(list.begin(), list.end(), [&](const TypeDesc& d) { return IsEqualGUID(d.guid, guid); });
}

class MultiLibTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bxtest::MultiReset();
    ASSERT_FALSE(bxtest::IsLoaded(L"bx_multi.dll"));
  }
  void TearDown() override {
    EXPECT_FALSE(bxtest::IsLoaded(L"bx_multi.dll")) << "the description left the library loaded";
    bxtest::MultiReset();
  }
  TypeLibDesc Describe(bool confirm, HRESULT expected = S_OK) {
    TypeLibDesc record;
    EXPECT_EQ(expected, DescribeTypeLib(&record, bxtest::MultiLibPath(), confirm));
    return record;
  }
};

TEST_F(MultiLibTest, DescribesTheLibraryWithoutLoadingIt) {
  TypeLibDesc record;
  record.coclasses.push_back(TypeDesc{});  // replaced, not appended to
  record.path = L"stale";
  ASSERT_EQ(S_OK, DescribeTypeLib(&record, bxtest::MultiLibPath(), false));
  EXPECT_EQ(L"bx_multi.dll", record.file);
  EXPECT_EQ(L"bx_multi.dll", record.path);
  EXPECT_EQ(L"BxMultiLib", record.name);
  EXPECT_EQ(L"Builder test library", record.doc);
  EXPECT_TRUE(IsEqualGUID(LIBID_BxMultiLib, record.guid));
  EXPECT_EQ(2, record.majorver);
  EXPECT_EQ(3, record.minorver);

  ASSERT_EQ(3u, record.coclasses.size());
  EXPECT_EQ((std::vector<std::wstring>{L"BxFirst", L"BxSecond", L"BxThird"}), Names(record.coclasses));
  EXPECT_TRUE(IsEqualGUID(CLSID_BxFirst, record.coclasses[0].guid));
  EXPECT_TRUE(IsEqualGUID(CLSID_BxSecond, record.coclasses[1].guid));
  EXPECT_TRUE(IsEqualGUID(CLSID_BxThird, record.coclasses[2].guid));
  EXPECT_EQ(L"Second class", record.coclasses[1].doc);

  // The dual interface counts as a dispatch interface; the custom
  // interface, the enumeration and the record are left out.
  EXPECT_EQ((std::vector<std::wstring>{L"IBxDual", L"DBxEvents"}), Names(record.dispatches));
  EXPECT_TRUE(IsEqualGUID(IID_IBxDual, record.dispatches[0].guid));
  EXPECT_TRUE(IsEqualGUID(DIID_DBxEvents, record.dispatches[1].guid));
  EXPECT_EQ(L"Events", record.dispatches[1].doc);

  EXPECT_EQ(0, bxtest::MultiCount(L"ATTACH"));
}

struct ServeCase {
  const wchar_t* serve;  // null: all served
  std::vector<std::wstring> kept;
};

class MultiLibServeTest : public MultiLibTest, public ::testing::WithParamInterface<ServeCase> {};

TEST_P(MultiLibServeTest, KeepsTheServedCoClassesLoadingTheLibraryOnce) {
  const ServeCase& c = GetParam();
  bxtest::MultiSet(L"SERVE", c.serve);
  TypeLibDesc record = Describe(true);
  EXPECT_EQ(c.kept, Names(record.coclasses));
  EXPECT_EQ(2u, record.dispatches.size());
  EXPECT_EQ(1, bxtest::MultiCount(L"ATTACH"));
  EXPECT_EQ(1, bxtest::MultiCount(L"DETACH"));
  EXPECT_EQ(3, bxtest::MultiCount(L"GCO"));
}

INSTANTIATE_TEST_SUITE_P(Masks, MultiLibServeTest,
                         ::testing::Values(ServeCase{nullptr, {L"BxFirst", L"BxSecond", L"BxThird"}},
                                           ServeCase{L"101", {L"BxFirst", L"BxThird"}},
                                           ServeCase{L"010", {L"BxSecond"}},
                                           ServeCase{L"000", {}}));

TEST_F(MultiLibTest, ALoadThatFailsIsTriedAgainForEachCoClass) {
  bxtest::MultiSet(L"MODE", L"fail-attach");
  TypeLibDesc record = Describe(true);
  EXPECT_TRUE(record.coclasses.empty());
  EXPECT_EQ(2u, record.dispatches.size());
  EXPECT_EQ(3, bxtest::MultiCount(L"ATTACH"));
  EXPECT_EQ(0, bxtest::MultiCount(L"GCO"));
}

// Exceptions inside the library: the coclasses go, the entry and its
// dispatch interfaces stay, the library is freed, and the process goes on.
struct FaultCase {
  const wchar_t* mode;
  long gcoCalls;
};

class MultiLibFaultTest : public MultiLibTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(MultiLibFaultTest, DropsTheCoClassesKeepsTheRest) {
  const FaultCase& c = GetParam();
  bxtest::MultiSet(L"MODE", c.mode);
  TypeLibDesc record = Describe(true);
  EXPECT_TRUE(record.coclasses.empty());
  EXPECT_EQ((std::vector<std::wstring>{L"IBxDual", L"DBxEvents"}), Names(record.dispatches));
  EXPECT_TRUE(IsEqualGUID(LIBID_BxMultiLib, record.guid));
  EXPECT_EQ(c.gcoCalls, bxtest::MultiCount(L"GCO"));

  // The loader is free for other threads, and a well-behaved description
  // works again on this one.
  bool loaded = false;
  std::thread other([&] {
    HMODULE m = LoadLibraryW(bxtest::BinFile(L"xparam.dll").c_str());
    loaded = m != nullptr;
    if (m) FreeLibrary(m);
  });
  other.join();
  EXPECT_TRUE(loaded);
  bxtest::MultiReset();
  EXPECT_EQ(3u, Describe(true).coclasses.size());
}

INSTANTIATE_TEST_SUITE_P(Modes, MultiLibFaultTest,
                         ::testing::Values(FaultCase{L"fault-attach", 0}, FaultCase{L"gco-av", 3},
                                           FaultCase{L"gco-raise", 3}, FaultCase{L"release-av", 3}));

TEST_F(MultiLibTest, ALibraryLoadedElsewhereStaysLoaded) {
  HMODULE mine = LoadLibraryW(bxtest::MultiLibPath().c_str());
  ASSERT_NE(nullptr, mine);
  TypeLibDesc record = Describe(true);
  EXPECT_EQ(3u, record.coclasses.size());
  EXPECT_EQ(1, bxtest::MultiCount(L"ATTACH"));
  EXPECT_TRUE(bxtest::IsLoaded(L"bx_multi.dll"));
  // Exactly one reference is left: this one.
  FreeLibrary(mine);
  EXPECT_FALSE(bxtest::IsLoaded(L"bx_multi.dll"));
}

TEST_F(MultiLibTest, ConfirmClassCachesTheModuleItLoads) {
  HMODULE module = nullptr;
  const std::wstring path = bxtest::MultiLibPath();
  bxtest::MultiSet(L"SERVE", L"100");
  EXPECT_TRUE(oxcore::ConfirmClass(&module, path, CLSID_BxFirst));
  ASSERT_NE(nullptr, module);
  HMODULE first = module;
  EXPECT_FALSE(oxcore::ConfirmClass(&module, path, CLSID_BxSecond));
  EXPECT_FALSE(oxcore::ConfirmClass(&module, path, LIBID_BxMultiLib));
  EXPECT_EQ(first, module);
  EXPECT_EQ(1, bxtest::MultiCount(L"ATTACH"));
  oxcore::ReleaseConfirmModule(&module);
  EXPECT_EQ(nullptr, module);
  EXPECT_EQ(1, bxtest::MultiCount(L"DETACH"));
  oxcore::ReleaseConfirmModule(&module);  // nothing left to free

  EXPECT_FALSE(oxcore::ConfirmClass(nullptr, path, CLSID_BxFirst));
  HMODULE none = nullptr;
  EXPECT_FALSE(oxcore::ConfirmClass(&none, path + L".absent", CLSID_BxFirst));
  EXPECT_EQ(nullptr, none);
}

TEST(DescribeTypeLib, RefusesAnEmptyPathAndFilesWithoutTypeLibrary) {
  oxtest::TempDir dir;
  ASSERT_TRUE(bxtest::StageGarbage(dir, L"x.dll"));
  TypeLibDesc record;
  EXPECT_EQ(E_INVALIDARG, DescribeTypeLib(&record, L"", true));
  for (const std::wstring& path : {dir.File(L"x.dll"), dir.File(L"absent.dll"), bxtest::BinFile(L"xparam.dll"),
                                   fx::fx_notlb.Path()}) {
    SCOPED_TRACE(std::string(path.begin(), path.end()));
    EXPECT_TRUE(FAILED(DescribeTypeLib(&record, path, true)));
  }
  EXPECT_FALSE(fx::fx_notlb.Loaded());
}

// The shared test components, each confirmed on its own.
struct FixtureCase {
  const fx::Fixture* fixture;
  bool coclassKept;
};

class FixtureConfirmTest : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(FixtureConfirmTest, KeepsTheEntryAndItsDispatchInterfaces) {
  const FixtureCase& c = GetParam();
  c.fixture->Reset();
  TypeLibDesc record;
  ASSERT_EQ(S_OK, DescribeTypeLib(&record, c.fixture->Path(), true));
  EXPECT_TRUE(IsEqualGUID(c.fixture->libid, record.guid));
  EXPECT_EQ(c.fixture->File(), record.file);
  EXPECT_EQ(c.coclassKept, Lists(record.coclasses, c.fixture->clsid));
  EXPECT_EQ(c.coclassKept ? 1u : 0u, record.coclasses.size());
  EXPECT_EQ(2u, record.dispatches.size());
  EXPECT_TRUE(Lists(record.dispatches, c.fixture->iid));
  EXPECT_TRUE(Lists(record.dispatches, c.fixture->dispIid));
  EXPECT_FALSE(c.fixture->Loaded());
  // Confirmation neither initialises the library nor creates anything.
  EXPECT_EQ(0, c.fixture->Count(L"DllInitialize"));
  EXPECT_EQ(0, c.fixture->Count(L"Created"));
  // Without confirmation the coclass is listed whatever the library does.
  TypeLibDesc unconfirmed;
  ASSERT_EQ(S_OK, DescribeTypeLib(&unconfirmed, c.fixture->Path(), false));
  EXPECT_TRUE(Lists(unconfirmed.coclasses, c.fixture->clsid));
  c.fixture->Reset();
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureConfirmTest,
                         ::testing::Values(FixtureCase{&fx::fx_counted, true}, FixtureCase{&fx::fx_nounload, true},
                                           FixtureCase{&fx::fx_nogco, false}, FixtureCase{&fx::fx_gcofails, false},
                                           FixtureCase{&fx::fx_gcoraises, false}),
                         [](const ::testing::TestParamInfo<FixtureCase>& info) {
                           std::wstring n = info.param.fixture->name;
                           return std::string(n.begin(), n.end());
                         });

TEST(DescribeTypeLib, RaisingLibraryWasCalledAndFreed) {
  fx::fx_gcoraises.Reset();
  TypeLibDesc record;
  ASSERT_EQ(S_OK, DescribeTypeLib(&record, fx::fx_gcoraises.Path(), true));
  EXPECT_EQ(1, fx::fx_gcoraises.Count(L"DllGetClassObject"));
  EXPECT_FALSE(fx::fx_gcoraises.Loaded());
  fx::fx_gcoraises.Reset();
}

// OxCore.dll lists its classes; confirmation keeps exactly those that its
// DllGetClassObject serves, and I18N (created only by the core) is never one.
TEST(DescribeTypeLib, OxCoreKeepsTheClassesItsClassTableServes) {
  const std::wstring path = bxtest::BinFile(L"OxCore.dll");
  HMODULE core = LoadLibraryW(path.c_str());
  ASSERT_NE(nullptr, core);
  using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  auto getClassObject =
      reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(core, "DllGetClassObject")));
  ASSERT_NE(nullptr, getClassObject);

  std::vector<CLSID> declared = bxtest::CoClassesOf(path);
  std::vector<CLSID> served;
  for (const CLSID& clsid : declared) {
    IClassFactory* factory = nullptr;
    if (SUCCEEDED(getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory))) && factory) {
      factory->Release();
      served.push_back(clsid);
    }
  }
  ASSERT_TRUE(std::find(declared.begin(), declared.end(), CLSID_I18N) != declared.end());
  ASSERT_TRUE(std::find(served.begin(), served.end(), CLSID_OxCore) != served.end());
  ASSERT_TRUE(std::find(served.begin(), served.end(), CLSID_I18N) == served.end());

  TypeLibDesc all;
  ASSERT_EQ(S_OK, DescribeTypeLib(&all, path, false));
  TypeLibDesc confirmed;
  ASSERT_EQ(S_OK, DescribeTypeLib(&confirmed, path, true));
  EXPECT_TRUE(IsEqualGUID(LIBID_OxCoreLib, confirmed.guid));
  EXPECT_EQ(L"OxCore.dll", confirmed.file);
  ASSERT_EQ(declared.size(), all.coclasses.size());
  ASSERT_EQ(served.size(), confirmed.coclasses.size());
  for (size_t i = 0; i < declared.size(); ++i) EXPECT_TRUE(IsEqualGUID(declared[i], all.coclasses[i].guid));
  for (size_t i = 0; i < served.size(); ++i) EXPECT_TRUE(IsEqualGUID(served[i], confirmed.coclasses[i].guid));
  EXPECT_TRUE(Lists(confirmed.dispatches, IID_IOxCore));
  EXPECT_TRUE(Lists(confirmed.dispatches, IID_IMsgBus));
  EXPECT_EQ(all.dispatches.size(), confirmed.dispatches.size());

  // The library the test loaded is still there, with one reference.
  EXPECT_TRUE(bxtest::IsLoaded(L"OxCore.dll"));
  FreeLibrary(core);
}

TEST(DescribeTypeLib, DemoApplicationComponentIsConfirmed) {
  TypeLibDesc all;
  TypeLibDesc confirmed;
  const std::wstring path = bxtest::BinFile(L"ZkApplication.dll");
  ASSERT_EQ(S_OK, DescribeTypeLib(&all, path, false));
  ASSERT_EQ(S_OK, DescribeTypeLib(&confirmed, path, true));
  ASSERT_FALSE(all.coclasses.empty());
  EXPECT_EQ(Names(all.coclasses), Names(confirmed.coclasses));
  EXPECT_FALSE(bxtest::IsLoaded(L"ZkApplication.dll"));
}

}  // namespace
