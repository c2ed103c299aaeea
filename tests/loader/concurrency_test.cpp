// Many threads activating classes of one library and of several libraries
// while another thread runs unload passes; and first loads racing between
// Preload (which looks at the handle without the lock) and activation.
#include <atomic>
#include <cstdio>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "LoaderTest.h"

namespace loadertest {
namespace {

// Lets every thread start at once.
class StartGate {
 public:
  void Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait(lock, [this] { return open_; });
  }
  void Open() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      open_ = true;
    }
    cv_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool open_ = false;
};

using LoaderStressTest = LoaderTest;

TEST_F(LoaderStressTest, ActivationsRaceUnloadPasses) {
  constexpr int kRounds = 1000;
  // Unloaded and loaded again all along. The releasing thread would still
  // run a few instructions of the library after its last reference went,
  // racing a concurrent unload (what CoFreeUnusedLibrariesEx's delay is
  // for); these threads release under the library's lock, so no pass can
  // free the library in that moment.
  const fx::Fixture* const churned[] = {&fx::fx_counted, &fx::fx_counted, &fx::fx_counted, &fx::fx_notlb,
                                        &fx::fx_notlb};
  // Never unloaded: released without the lock.
  const int kKeptThreads = 3;
  const fx::Fixture& kept = fx::fx_nounload;

  StartGate gate;
  std::atomic<int> failures{0};
  auto activate = [&](const fx::Fixture& f, int i, bool releaseUnderLock) {
    IFxThing* thing = nullptr;
    long sum = 0;
    if (Create(f, &thing) != S_OK || !thing || thing->Add(i, 1, &sum) != S_OK || sum != i + 1) ++failures;
    if (!thing) return;
    if (releaseUnderLock) {
      oxcore::CriticalSectionLock guard(*Library(f).lock);
      thing->Release();
    } else {
      thing->Release();
    }
  };
  std::vector<std::thread> threads;
  for (const fx::Fixture* f : churned) {
    threads.emplace_back([&, f] {
      gate.Wait();
      for (int i = 0; i < kRounds; ++i) {
        activate(*f, i, true);
        if (i % 3 == 0) runtime_->UnloadUnused();
      }
    });
  }
  for (int t = 0; t < kKeptThreads; ++t) {
    threads.emplace_back([&] {
      gate.Wait();
      for (int i = 0; i < kRounds; ++i) {
        activate(kept, i, false);
        if (i % 3 == 0) runtime_->UnloadUnused();
      }
    });
  }
  gate.Open();
  for (std::thread& t : threads) t.join();

  EXPECT_EQ(0, failures.load());
  const struct {
    const fx::Fixture* f;
    int activations;
  } expected[] = {{&fx::fx_counted, 3 * kRounds}, {&fx::fx_notlb, 2 * kRounds}, {&kept, kKeptThreads * kRounds}};
  for (const auto& e : expected) {
    EXPECT_EQ(e.activations, e.f->Count(L"DllGetClassObject")) << e.f->name;
    EXPECT_EQ(e.activations, e.f->Count(L"Created")) << e.f->name;
    EXPECT_EQ(0, e.f->Count(L"Live")) << e.f->name;
  }
  EXPECT_EQ(0, kept.Count(L"DllFinalize"));
  // Every load of fx_counted but the current one was finalised.
  const fx::Fixture& f = fx::fx_counted;
  EXPECT_GE(f.Count(L"DllInitialize"), 1);
  EXPECT_EQ(f.Count(L"DllInitialize") - (f.Loaded() ? 1 : 0), f.Count(L"DllFinalize"));
  std::printf("fx_counted was loaded %ld times\n", f.Count(L"DllInitialize"));

  runtime_.reset();
  EXPECT_FALSE(f.Loaded());
  EXPECT_FALSE(fx::fx_notlb.Loaded());
  EXPECT_EQ(f.Count(L"DllInitialize"), f.Count(L"DllFinalize"));
}

TEST_F(LoaderStressTest, FirstLoadRacingPreloadAndActivationLoadsOnce) {
  constexpr int kThreads = 8;
  constexpr int kRepeats = 25;
  const fx::Fixture& f = fx::fx_counted;
  for (int r = 0; r < kRepeats; ++r) {
    SCOPED_TRACE(r);
    f.Reset();
    Renew();
    Register(*runtime_, f);
    StartGate gate;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        gate.Wait();
        HRESULT hr = S_OK;
        if (t % 2) {
          hr = Library(f).Preload();
        } else {
          IClassFactory* factory = nullptr;
          hr = ClassObject(f.clsid, &factory);
          if (factory) factory->Release();
        }
        if (hr != S_OK) ++failures;
      });
    }
    gate.Open();
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(0, failures.load());
    EXPECT_EQ(1, f.Count(L"DllInitialize"));
    EXPECT_EQ(kThreads / 2, f.Count(L"DllPreload"));
    EXPECT_EQ(kThreads / 2, f.Count(L"DllGetClassObject"));
    runtime_.reset();
    EXPECT_FALSE(f.Loaded());
    EXPECT_EQ(1, f.Count(L"DllFinalize"));
  }
}

}  // namespace
}  // namespace loadertest
