// Weak references: the counter protocol, and GetStrongRef racing the final
// Release without ever handing out a dead object.
#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "OxCoreLib.h"
#include "weakref/WeakRefObject.h"

MIDL_INTERFACE("3A0B6D1E-77C2-4F0E-9B61-2C4D8E5F7A10")
IPing : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Ping(int* id) = 0;
};
__CRT_UUID_DECL(IPing, 0x3A0B6D1E, 0x77C2, 0x4F0E, 0x9B, 0x61, 0x2C, 0x4D, 0x8E, 0x5F, 0x7A, 0x10)

namespace {

constexpr int kMaxObjects = 4096;
std::atomic<bool> g_destroyed[kMaxObjects];
std::atomic<int> g_nextId{0};

class CTarget : public comkit::ObjectBase, public IPing, public ISupportWeakRef {
 public:
  COMKIT_INTERFACES(CTarget)
    COMKIT_INTERFACE(IPing)
    COMKIT_INTERFACE(ISupportWeakRef)
  COMKIT_END_INTERFACES()

  CTarget() : id_(g_nextId++ % kMaxObjects) { g_destroyed[id_] = false; }
  virtual ~CTarget() { g_destroyed[id_] = true; }
  STDMETHODIMP Ping(int* id) override {
    *id = id_;
    return g_destroyed[id_] ? E_UNEXPECTED : S_OK;
  }

 private:
  int id_;
};

class WeakRefTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    HMODULE lib = LoadLibraryW(L"OxCore.dll");
    ASSERT_NE(nullptr, lib);
    auto get = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(IOxCore**)>(
        reinterpret_cast<void*>(GetProcAddress(lib, "GetOxCore")));
    ASSERT_EQ(S_OK, get(&core_));
  }
  static void TearDownTestSuite() { core_->Release(); }

  IPing* MakeTarget(IWeakRef** weak) {
    IPing* ping = nullptr;
    EXPECT_EQ(S_OK, oxcore::WeakRefObject<CTarget>::Create(core_, __uuidof(IPing), reinterpret_cast<void**>(&ping)));
    ISupportWeakRef* support = nullptr;
    EXPECT_EQ(S_OK, ping->QueryInterface(IID_ISupportWeakRef, reinterpret_cast<void**>(&support)));
    EXPECT_EQ(S_OK, support->GetWeakRef(weak));
    support->Release();
    return ping;
  }

  static IOxCore* core_;
};

IOxCore* WeakRefTest::core_ = nullptr;

TEST_F(WeakRefTest, OxCreateWeakRefHandsOutAnUninitialisedReference) {
  EXPECT_EQ(E_POINTER, core_->OxCreateWeakRef(nullptr));
  IWeakRef* weak = nullptr;
  ASSERT_EQ(S_OK, core_->OxCreateWeakRef(&weak));
  void* p = reinterpret_cast<void*>(1);
  EXPECT_EQ(S_FALSE, weak->GetStrongRef(IID_IUnknown, &p)) << "never initialised";
  EXPECT_EQ(nullptr, p);
  EXPECT_EQ(E_POINTER, weak->GetStrongRef(IID_IUnknown, nullptr));
  EXPECT_EQ(E_NOINTERFACE, weak->QueryInterface(IID_IDispatch, &p));
  IUnknown* unk = nullptr;
  EXPECT_EQ(S_OK, weak->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unk)));
  unk->Release();
  EXPECT_EQ(E_POINTER, weak->Initialize(nullptr, nullptr));
  EXPECT_EQ(0u, weak->Release());
}

