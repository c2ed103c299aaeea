#include <gtest/gtest.h>

#include "test_support.h"

namespace xptest {
namespace {

TEST(ModuleExports, BothNamesResolveByPlainName) {
  ASSERT_NE(Dll().dll, nullptr);
  EXPECT_NE(Dll().get, nullptr);
  EXPECT_NE(Dll().free, nullptr);
}

TEST(ModuleExports, GetFillsOneProcessWideObjectAndFreeNullsIt) {
  xparam::ModuleInterface* a = nullptr;
  xparam::ModuleInterface* b = nullptr;
  ASSERT_TRUE(Dll().get(&a));
  ASSERT_TRUE(Dll().get(&b));
  EXPECT_NE(a, nullptr);
  EXPECT_EQ(a, b);
  EXPECT_TRUE(Dll().free(&a));
  EXPECT_EQ(a, nullptr);
  EXPECT_TRUE(Dll().free(&b));
  EXPECT_EQ(b, nullptr);
}

TEST(ModuleExports, RefusesMissingOrForeignSlots) {
  EXPECT_FALSE(Dll().get(nullptr));
  EXPECT_FALSE(Dll().free(nullptr));
  xparam::ModuleInterface* none = nullptr;
  EXPECT_FALSE(Dll().free(&none));
  int notAModule = 0;
  auto* bogus = reinterpret_cast<xparam::ModuleInterface*>(&notAModule);
  EXPECT_FALSE(Dll().free(&bogus));
  EXPECT_EQ(bogus, reinterpret_cast<xparam::ModuleInterface*>(&notAModule));
}

TEST(ModuleExports, ObjectsOutliveTheBindingThatMadeThem) {
  xparam::ModuleInterface* m = nullptr;
  ASSERT_TRUE(Dll().get(&m));
  NodePtr node;
  ASSERT_TRUE(m->CreateXParam(node.Receive()));
  xparam::DocReader* reader = m->CreateDocReader();
  xparam::DocWriter* writer = m->CreateDocWriter();
  ASSERT_TRUE(Dll().free(&m));
  ASSERT_NE(reader, nullptr);
  ASSERT_NE(writer, nullptr);
  EXPECT_TRUE(node->SetName(L"still", -1));
  EXPECT_TRUE(reader->ParseString(L"<a/>", -1));
  xparam::Holder holder;
  EXPECT_NE(writer->WriteString(node.Get(), nullptr, nullptr, nullptr, &holder), nullptr);
  reader->Destroy();
  writer->Destroy();
}

TEST(ModuleObjects, CreateXParamGivesAnUnnamedEmptyUnattachedNode) {
  NodePtr n;
  ASSERT_TRUE(Module()->CreateXParam(n.Receive()));
  EXPECT_EQ(NameOf(n), L"");
  EXPECT_EQ(n->GetType(), xparam::kTypeEmpty);
  EXPECT_EQ(n->GetChildrenCount(), 0);
  NodePtr parent;
  EXPECT_FALSE(n->GetParent(parent.Receive()));
  EXPECT_FALSE(Module()->CreateXParam(nullptr));
  EXPECT_EQ(n->AddRef(), 2u);
  EXPECT_EQ(n->Release(), 1u);
}

}  // namespace
}  // namespace xptest
