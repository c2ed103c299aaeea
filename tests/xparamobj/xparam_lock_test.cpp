// LockIt/UnlockIt: a recursive per-handle lock, held by enumerators for
// their lifetime, refusing to be left by a thread that does not hold it.
// Waits use events with generous timeouts; "still waiting" is checked after
// a short wait, never timed.
#include <windows.h>
#include <oleauto.h>

#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "XParamTestSupport.h"

namespace {

using xpotest::Bstr;

constexpr DWORD kStillWaitingMs = 150;
constexpr DWORD kProceedsMs = 10000;

class XParamLockTest : public xpotest::XParamSuite {};

// Another thread that takes x's lock and signals when it has it.
class Locker {
 public:
  explicit Locker(IXParam* x) : locked_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    thread_ = std::thread([this, x] {
      x->LockIt();
      SetEvent(locked_);
      x->UnlockIt();
    });
  }
  ~Locker() {
    thread_.join();
    CloseHandle(locked_);
  }
  Locker(const Locker&) = delete;
  Locker& operator=(const Locker&) = delete;
  bool StillWaiting() { return WaitForSingleObject(locked_, kStillWaitingMs) == WAIT_TIMEOUT; }
  bool Proceeds() { return WaitForSingleObject(locked_, kProceedsMs) == WAIT_OBJECT_0; }

 private:
  HANDLE locked_;
  std::thread thread_;
};

TEST_F(XParamLockTest, TheLockIsRecursiveForItsOwner) {
  IXParam* x = Make();
  ASSERT_EQ(S_OK, x->LockIt());
  ASSERT_EQ(S_OK, x->LockIt());
  {
    Locker other(x);
    EXPECT_TRUE(other.StillWaiting());
    ASSERT_EQ(S_OK, x->UnlockIt());
    EXPECT_TRUE(other.StillWaiting()) << "one UnlockIt per LockIt";
    ASSERT_EQ(S_OK, x->UnlockIt());
    EXPECT_TRUE(other.Proceeds());
  }
  x->Release();
}

TEST_F(XParamLockTest, UnlockItByAThreadWithoutTheLockChangesNothing) {
  const HRESULT notOwner = HRESULT_FROM_WIN32(ERROR_NOT_OWNER);
  IXParam* x = Make();
  EXPECT_EQ(notOwner, x->UnlockIt()) << "nobody holds it";
  {
    Locker other(x);  // the lock is still usable
    EXPECT_TRUE(other.Proceeds());
  }
  ASSERT_EQ(S_OK, x->LockIt());
  HRESULT fromOther = S_OK;
  std::thread([&] { fromOther = x->UnlockIt(); }).join();
  EXPECT_EQ(notOwner, fromOther);
  {
    Locker other(x);
    EXPECT_TRUE(other.StillWaiting()) << "the owner still holds the lock";
    ASSERT_EQ(S_OK, x->UnlockIt());
    EXPECT_TRUE(other.Proceeds());
  }
  EXPECT_EQ(notOwner, x->UnlockIt());
  x->Release();
}

TEST_F(XParamLockTest, TheLockBelongsToTheHandleNotToTheNode) {
  IXParam* x = Make();
  Bstr n(L"n");
  x->put_Long(n, 1);
  IXParam* first = nullptr;
  IXParam* second = nullptr;
  ASSERT_EQ(S_OK, x->GetFirstChild(&first));
  ASSERT_EQ(S_OK, x->GetFirstChild(&second));
  ASSERT_EQ(S_OK, first->LockIt());
  {
    Locker other(second);
    EXPECT_TRUE(other.Proceeds());
  }
  ASSERT_EQ(S_OK, first->UnlockIt());
  first->Release();
  second->Release();
  x->Release();
}

TEST_F(XParamLockTest, AnEnumeratorHoldsTheLockUntilItIsReleased) {
  IXParam* x = Make();
  Bstr a(L"a");
  x->put_Long(a, 1);
  IXParamEnum* e = nullptr;
  ASSERT_EQ(S_OK, x->CreateEnum(&e));
  {
    Locker other(x);
    EXPECT_TRUE(other.StillWaiting());
    // The creating thread keeps using the object, and may take more enumerators.
    ASSERT_EQ(S_OK, x->LockIt());
    ASSERT_EQ(S_OK, x->UnlockIt());
    IXParamEnum* second = nullptr;
    ASSERT_EQ(S_OK, x->CreateEnum(&second));
    VARIANT_BOOL eof = VARIANT_TRUE;
    EXPECT_EQ(S_OK, second->Next(&eof));
    second->Release();
    EXPECT_TRUE(other.StillWaiting()) << "the first enumerator still holds it";
    // Methods that do not lock are not held back.
    LONG count = 0;
    std::thread([&] { x->GetChildrenCount(&count); }).join();
    EXPECT_EQ(1, count);
    e->Release();
    EXPECT_TRUE(other.Proceeds());
  }
  x->Release();
}

// Threads that serialise their work on one shared handle with LockIt, some
// of them through enumerators: no update is lost and nothing crashes.
TEST_F(XParamLockTest, StressThreadsSerialiseThroughTheLock) {
  IXParam* shared = Make();
  Bstr counter(L"counter"), item(L"item");
  ASSERT_EQ(S_OK, shared->put_Long(counter, 0));
  constexpr int kThreads = 4, kRounds = 2000;
  std::atomic<int> failures{0}, pushed{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kRounds; ++i) {
        if (i % 50 == t) {
          // Walk the children while the enumerator holds the lock.
          IXParamEnum* e = nullptr;
          if (shared->CreateEnum(&e) != S_OK) {
            ++failures;
            continue;
          }
          VARIANT_BOOL eof = VARIANT_FALSE;
          int seen = 0;
          while (e->Next(&eof) == S_OK) ++seen;
          LONG count = 0;
          shared->GetChildrenCount(&count);
          if (seen != count) ++failures;
          e->Release();
          continue;
        }
        shared->LockIt();
        LONG v = -1;
        if (shared->get_Long(counter, &v) != S_OK) ++failures;
        shared->put_Long(counter, v + 1);
        if (i % 100 == 0) {
          IXParam* child = nullptr;
          shared->Clone(VARIANT_FALSE, &child);
          child->SetName(item);
          if (shared->PushBackChild(child) == S_OK) ++pushed;
          child->Release();
        }
        shared->UnlockIt();
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(0, failures.load());
  LONG total = 0;
  ASSERT_EQ(S_OK, shared->get_Long(counter, &total));
  int expected = 0;
  for (int t = 0; t < kThreads; ++t)
    for (int i = 0; i < kRounds; ++i) expected += i % 50 != t;
  EXPECT_EQ(expected, total);
  EXPECT_GT(pushed.load(), 0);
  EXPECT_EQ(1 + pushed.load(), Count(shared));
  shared->Release();
}

}  // namespace