TEST_F(WeakRefTest, InitializeTakesTheFirstTargetOnly) {
  IWeakRef* weak = nullptr;
  ASSERT_EQ(S_OK, core_->OxCreateWeakRef(&weak));
  LONG* counter = nullptr;
  // A null target leaves the reference open for a later Initialize.
  ASSERT_EQ(S_OK, weak->Initialize(nullptr, &counter));
  ASSERT_NE(nullptr, counter);
  InterlockedIncrement(counter);
  void* p = nullptr;
  EXPECT_EQ(S_FALSE, weak->GetStrongRef(IID_IUnknown, &p)) << "a counter without a target reaches nothing";
  InterlockedDecrement(counter);

  IWeakRef* other = nullptr;
  IPing* ping = MakeTarget(&other);
  ISupportWeakRef* support = nullptr;
  ping->QueryInterface(IID_ISupportWeakRef, reinterpret_cast<void**>(&support));
  LONG* again = nullptr;
  EXPECT_EQ(S_OK, weak->Initialize(support, &again));
  LONG* refused = nullptr;
  EXPECT_EQ(S_FALSE, other->Initialize(nullptr, &refused));
  EXPECT_EQ(nullptr, refused);
  IPing* strong = nullptr;
  EXPECT_EQ(S_OK, other->GetStrongRef(__uuidof(IPing), reinterpret_cast<void**>(&strong))) << "first target stays";
  strong->Release();
  support->Release();
  ping->Release();
  other->Release();
  weak->Release();
}

TEST_F(WeakRefTest, StrongReferencesOnlyWhileTheTargetLives) {
  IWeakRef* weak = nullptr;
  IPing* ping = MakeTarget(&weak);
  // The target's count is 1: a strong reference makes it 2.
  IPing* strong = nullptr;
  ASSERT_EQ(S_OK, weak->GetStrongRef(__uuidof(IPing), reinterpret_cast<void**>(&strong)));
  EXPECT_EQ(3u, strong->AddRef());
  EXPECT_EQ(2u, strong->Release());
  EXPECT_EQ(1u, strong->Release());

  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_NOINTERFACE, weak->GetStrongRef(IID_IDispatch, &none));
  EXPECT_EQ(nullptr, none);
  EXPECT_EQ(2u, ping->AddRef()) << "a refused interface leaves the count as it was";
  ping->Release();

  // The same weak reference every time.
  ISupportWeakRef* support = nullptr;
  ping->QueryInterface(IID_ISupportWeakRef, reinterpret_cast<void**>(&support));
  IWeakRef* same = nullptr;
  support->GetWeakRef(&same);
  EXPECT_EQ(weak, same);
  same->Release();
  support->Release();

  EXPECT_EQ(0u, ping->Release());
  for (int i = 0; i < 3; ++i) {
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(S_FALSE, weak->GetStrongRef(__uuidof(IPing), &p));
    EXPECT_EQ(nullptr, p);
  }
  weak->Release();
}

TEST_F(WeakRefTest, GetStrongRefRacingTheFinalReleaseNeverHandsOutADeadObject) {
  std::atomic<int> deadHandedOut{0}, gotStrong{0};
  for (int round = 0; round < 400; ++round) {
    IWeakRef* weak = nullptr;
    IPing* ping = MakeTarget(&weak);
    std::atomic<bool> go{false};
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
      threads.emplace_back([&] {
        ++ready;
        while (!go) std::this_thread::yield();
        for (int i = 0; i < 50; ++i) {
          IPing* strong = nullptr;
          if (weak->GetStrongRef(__uuidof(IPing), reinterpret_cast<void**>(&strong)) == S_OK && strong) {
            int id = 0;
            if (strong->Ping(&id) != S_OK) ++deadHandedOut;
            ++gotStrong;
            strong->Release();
          }
        }
      });
    }
    while (ready < 3) std::this_thread::yield();
    go = true;
    // Vary the moment of the final release so it lands before, among and
    // after the workers' attempts.
    for (volatile int spin = 0; spin < (round % 32) * 200; spin = spin + 1) {
    }
    ping->Release();
    for (auto& t : threads) t.join();
    void* p = nullptr;
    EXPECT_EQ(S_FALSE, weak->GetStrongRef(__uuidof(IPing), &p));
    weak->Release();
  }
  EXPECT_EQ(0, deadHandedOut.load());
  EXPECT_GT(gotStrong.load(), 0);
}

}  // namespace
