#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "test_support.h"

namespace xptest {
namespace {

TEST(Concurrency, ThreadsBuildCloneWriteAndParseTheirOwnTrees) {
  const int threads = 8;
  std::atomic<int> failures{0};
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t) {
    pool.emplace_back([t, &failures] {
      for (int round = 0; round < 20; ++round) {
        NodePtr root = NewNode(L"root");
        for (int i = 0; i < 50; ++i) {
          NodePtr c = AddChild(root, L"item");
          c->SetInt(t * 1000 + i);
          AddChild(c, L"label")->SetString(L"text \u00e9", -1);
        }
        NodePtr copy;
        if (!root->Clone(copy.Receive())) ++failures;
        bool ok = false;
        std::wstring xml = ToXml(copy, L"\t", L"\n", &ok);
        NodePtr back = ParseRoot(xml);
        if (!ok || !back || !SameTree(root, back)) ++failures;
        if (ToXmlThroughTarget(copy, L"\t", L"\n", &ok) != xml || !ok) ++failures;
        xparam::ModuleInterface* m = nullptr;
        if (!Dll().get(&m) || !Dll().free(&m)) ++failures;
      }
    });
  }
  for (auto& th : pool) th.join();
  EXPECT_EQ(failures.load(), 0);
}

TEST(Concurrency, SharedNodesSurviveConcurrentAddRefAndRelease) {
  NodePtr root = NewNode(L"shared");
  NodePtr child = AddChild(root, L"child");
  child->SetString(L"shared text", -1);
  const int threads = 8;
  std::atomic<int> failures{0};
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t) {
    pool.emplace_back([&] {
      for (int i = 0; i < 20000; ++i) {
        NodePtr a(root.Get());
        NodePtr b(child.Get());
        NodePtr copy = a;
        if (i % 100 == 0) {
          // Reading shared data concurrently is safe; holders are counted too.
          const wchar_t* text = nullptr;
          int length = 0;
          xparam::Holder holder;
          if (!b->GetString(&text, &length, &holder) || std::wstring(text, length) != L"shared text") ++failures;
        }
      }
    });
  }
  for (auto& th : pool) th.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(root->AddRef(), 2u);
  EXPECT_EQ(root->Release(), 1u);
  EXPECT_EQ(child->AddRef(), 3u);  // ours and the parent's
  EXPECT_EQ(child->Release(), 2u);
}

TEST(Concurrency, LastReleaseOnAnotherThreadDestroysTheTreeOnce) {
  CountingDispatch object;
  for (int round = 0; round < 50; ++round) {
    NodePtr root = NewNode(L"r");
    for (int i = 0; i < 100; ++i) AddChild(root, L"c");
    NodePtr last;
    root->GetLastChild(last.Receive());
    AddChild(last, L"held")->SetUnknown(&object);
    last.Reset();
    std::vector<std::thread> pool;
    std::atomic<bool> go{false};
    for (int t = 0; t < 4; ++t) {
      NodePtr mine = root;
      pool.emplace_back([mine, &go]() mutable {
        while (!go) std::this_thread::yield();
        mine.Reset();
      });
    }
    root.Reset();
    go = true;
    for (auto& th : pool) th.join();
    // Whichever thread freed the tree released the stored reference exactly once.
    ASSERT_EQ(object.refs, 1) << "round " << round;
  }
}

}  // namespace
}  // namespace xptest
