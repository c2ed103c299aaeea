// The instance table under several threads: one object per class and name
// whoever asks, and no lock held across classes while an object is created.
#include <windows.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "TestObjects.h"
#include "instances/InstanceMapping.h"

namespace {

using oxcore::CInstanceMapping;
using oxtest::kClassA;
using oxtest::kClassB;

CLSID* Cls(const CLSID& c) { return const_cast<CLSID*>(&c); }
IID* Iid(const IID& i) { return const_cast<IID*>(&i); }

TEST(InstanceConcurrencyTest, EightThreadsAskingAtOnceGetOneObjectCreatedOnce) {
  constexpr int kThreads = 8;
  constexpr int kRounds = 100;
  int live = oxtest::g_liveThings;
  for (int round = 0; round < kRounds; ++round) {
    oxtest::Creator creator;
    // Widen the window in which the others arrive while the first creates.
    creator.during = [](const CLSID&) {
      for (int i = 0; i < 20; ++i) std::this_thread::yield();
    };
    CInstanceMapping table(creator.Fn());
    BSTR name = SysAllocString(L"shared");
    std::atomic<int> ready{0};
    std::atomic<bool> go{false};
    IUnknown* got[kThreads] = {};
    HRESULT results[kThreads] = {};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        ++ready;
        while (!go) std::this_thread::yield();
        results[t] = table.OxGetInstance(Cls(kClassA), name, Iid(IID_IUnknown), reinterpret_cast<void**>(&got[t]));
      });
    }
    while (ready < kThreads) std::this_thread::yield();
    go = true;
    for (auto& th : threads) th.join();
    ASSERT_EQ(1, creator.Count(kClassA)) << "round " << round;
    for (int t = 0; t < kThreads; ++t) {
      ASSERT_EQ(S_OK, results[t]);
      ASSERT_EQ(got[0], got[t]) << "round " << round << " thread " << t;
    }
    EXPECT_EQ(static_cast<ULONG>(kThreads + 1), oxtest::RefCount(got[0]));
    for (IUnknown* p : got) p->Release();
    SysFreeString(name);
  }
  EXPECT_EQ(live, oxtest::g_liveThings.load());
}

TEST(InstanceConcurrencyTest, MixedOperationsOnSharedNamesStayConsistent) {
  constexpr int kThreads = 6;
  constexpr int kIterations = 2000;
  int live = oxtest::g_liveThings;
  {
    oxtest::Creator creator;
    CInstanceMapping table(creator.Fn());
    const wchar_t* names[] = {L"a", L"b", L"c", L""};
    std::atomic<int> bad{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        for (int i = 0; i < kIterations; ++i) {
          BSTR name = SysAllocString(names[(i + t) % 4]);
          const CLSID& cls = (i % 3 == 0) ? kClassB : kClassA;
          switch ((i * 7 + t) % 5) {
            case 0:
            case 1: {
              IUnknown* p = nullptr;
              if (table.OxGetInstance(Cls(cls), name, Iid(IID_IUnknown), reinterpret_cast<void**>(&p)) != S_OK || !p)
                ++bad;
              if (p) p->Release();
              break;
            }
            case 2:
              if (table.OxDropInstance(Cls(cls), name) != S_OK) ++bad;
              break;
            case 3: {
              SAFEARRAY* array = nullptr;
              if (table.OxGetAllInstances(Cls(cls), &array) != S_FALSE || !array) ++bad;
              if (array) SafeArrayDestroy(array);
              break;
            }
            default: {
              BSTR text = nullptr;
              HRESULT hr = table.OxGetAllInstanceNames(Cls(cls), &text);
              if (hr == S_OK) {
                UINT len = SysStringLen(text);
                if (len == 0 || text[len - 1] != L'\n') ++bad;
              } else if (hr != S_FALSE || text) {
                ++bad;
              }
              SysFreeString(text);
            }
          }
          SysFreeString(name);
        }
      });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(0, bad.load());
  }
  EXPECT_EQ(live, oxtest::g_liveThings.load());
}

// While a creation of class A waits for another thread, that thread works
// on class B: the table lock is not held across a creation.
TEST(InstanceConcurrencyTest, ACreationDoesNotBlockOtherClasses) {
  oxtest::Creator creator;
  HANDLE otherDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE creating = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  creator.during = [&](const CLSID& c) {
    if (!IsEqualCLSID(c, kClassA)) return;
    SetEvent(creating);
    // A generous bound only to turn a deadlock into a failure.
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(otherDone, 60000));
  };
  CInstanceMapping table(creator.Fn());
  HRESULT otherResult = E_FAIL;
  std::thread other([&] {
    WaitForSingleObject(creating, INFINITE);
    IUnknown* p = nullptr;
    otherResult = table.OxGetInstance(Cls(kClassB), nullptr, Iid(IID_IUnknown), reinterpret_cast<void**>(&p));
    VARIANT_BOOL has = 0;
    table.OxHasInstance(Cls(kClassB), nullptr, &has);
    if (p) p->Release();
    SetEvent(otherDone);
  });
  IUnknown* a = nullptr;
  EXPECT_EQ(S_OK, table.OxGetInstance(Cls(kClassA), nullptr, Iid(IID_IUnknown), reinterpret_cast<void**>(&a)));
  other.join();
  EXPECT_EQ(S_OK, otherResult);
  if (a) a->Release();
  CloseHandle(otherDone);
  CloseHandle(creating);
}

}  // namespace
