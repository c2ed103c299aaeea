// CallGuarded: every kind of structured exception that escapes the guarded
// function is turned into false, nothing else is, and the thread and the
// process carry on as before.
#include <windows.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "registry/SehGuard.h"

namespace {

using oxcore::CallGuarded;

volatile int* volatile g_nowhere = nullptr;
volatile int g_zero = 0;
volatile int g_sink = 0;

void Returns(void* context) { ++*static_cast<int*>(context); }
void WritesNull(void*) { *g_nowhere = 1; }
void ReadsNull(void*) { g_sink = *g_nowhere; }
void DividesByZero(void*) { g_sink = 7 / g_zero; }
void RaisesContinuable(void*) { RaiseException(0xE0424F01, 0, 0, nullptr); }
void RaisesNoncontinuable(void*) { RaiseException(0xE0424F02, EXCEPTION_NONCONTINUABLE, 0, nullptr); }
void RaisesWithArguments(void*) {
  ULONG_PTR args[3] = {1, 2, 3};
  RaiseException(0xE0424F03, 0, 3, args);
}
void Traps(void*) { __builtin_trap(); }
void Breaks(void*) { DebugBreak(); }

__attribute__((noinline)) void Deep(int depth) {
  volatile char pad[64];
  pad[0] = static_cast<char>(depth);
  if (depth == 0) *g_nowhere = pad[0];
  else Deep(depth - 1);
  g_sink = pad[0];
}
void FaultsDeepDown(void*) { Deep(200); }

struct Case {
  const char* name;
  oxcore::GuardedFunction function;
  DWORD code;  // 0: returns normally
};

const Case kCases[] = {
    {"AccessViolationOnWrite", &WritesNull, EXCEPTION_ACCESS_VIOLATION},
    {"AccessViolationOnRead", &ReadsNull, EXCEPTION_ACCESS_VIOLATION},
    {"IntegerDivideByZero", &DividesByZero, EXCEPTION_INT_DIVIDE_BY_ZERO},
    {"RaiseExceptionContinuable", &RaisesContinuable, 0xE0424F01},
    {"RaiseExceptionNoncontinuable", &RaisesNoncontinuable, 0xE0424F02},
    {"RaiseExceptionWithArguments", &RaisesWithArguments, 0xE0424F03},
    {"IllegalInstruction", &Traps, EXCEPTION_ILLEGAL_INSTRUCTION},
    {"Breakpoint", &Breaks, EXCEPTION_BREAKPOINT},
    {"FaultManyFramesDown", &FaultsDeepDown, EXCEPTION_ACCESS_VIOLATION},
};

class SehGuardCaseTest : public ::testing::TestWithParam<Case> {};

TEST_P(SehGuardCaseTest, TurnsTheExceptionIntoFalseWithItsCode) {
  const Case& c = GetParam();
  DWORD code = 0x12345678;
  EXPECT_FALSE(CallGuarded(c.function, nullptr, &code));
  EXPECT_EQ(c.code, code);
  // The same thread can be guarded again straight away, and still returns.
  int calls = 0;
  EXPECT_TRUE(CallGuarded(&Returns, &calls, &code));
  EXPECT_EQ(1, calls);
  EXPECT_EQ(0u, code);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SehGuardCaseTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(SehGuard, ReturnsTrueAndPassesTheContextWhenNothingIsRaised) {
  int calls = 0;
  DWORD code = 99;
  EXPECT_TRUE(CallGuarded(&Returns, &calls, &code));
  EXPECT_EQ(1, calls);
  EXPECT_EQ(0u, code);
  EXPECT_TRUE(CallGuarded(&Returns, &calls));
  EXPECT_EQ(2, calls);
}

TEST(SehGuard, NullFunctionRunsNothing) {
  DWORD code = 99;
  EXPECT_TRUE(CallGuarded(nullptr, nullptr, &code));
  EXPECT_EQ(0u, code);
}

// A C++ exception that the guarded code catches itself never reaches the
// guard; C++ handling works as before after a caught fault.
void ThrowsAndCatches(void* context) {
  try {
    throw std::runtime_error("inner");
  } catch (const std::runtime_error&) {
    ++*static_cast<int*>(context);
  }
}

TEST(SehGuard, LeavesExceptionsHandledInsideAlone) {
  int caught = 0;
  EXPECT_TRUE(CallGuarded(&ThrowsAndCatches, &caught));
  EXPECT_EQ(1, caught);
  EXPECT_FALSE(CallGuarded(&WritesNull, nullptr));
  EXPECT_TRUE(CallGuarded(&ThrowsAndCatches, &caught));
  EXPECT_EQ(2, caught);
  bool thrownOutside = false;
  try {
    throw std::logic_error("outer");
  } catch (const std::logic_error&) {
    thrownOutside = true;
  }
  EXPECT_TRUE(thrownOutside);
}

// Nested guards: the innermost one takes the exception.
struct Nest {
  bool innerResult = true;
  DWORD innerCode = 0;
  bool faultAfterInner = false;
};

void GuardsAFault(void* context) {
  auto* nest = static_cast<Nest*>(context);
  nest->innerResult = CallGuarded(&RaisesContinuable, nullptr, &nest->innerCode);
  if (nest->faultAfterInner) *g_nowhere = 2;
}

TEST(SehGuard, NestedGuardsEachTakeTheirOwnException) {
  Nest quiet;
  DWORD code = 0;
  EXPECT_TRUE(CallGuarded(&GuardsAFault, &quiet, &code));
  EXPECT_FALSE(quiet.innerResult);
  EXPECT_EQ(0xE0424F01u, quiet.innerCode);
  EXPECT_EQ(0u, code);

  Nest faulting;
  faulting.faultAfterInner = true;
  EXPECT_FALSE(CallGuarded(&GuardsAFault, &faulting, &code));
  EXPECT_FALSE(faulting.innerResult);
  EXPECT_EQ(static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION), code);
}

// The thread's chain of frame handlers: i686 only; x86_64 keeps its
// handlers in unwind tables instead.
void* HandlerChain() {
#if defined(__i386__)
  void* chain = nullptr;
  asm volatile("movl %%fs:0, %0" : "=r"(chain));
  return chain;
#else
  return nullptr;
#endif
}

// Each caught exception leaves the thread exactly as it was: the guarded
// function always starts at the same stack depth, and the thread's handler
// chain (used on i686) is restored.
void RecordsStackDepth(void* context) {
  volatile char here = 0;
  *static_cast<const volatile char**>(context) = &here;
  *g_nowhere = here;
}

TEST(SehGuard, RepeatedFaultsLeaveNoTraceOnTheThread) {
  void* chainBefore = HandlerChain();
  const volatile char* first = nullptr;
  ASSERT_FALSE(CallGuarded(&RecordsStackDepth, &first));
  for (int i = 0; i < 2000; ++i) {
    const volatile char* again = nullptr;
    ASSERT_FALSE(CallGuarded(&RecordsStackDepth, &again));
    ASSERT_EQ(first, again) << "iteration " << i;
  }
  EXPECT_EQ(chainBefore, HandlerChain());
}

// Outside any guard, a vectored handler still sees and settles exceptions:
// the guard registers nothing that stays.
LONG CALLBACK SkipsRaise(EXCEPTION_POINTERS* pointers) {
  if (pointers->ExceptionRecord->ExceptionCode != 0xE0424F7F) return EXCEPTION_CONTINUE_SEARCH;
  return EXCEPTION_CONTINUE_EXECUTION;
}

TEST(SehGuard, UnguardedExceptionsGoWhereTheyWentBefore) {
  ASSERT_FALSE(CallGuarded(&WritesNull, nullptr));
  PVOID handler = AddVectoredExceptionHandler(1, &SkipsRaise);
  ASSERT_NE(nullptr, handler);
  RaiseException(0xE0424F7F, 0, 0, nullptr);  // continues here
  // A guarded exception still goes to the vectored handler first; it lets
  // this code pass, so the guard only sees the fault.
  DWORD code = 0;
  EXPECT_FALSE(CallGuarded(&WritesNull, nullptr, &code));
  EXPECT_EQ(static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION), code);
  EXPECT_NE(0u, RemoveVectoredExceptionHandler(handler));
}

// Guards on many threads at once, each with its own faults.
TEST(SehGuard, ManyThreadsFaultingAtOnce) {
  constexpr int kThreads = 6;
  constexpr int kRounds = 300;
  std::atomic<int> caught{0};
  std::atomic<int> wrongCode{0};
  std::atomic<int> returned{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kRounds; ++i) {
        DWORD code = 0;
        const Case& c = kCases[(t + i) % (sizeof kCases / sizeof kCases[0])];
        if (CallGuarded(c.function, nullptr, &code)) continue;
        ++caught;
        if (code != c.code) ++wrongCode;
        int calls = 0;
        if (CallGuarded(&Returns, &calls) && calls == 1) ++returned;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(kThreads * kRounds, caught.load());
  EXPECT_EQ(0, wrongCode.load());
  EXPECT_EQ(kThreads * kRounds, returned.load());
}

}  // namespace
