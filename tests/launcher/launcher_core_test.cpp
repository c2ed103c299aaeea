// OxRunApplication through cores of this process. The application object is
// put into the core's instance table beforehand, so these runs do not depend
// on the component registry.
#include <windows.h>
#include <oleauto.h>

#include <atomic>
#include <string>

#include <gtest/gtest.h>

#include "OwnCore.h"

#include "OxCoreLib.h"
#include "TempDir.h"
#include "comkit/Object.h"

namespace {

const CLSID kAppClass = {0x5D1E0F7A, 0x3C2B, 0x4A19, {0x8E, 0x6D, 0x71, 0x0B, 0x2F, 0x93, 0xC4, 0x58}};
const char kAppClassText[] = "{5D1E0F7A-3C2B-4A19-8E6D-710B2F93C458}";

std::atomic<int> g_runs{0};
std::atomic<DWORD> g_runThread{0};

class CTestApp : public comkit::ObjectBase, public IApplication {
 public:
  COMKIT_INTERFACES(CTestApp)
    COMKIT_INTERFACE(IApplication)
  COMKIT_END_INTERFACES()

  explicit CTestApp(HRESULT result) : result_(result) {}
  virtual ~CTestApp() = default;
  STDMETHODIMP Run() override {
    ++g_runs;
    g_runThread = GetCurrentThreadId();
    return result_;
  }

 private:
  HRESULT result_;
};

class LauncherCoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, oxtest::CreateOwnCore(&core_));
    ASSERT_EQ(S_OK, core_->Init(nullptr));
    g_runs = 0;
    g_runThread = 0;
  }
  void TearDown() override {
    if (core_) {
      core_->Uninit();
      core_->Release();
    }
  }

  // Stores a test application under kAppClass and name.
  void PutApp(const wchar_t* name, HRESULT runResult) {
    IUnknown* app = nullptr;
    ASSERT_EQ(S_OK, comkit::Object<CTestApp>::Create(nullptr, IID_IUnknown, reinterpret_cast<void**>(&app), runResult));
    BSTR n = SysAllocString(name);
    ASSERT_EQ(S_OK, core_->OxSetInstance(const_cast<CLSID*>(&kAppClass), n, app));
    SysFreeString(n);
    app->Release();
  }
  std::wstring Document(const std::string& name) {
    std::wstring path = dir_.File(L"application.xml");
    EXPECT_TRUE(oxtest::WriteTextFile(
        path, std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<application><clsid>") + kAppClassText +
                  "</clsid><name>" + name + "</name></application>"));
    return path;
  }
  HRESULT RunApp(const std::wstring& path) {
    BSTR p = SysAllocString(path.c_str());
    HRESULT hr = core_->OxRunApplication(p);
    SysFreeString(p);
    return hr;
  }

  IOxCore* core_ = nullptr;
  oxtest::TempDir dir_;
};


TEST_F(LauncherCoreTest, RunsTheNamedApplicationOnceOnTheCallersThread) {
  PutApp(L"main", S_OK);
  std::wstring doc = Document("main");
  EXPECT_EQ(S_OK, RunApp(doc));
  EXPECT_EQ(1, g_runs.load());
  EXPECT_EQ(GetCurrentThreadId(), g_runThread.load());
  // The object stays a named instance after the run.
  VARIANT_BOOL has = VARIANT_FALSE;
  BSTR n = SysAllocString(L"main");
  EXPECT_EQ(S_OK, core_->OxHasInstance(const_cast<CLSID*>(&kAppClass), n, &has));
  EXPECT_EQ(VARIANT_TRUE, has);
  SysFreeString(n);
  // One successful run per core, also across Uninit and Init.
  EXPECT_EQ(S_FALSE, RunApp(doc));
  ASSERT_EQ(S_OK, core_->Uninit());
  ASSERT_EQ(S_OK, core_->Init(nullptr));
  PutApp(L"main", S_OK);
  EXPECT_EQ(S_FALSE, RunApp(doc));
  EXPECT_EQ(1, g_runs.load());
}

TEST_F(LauncherCoreTest, AFailingRunStillCountsAsARun) {
  PutApp(L"", E_FAIL);
  std::wstring doc = Document("");
  EXPECT_EQ(S_OK, RunApp(doc));
  EXPECT_EQ(S_FALSE, RunApp(doc));
  EXPECT_EQ(1, g_runs.load());
}

TEST_F(LauncherCoreTest, AnApplicationThatCannotBeHadIsNotMarkedAsRun) {
  PutApp(L"main", S_OK);
  struct Case {
    const char* label;
    std::wstring path;
  };
  const Case cases[] = {
      {"another name", Document("other")},
      {"missing document", dir_.File(L"missing\\application.xml")},
      {"null path", L""},
  };
  for (const Case& c : cases) {
    // Whatever activation answers for the class under the new name.
    HRESULT hr = RunApp(c.path);
    EXPECT_TRUE(FAILED(hr)) << c.label << ": 0x" << std::hex << hr;
  }
  EXPECT_EQ(0, g_runs.load());
  // Not marked: the right document still runs.
  EXPECT_EQ(S_OK, RunApp(Document("main")));
  EXPECT_EQ(1, g_runs.load());
}

TEST_F(LauncherCoreTest, AnObjectWithoutIApplicationIsAFailure) {
  IUnknown* notAnApp = nullptr;
  ASSERT_EQ(S_OK, core_->OxCreateXParam(reinterpret_cast<IXParam**>(&notAnApp)));
  BSTR n = SysAllocString(L"x");
  ASSERT_EQ(S_OK, core_->OxSetInstance(const_cast<CLSID*>(&kAppClass), n, notAnApp));
  SysFreeString(n);
  notAnApp->Release();
  EXPECT_EQ(E_NOINTERFACE, RunApp(Document("x")));
}

// The launcher works on the core it was called on, not on the process core.
TEST_F(LauncherCoreTest, RunsFromTheCallingCoresOwnTable) {
  PutApp(L"own", S_OK);
  IOxCore* processCore = nullptr;
  HMODULE lib = GetModuleHandleW(L"OxCore.dll");
  auto getCore = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(IOxCore**)>(
      reinterpret_cast<void*>(GetProcAddress(lib, "GetOxCore")));
  ASSERT_EQ(S_OK, getCore(&processCore));
  ASSERT_NE(processCore, core_);
  EXPECT_EQ(S_OK, RunApp(Document("own")));
  EXPECT_EQ(1, g_runs.load());
  processCore->Release();
}

}  // namespace
