// The loader behind IOxCore: argument checks and the answers of a core
// without a component runtime (in this process), and, through loader_host
// in a staged application directory, the process core with a registry:
// nested OxFreeUnusedLibraries, activation from DllInitialize, Uninit.
#include <windows.h>

#include <map>
#include <string>

#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "Fixtures.h"
#include "OxCoreLib.h"
#include "TempDir.h"

namespace {

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

class CoreArgumentsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HMODULE lib = LoadLibraryW(L"OxCore.dll");
    ASSERT_NE(nullptr, lib);
    auto getClass = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
        reinterpret_cast<void*>(GetProcAddress(lib, "DllGetClassObject")));
    ASSERT_NE(nullptr, getClass);
    IClassFactory* factory = nullptr;
    ASSERT_EQ(S_OK, getClass(CLSID_OxCore, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IOxCore, reinterpret_cast<void**>(&core_)));
    factory->Release();
  }
  void TearDown() override {
    if (core_) core_->Release();
  }
  IOxCore* core_ = nullptr;
};

// A core that was never initialised has no component runtime.
TEST_F(CoreArgumentsTest, ChecksArgumentsThenAnswersNotInitialised) {
  CLSID clsid = fx::fx_counted.clsid;
  IID iid = IID_IUnknown;
  struct Case {
    const char* label;
    CLSID* clsid;
    IID* iid;
    bool slot;
    HRESULT expected;
  };
  const Case cases[] = {
      {"null out slot", &clsid, &iid, false, E_POINTER},
      {"null clsid", nullptr, &iid, true, E_INVALIDARG},
      {"null iid", &clsid, nullptr, true, E_INVALIDARG},
      {"no runtime", &clsid, &iid, true, CO_E_NOTINITIALIZED},
  };
  for (const Case& c : cases) {
    void* pv = reinterpret_cast<void*>(1);
    EXPECT_EQ(c.expected, core_->OxCreateInstance(c.clsid, nullptr, c.iid, c.slot ? &pv : nullptr)) << c.label;
    if (c.slot) {
      EXPECT_EQ(nullptr, pv) << c.label;
    }
    pv = reinterpret_cast<void*>(1);
    EXPECT_EQ(c.expected, core_->OxGetClassObject(c.clsid, c.iid, c.slot ? &pv : nullptr)) << c.label;
    if (c.slot) {
      EXPECT_EQ(nullptr, pv) << c.label;
    }
  }
  EXPECT_EQ(CO_E_NOTINITIALIZED, core_->OxFreeUnusedLibraries());
}

// An application directory whose registry lists fx_counted (by bare name,
// found beside the host).
class StagedCore {
 public:
  StagedCore() {
    ok_ = oxtest::CopyBuilt(dir_, {L"loader_host.exe", L"OxCore.dll", L"xparam.dll", L"zorlog.dll"});
    const fx::Fixture& f = fx::fx_counted;
    ok_ = ok_ && oxtest::CopyInto(f.Path(), dir_, f.File());
    ok_ = ok_ && oxtest::WriteTextFile(
                     dir_.File(L"runtime.xml"),
                     "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<OxComRuntime>\r\n"
                     "\t<libraries>\r\n\t\t<lib>\r\n\t\t\t<libid>" + Narrow(f.libidText) +
                         "</libid>\r\n\t\t\t<name>FxLib</name>\r\n\t\t\t<path>" + Narrow(f.File()) +
                         "</path>\r\n\t\t</lib>\r\n\t</libraries>\r\n"
                         "\t<coclasses>\r\n\t\t<coclass>\r\n\t\t\t<clsid>" + Narrow(f.clsidText) +
                         "</clsid>\r\n\t\t\t<name>FxThing</name>\r\n\t\t\t<libid>" + Narrow(f.libidText) +
                         "</libid>\r\n\t\t</coclass>\r\n\t</coclasses>\r\n\t<dispatches/>\r\n</OxComRuntime>\r\n");
  }
  bool Ok() const { return ok_; }
  std::map<std::string, std::string> Run(const wchar_t* scenario) {
    oxtest::ChildResult r = oxtest::RunChild(dir_.File(L"loader_host.exe"), scenario, dir_.Path());
    EXPECT_TRUE(r.started);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    return r.Values();
  }

 private:
  oxtest::TempDir dir_;
  bool ok_ = true;
};

using Expected = std::map<std::string, std::string>;

void ExpectValues(const Expected& expected, const std::map<std::string, std::string>& got) {
  for (const auto& kv : expected) {
    auto it = got.find(kv.first);
    if (it == got.end()) {
      ADD_FAILURE() << "the host printed no " << kv.first;
      continue;
    }
    EXPECT_EQ(kv.second, it->second) << kv.first;
  }
}

TEST(CoreLoaderTest, NestedFreeUnusedLibrariesDoesNothing) {
  StagedCore app;
  ASSERT_TRUE(app.Ok());
  ExpectValues({{"init", "0x00000000"},
                {"create", "0x00000000"},
                {"free", "0x00000000"},
                {"loaded", "0"},
                {"nested_canunload", "0x00000000"},
                {"nested_finalize", "0x00000000"},
                // Only the outer run asked: once for the pass, once for the release.
                {"canunload_calls", "2"},
                {"finalize_calls", "1"},
                {"create_again", "0x00000000"},
                {"initialize_calls", "2"},
                {"free_again", "0x00000000"}},
               app.Run(L"nested"));
}

TEST(CoreLoaderTest, DllInitializeActivatesItsOwnClassWithoutASecondLoad) {
  StagedCore app;
  ASSERT_TRUE(app.Ok());
  ExpectValues({{"init", "0x00000000"},
                {"create", "0x00000000"},
                {"init_activate", "0x00000000"},
                {"initialize_calls", "1"},
                {"getclassobject_calls", "2"},
                {"created", "2"},
                {"live", "0"}},
               app.Run(L"initactivate"));
}

TEST(CoreLoaderTest, UninitFreesIdleLibrariesAndLeavesNoRuntime) {
  StagedCore app;
  ASSERT_TRUE(app.Ok());
  ExpectValues({{"init", "0x00000000"},
                {"create", "0x00000000"},
                {"uninit", "0x00000000"},
                {"loaded", "0"},
                {"finalize_calls", "1"},
                // The runtime is gone before its libraries are let go.
                {"nested_finalize", "0x800401F0"},
                {"create_after", "0x800401F0"},
                {"slot_after", "0"},
                {"classobject_after", "0x800401F0"},
                {"free_after", "0x800401F0"}},
               app.Run(L"uninit"));
}

// Freeing a library while its own DllInitialize or DllGetClassObject runs
// would crash on the way back: those unload passes leave it alone.
TEST(CoreLoaderTest, NoLibraryIsFreedFromInsideItsOwnEntryPoints) {
  StagedCore app;
  ASSERT_TRUE(app.Ok());
  ExpectValues({{"init", "0x00000000"},
                {"classobject", "0x00000000"},
                {"loaded", "1"},
                {"nested_initialize", "0x00000000"},
                {"nested_getclassobject", "0x00000000"},
                {"canunload_calls", "0"},
                {"finalize_calls", "0"},
                {"create", "0x00000000"}},
               app.Run(L"entryfree"));
}

}  // namespace
