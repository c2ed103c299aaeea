#include <gtest/gtest.h>

#include "test_support.h"

namespace xptest {
namespace {

using Names = std::vector<std::wstring>;

TEST(XmlForm, LayoutOfASmallTree) {
  NodePtr root = NewNode(L"config");
  AddChild(root, L"title")->SetString(L"a < b & c", -1);
  AddChild(root, L"count")->SetInt(3);
  NodePtr list = AddChild(root, L"list");
  list->SetBool(true);
  AddChild(list, L"item");
  AddChild(root, L"1st");
  EXPECT_EQ(ToXml(root, L"\t", L"\r\n"),
            L"<?xml version=\"1.0\" encoding=\"utf-16\"?>\r\n"
            L"<config>\r\n"
            L"\t<title>a &lt; b &amp; c</title>\r\n"
            L"\t<count xp.type=\"int\">3</count>\r\n"
            L"\t<list xp.type=\"bool\" xp.value=\"true\">\r\n"
            L"\t\t<item/>\r\n"
            L"\t</list>\r\n"
            L"\t<xp.node xp.name=\"1st\"/>\r\n"
            L"</config>\r\n");
  EXPECT_EQ(ToXml(root, nullptr, nullptr).substr(39, 30), L"<config><title>a &lt; b &amp; ");
}

TEST(XmlForm, WriteStringToFillsExactlyTheRoomItAskedFor) {
  NodePtr root = NewNode(L"config");
  AddChild(root, L"title")->SetString(L"a < b & c", -1);
  AddChild(AddChild(root, L"list"), L"item")->SetDouble(0.5);
  for (const wchar_t* lineBreak : {L"\r\n", static_cast<const wchar_t*>(nullptr)}) {
    bool ok = false;
    std::wstring text = ToXmlThroughTarget(root, L"  ", lineBreak, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(text, ToXml(root, L"  ", lineBreak));
  }
  xparam::DocWriter* w = Module()->CreateDocWriter();
  RecordingTarget refusing(true);
  EXPECT_FALSE(w->WriteStringTo(root.Get(), nullptr, nullptr, &refusing));
  EXPECT_EQ(refusing.calls, 1);
  EXPECT_EQ(refusing.asked, static_cast<int>(ToXml(root, nullptr, nullptr).size()));
  EXPECT_FALSE(w->WriteStringTo(root.Get(), nullptr, nullptr, nullptr));
  w->Destroy();
}

// Writers format into buffers kept from earlier writes: nothing of a long
// document may show in a shorter one written after it, and a document larger
// than any kept buffer is written whole.
TEST(XmlForm, WritesAfterLongerDocumentsCarryNothingOver) {
  NodePtr small = NewNode(L"s");
  small->SetInt(1);
  const std::wstring expected = L"<?xml version=\"1.0\" encoding=\"utf-16\"?><s xp.type=\"int\">1</s>";
  for (size_t size : {size_t(100000), size_t(4) << 20 | 5}) {
    SCOPED_TRACE(size);
    NodePtr big = NewNode(L"b");
    big->SetString(std::wstring(size, L'x').c_str(), static_cast<int>(size));
    std::wstring bigText = ToXml(big, nullptr, nullptr);
    ASSERT_EQ(bigText.size(), size + 46);
    EXPECT_EQ(bigText.substr(bigText.size() - 6), L"xx</b>");
    EXPECT_EQ(ToXmlThroughTarget(big, nullptr, nullptr).size(), size + 46);
    EXPECT_EQ(ToXml(small, nullptr, nullptr), expected);
    EXPECT_EQ(ToXmlThroughTarget(small, nullptr, nullptr), expected);
  }
}

TEST(XmlForm, DocumentNodeAndNamedNode) {
  // An unnamed node with one child is a document; its child is the root.
  NodePtr doc = NewNode();
  NodePtr top = AddChild(doc, L"");
  top->SetName(L"OxComRuntime", -1);
  AddChild(top, L"libs");
  bool ok = false;
  std::wstring fromDoc = ToXml(doc, L"\t", L"\r\n", &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(fromDoc, ToXml(top, L"\t", L"\r\n"));
  NodePtr parsed = ParseDocument(fromDoc);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(NameOf(parsed), L"");
  EXPECT_EQ(parsed->GetChildrenCount(), 1);
  EXPECT_EQ(parsed->GetType(), xparam::kTypeEmpty);
  NodePtr head, first;
  ASSERT_TRUE(parsed->GetHeadChild(head.Receive()));
  ASSERT_TRUE(parsed->GetFirstChild(first.Receive()));
  EXPECT_EQ(head, first);
  EXPECT_EQ(NameOf(head), L"OxComRuntime");
  EXPECT_TRUE(SameTree(head, top));
}

TEST(XmlForm, UnwritableNodesAnswerNull) {
  NodePtr empty = NewNode();
  NodePtr twoChildren = NewNode();
  AddChild(twoChildren, L"a");
  AddChild(twoChildren, L"b");
  NodePtr withValue = NewNode();
  withValue->SetInt(1);
  AddChild(withValue, L"a");
  NodePtr fine = NewNode(L"ok");
  struct Case {
    const char* label;
    XParamNode* node;
    const wchar_t* indent;
    const wchar_t* lineBreak;
  } cases[] = {
      {"unnamed without children", empty.Get(), nullptr, nullptr},
      {"unnamed with two children", twoChildren.Get(), nullptr, nullptr},
      {"unnamed with a value", withValue.Get(), nullptr, nullptr},
      {"null node", nullptr, nullptr, nullptr},
      {"indent not whitespace", fine.Get(), L"xx", nullptr},
      {"line break not whitespace", fine.Get(), nullptr, L"<br/>"},
  };
  xparam::DocWriter* w = Module()->CreateDocWriter();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    xparam::Holder holder;
    int length = -7;
    EXPECT_EQ(w->WriteString(c.node, &length, c.indent, c.lineBreak, &holder), nullptr);
    EXPECT_TRUE(holder.Empty());
    RecordingTarget target;
    EXPECT_FALSE(w->WriteStringTo(c.node, c.indent, c.lineBreak, &target));
    EXPECT_EQ(target.calls, 0);
  }
  EXPECT_EQ(w->WriteString(fine.Get(), nullptr, nullptr, nullptr, nullptr), nullptr);  // no holder
  w->Destroy();
}

class NameRoundTrip : public ::testing::TestWithParam<std::wstring> {};

TEST_P(NameRoundTrip, SurvivesAsElementOrMarkedName) {
  NodePtr root = NewNode(L"root");
  AddChild(root, GetParam())->SetInt(5);
  AddChild(root, L"after");
  bool ok = false;
  std::wstring xml = ToXml(root, L" ", L"\n", &ok);
  ASSERT_TRUE(ok);
  NodePtr back = ParseRoot(xml);
  ASSERT_TRUE(back) << Utf8(xml);
  EXPECT_EQ(ChildNames(back), (Names{GetParam(), L"after"})) << Utf8(xml);
  // The root itself may carry such a name too.
  NodePtr odd = NewNode();
  odd->SetName(GetParam().data(), static_cast<int>(GetParam().size()));
  if (!GetParam().empty()) {
    NodePtr oddBack = ParseRoot(ToXml(odd));
    ASSERT_TRUE(oddBack);
    EXPECT_EQ(NameOf(oddBack), GetParam());
  }
}

INSTANTIATE_TEST_SUITE_P(Table, NameRoundTrip,
                         ::testing::Values(L"plain", L"", L" ", L"a b", L"1abc", L"-x", L".x", L"x-y.z_1", L"a:b",
                                           L":a", L"xp.node", L"xml", L"caf\u00e9", L"\u65e5\u672c",
                                           L"\U0001F600", L"a<b>&\"'", L"back\\slash", L"\\u0041",
                                           std::wstring(L"nul\0in", 6), std::wstring(L"\xD800", 1), L"tab\there",
                                           L"line\r\nbreak"));

class StringRoundTrip : public ::testing::TestWithParam<std::wstring> {};

TEST_P(StringRoundTrip, LeafAndNodeWithChildrenKeepEveryUnit) {
  for (bool withChild : {false, true}) {
    SCOPED_TRACE(withChild ? "with child" : "leaf");
    NodePtr root = NewNode(L"root");
    NodePtr v = AddChild(root, L"v");
    v->SetString(GetParam().data(), static_cast<int>(GetParam().size()));
    if (withChild) AddChild(v, L"c");
    bool ok = false;
    std::wstring xml = ToXml(root, L"\t", L"\r\n", &ok);
    ASSERT_TRUE(ok);
    NodePtr back = ParseRoot(xml);
    ASSERT_TRUE(back) << Utf8(xml);
    NodePtr found;
    ASSERT_TRUE(back->FindFirstChild(L"v", -1, 0, found.Receive()));
    EXPECT_EQ(found->GetType(), xparam::kTypeString);
    EXPECT_EQ(TextOf(found), GetParam()) << Utf8(xml);
    EXPECT_EQ(found->GetChildrenCount(), withChild ? 1 : 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Table, StringRoundTrip,
                         ::testing::Values(L"text", L"", L" ", L"   ", L"  lead", L"trail  ", L"\t", L"\n", L"\r",
                                           L"\r\n", L"a\rb\nc\r\nd", L"<&>\"'", L"]]>", L"&amp;", L"back\\slash",
                                           L"\\u0041", std::wstring(L"\0", 1), std::wstring(L"a\0b\0", 4),
                                           L"\x01\x1F", L"\uFFFE\uFFFF", L"\U0001F600 emoji",
                                           std::wstring(L"\xDC00 lone", 6), std::wstring(L"end \xD83D", 5),
                                           L"caf\u00e9 \u65e5\u672c", L"x\uFFFDy"));

TEST(XmlForm, ForeignAttributesBecomeStringChildrenBeforeElements) {
  NodePtr root = ParseRoot(L"<lib name=\"core\" version='1.0' empty=\"\"><file>a.dll</file></lib>");
  ASSERT_TRUE(root);
  EXPECT_EQ(ChildNames(root), (Names{L"name", L"version", L"empty", L"file"}));
  NodePtr attr;
  ASSERT_TRUE(root->FindFirstChild(L"version", -1, 0, attr.Receive()));
  EXPECT_EQ(attr->GetType(), xparam::kTypeString);
  EXPECT_EQ(TextOf(attr), L"1.0");
  ASSERT_TRUE(root->FindFirstChild(L"empty", -1, 0, attr.Receive()));
  EXPECT_EQ(attr->GetType(), xparam::kTypeString);
  EXPECT_EQ(TextOf(attr), L"");
  EXPECT_EQ(root->GetType(), xparam::kTypeEmpty);
}

struct TextCase {
  const wchar_t* xml;
  int type;
  std::wstring text;
};

class ForeignText : public ::testing::TestWithParam<TextCase> {};

TEST_P(ForeignText, ReadsAsDocumented) {
  NodePtr root = ParseRoot(GetParam().xml);
  ASSERT_TRUE(root);
  EXPECT_EQ(root->GetType(), GetParam().type);
  EXPECT_EQ(TextOf(root), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ForeignText,
    ::testing::Values(TextCase{L"<a/>", xparam::kTypeEmpty, L""}, TextCase{L"<a></a>", xparam::kTypeEmpty, L""},
                      TextCase{L"<a> \t\n </a>", xparam::kTypeEmpty, L""},
                      TextCase{L"<a xp.value=\" \"/>", xparam::kTypeString, L" "},
                      TextCase{L"<a>42</a>", xparam::kTypeString, L"42"},
                      TextCase{L"<a> x </a>", xparam::kTypeString, L" x "},
                      TextCase{L"<a>&lt;&gt;&amp;&quot;&apos;&#65;&#x42;&#x1F600;</a>", xparam::kTypeString,
                               L"<>&\"'AB\U0001F600"},
                      TextCase{L"<a><![CDATA[<raw> & ]]></a>", xparam::kTypeString, L"<raw> & "},
                      TextCase{L"<a>x<!-- note -->y</a>", xparam::kTypeString, L"xy"},
                      TextCase{L"<a>line1\r\nline2\rline3</a>", xparam::kTypeString, L"line1\nline2\nline3"},
                      TextCase{L"<a>&#13;</a>", xparam::kTypeString, L"\r"},
                      TextCase{L"<a>\n  <b/>\n</a>", xparam::kTypeEmpty, L""},
                      TextCase{L"<a>Hello <b/> world</a>", xparam::kTypeString, L"Hello  world"},
                      TextCase{L"<a xp.type=\"uchar\"> 7 </a>", xparam::kTypeUChar, L"7"},
                      TextCase{L"<a xp.type=\"string\"/>", xparam::kTypeString, L""},
                      TextCase{L"<a xp.type=\"escaped\">\\\\\\u0041</a>", xparam::kTypeString, L"\\A"},
                      TextCase{L"<a xp.type=\"blob\">YW Jj\nZA==</a>", xparam::kTypeBlob, L"<no text>"},
                      TextCase{L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!-- c -->\n<!DOCTYPE a>\n<a>v</a>\n"
                               L"<!-- after --><?pi data?>\n",
                               xparam::kTypeString, L"v"}));

TEST(XmlForm, BadMarksAreRefused) {
  const wchar_t* cases[] = {
      L"<a xp.type=\"int\">x</a>",          L"<a xp.type=\"char\">128</a>",   L"<a xp.type=\"uint\">-1</a>",
      L"<a xp.type=\"bool\">maybe</a>",     L"<a xp.type=\"nosuch\">1</a>",   L"<a xp.type=\"blob\">abc</a>",
      L"<a xp.type=\"escaped\">\\x</a>",    L"<a xp.type=\"escaped\">\\u12</a>", L"<a xp.name=\"\\q\"/>",
      L"<a xp.type=\"double\">1e999</a>",   L"<a xp.type=\"pointer\">12</a>",
  };
  for (const wchar_t* xml : cases) {
    SCOPED_TRACE(Utf8(xml));
    EXPECT_FALSE(ParseDocument(xml));
  }
}

}  // namespace
}  // namespace xptest
