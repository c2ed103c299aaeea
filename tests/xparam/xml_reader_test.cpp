#include <gtest/gtest.h>

#include <cstdint>

#include "test_support.h"

namespace xptest {
namespace {

struct BadInput {
  const char* label;
  std::string bytes;
};

void PrintTo(const BadInput& c, std::ostream* os) { *os << c.label; }

std::string Nested(int depth) {
  std::string s;
  for (int i = 0; i < depth; ++i) s += "<a>";
  for (int i = 0; i < depth; ++i) s += "</a>";
  return s;
}

std::string Unclosed(int depth) {
  std::string s;
  for (int i = 0; i < depth; ++i) s += "<a>";
  return s;
}

const BadInput kBadInputs[] = {
    {"empty", ""},
    {"only whitespace", " \r\n\t"},
    {"only a declaration", "<?xml version=\"1.0\"?>"},
    {"only a comment", "<!-- nothing -->"},
    {"text, no element", "hello"},
    {"truncated start tag", "<root"},
    {"truncated element", "<root><a>1</a>"},
    {"truncated end tag", "<root></roo"},
    {"truncated attribute", "<root a=\"1"},
    {"truncated comment", "<root><!-- x</root>"},
    {"truncated CDATA", "<root><![CDATA[x</root>"},
    {"mismatched closing tag", "<a><b></a></b>"},
    {"wrong closing name", "<a></b>"},
    {"closing tag without opening", "</a>"},
    {"two roots", "<a/><b/>"},
    {"two roots with text", "<a>1</a><a>2</a>"},
    {"text after root", "<a/>tail"},
    {"text before root", "lead<a/>"},
    {"unknown entity", "<a>&bogus;</a>"},
    {"unknown entity in attribute", "<a b=\"&bogus;\"/>"},
    {"bare ampersand", "<a>fish & chips</a>"},
    {"unterminated reference", "<a>&amp</a>"},
    {"reference to NUL", "<a>&#0;</a>"},
    {"reference to a control", "<a>&#x1;</a>"},
    {"reference to a surrogate", "<a>&#xD800;</a>"},
    {"reference past Unicode", "<a>&#x110000;</a>"},
    {"huge decimal reference", "<a>&#99999999999999999999;</a>"},
    {"uppercase hex marker", "<a>&#X41;</a>"},
    {"duplicate attribute", "<a b=\"1\" b=\"2\"/>"},
    {"duplicate marker attribute", "<a xp.type=\"int\" xp.type=\"int\">1</a>"},
    {"unquoted attribute", "<a b=1/>"},
    {"attribute without value", "<a b/>"},
    {"attributes not separated", "<a b=\"1\"c=\"2\"/>"},
    {"less-than in attribute", "<a b=\"<\"/>"},
    {"name starting with digit", "<1a/>"},
    {"space after less-than", "< a/>"},
    {"invalid UTF-8 byte", "<a>\xFF</a>"},
    {"truncated UTF-8 sequence", "<a>\xC3</a>"},
    {"overlong UTF-8", "<a>\xC0\xAF</a>"},
    {"UTF-8 encoded surrogate", "<a>\xED\xA0\x80</a>"},
    {"UTF-8 past U+10FFFF", "<a>\xF4\x90\x80\x80</a>"},
    {"NUL byte inside", std::string("<a>x\0y</a>", 10)},
    {"NUL byte after root", std::string("<a/>\0junk", 9)},
    {"control character", "<a>\x01</a>"},
    {"declaration not first", "<a/><?xml version=\"1.0\"?>"},
    {"CDATA end in text", "<a>]]></a>"},
    {"unknown markup", "<a><!ELEMENT x></a>"},
    {"CDATA outside root", "<![CDATA[x]]><a/>"},
    {"DOCTYPE after root", "<a/><!DOCTYPE a>"},
    {"odd-sized UTF-16", "\xFF\xFE<\0a\0/\0>"},
    {"UTF-16 lone surrogate", std::string("\xFF\xFE<\0a\0>\0\x00\xD8<\0/\0a\0>\0", 18)},
    {"UTF-16 without BOM", std::string("<\0a\0/\0>\0", 8)},
    {"UTF-32 BOM", std::string("\xFF\xFE\0\0<\0\0\0a\0\0\0/\0\0\0>\0\0\0", 20)},
    {"binary", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)},
    {"nesting past the limit", Nested(1001)},
    {"nesting of 100000", Nested(100000)},
    {"unclosed nesting of 100000", Unclosed(100000)},
};

class MalformedInput : public ::testing::TestWithParam<BadInput> {};

TEST_P(MalformedInput, IsRefusedAndKeepsThePreviousDocument) {
  xparam::DocReader* r = Module()->CreateDocReader();
  ASSERT_TRUE(r->ParseString(L"<previous/>", -1));
  EXPECT_FALSE(r->ParseMemory(GetParam().bytes.data(), static_cast<unsigned>(GetParam().bytes.size())));
  NodePtr doc, head;
  ASSERT_TRUE(r->GetDocument(doc.Receive()));
  ASSERT_TRUE(doc->GetHeadChild(head.Receive()));
  EXPECT_EQ(NameOf(head), L"previous");
  r->Destroy();
}

INSTANTIATE_TEST_SUITE_P(Table, MalformedInput, ::testing::ValuesIn(kBadInputs));

TEST(Reader, NestingUpToTheLimitIsRead) {
  NodePtr doc = ParseBytes(Nested(1000));
  ASSERT_TRUE(doc);
  NodePtr n;
  doc->GetHeadChild(n.Receive());
  int depth = 0;
  while (n) {
    ++depth;
    NodePtr c;
    n->GetFirstChild(c.Receive());
    n = c;
  }
  EXPECT_EQ(depth, 1000);
}

DWORD WINAPI ParseDeepOnSmallStack(void* result) {
  *static_cast<bool*>(result) = static_cast<bool>(ParseBytes(Nested(1000)));
  return 0;
}

TEST(Reader, NestingAtTheLimitFitsASmallThreadStack) {
  bool parsed = false;
  HANDLE thread = CreateThread(nullptr, 256 * 1024, ParseDeepOnSmallStack, &parsed,
                               STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  ASSERT_NE(thread, nullptr);
  DWORD code = 0;
  WaitForSingleObject(thread, INFINITE);
  GetExitCodeThread(thread, &code);
  CloseHandle(thread);
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(parsed);
}

TEST(Reader, NoDocumentBeforeASuccessfulParse) {
  xparam::DocReader* r = Module()->CreateDocReader();
  XParamNode* doc = reinterpret_cast<XParamNode*>(0x1);
  EXPECT_FALSE(r->GetDocument(&doc));
  EXPECT_EQ(doc, nullptr);
  EXPECT_FALSE(r->ParseString(nullptr, -1));
  EXPECT_FALSE(r->ParseString(L"<a/>", -2));
  EXPECT_FALSE(r->ParseMemory(nullptr, 4));
  EXPECT_FALSE(r->ParseMemory("<a/>", 0));
  EXPECT_FALSE(r->LoadFile(nullptr));
  EXPECT_FALSE(r->LoadFile(L""));
  EXPECT_FALSE(r->GetDocument(nullptr));
  r->Destroy();
}

TEST(Reader, ParseStringHonoursLengthAndSkipsBom) {
  xparam::DocReader* r = Module()->CreateDocReader();
  EXPECT_TRUE(r->ParseString(L"<a/>trailing garbage", 4));
  EXPECT_TRUE(r->ParseString(L"\uFEFF<a/>", -1));
  EXPECT_FALSE(r->ParseString(L"<a>\xD800</a>", -1));  // lone surrogate
  EXPECT_FALSE(r->ParseString(L"<a>x</a>", 0));
  r->Destroy();
}

struct EncodedCase {
  const char* label;
  std::string bytes;
};

class EncodedInput : public ::testing::TestWithParam<EncodedCase> {};

TEST_P(EncodedInput, ReadsTheSameTree) {
  NodePtr doc = ParseBytes(GetParam().bytes);
  ASSERT_TRUE(doc);
  NodePtr root;
  ASSERT_TRUE(doc->GetHeadChild(root.Receive()));
  EXPECT_EQ(NameOf(root), L"r\u00e9");
  EXPECT_EQ(TextOf(root), L"caf\u00e9 \U0001F600");
}

std::string Utf16Bytes(const std::wstring& text, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (wchar_t c : text) {
    char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>((c >> 8) & 0xFF);
    out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
  }
  return out;
}

const std::wstring kEncodedText =
    L"<?xml version=\"1.0\" encoding=\"utf-16\"?>\r\n<r\u00e9>caf\u00e9 \U0001F600</r\u00e9>\r\n";

INSTANTIATE_TEST_SUITE_P(Table, EncodedInput,
                         ::testing::Values(EncodedCase{"utf-8", Utf8(kEncodedText)},
                                           EncodedCase{"utf-8 with BOM", "\xEF\xBB\xBF" + Utf8(kEncodedText)},
                                           EncodedCase{"utf-16le with BOM", Utf16Bytes(kEncodedText, false)},
                                           EncodedCase{"utf-16be with BOM", Utf16Bytes(kEncodedText, true)}));

TEST(Reader, EveryTruncationOfAValidDocumentIsRefused) {
  NodePtr root = NewNode(L"root");
  AddChild(root, L"a")->SetInt(1);
  AddChild(root, L"b")->SetString(L"x & y", -1);
  AddChild(root, L"c")->SetBlob("\x01\x02", 2);
  std::string full = Utf8(ToXml(root, L"  ", L"\n"));
  size_t end = full.rfind("</root>") + 7;
  for (size_t n = 0; n < end; ++n) {
    SCOPED_TRACE(n);
    EXPECT_FALSE(ParseBytes(full.substr(0, n)));
  }
  EXPECT_TRUE(ParseBytes(full.substr(0, end)));
}

TEST(Reader, PseudoRandomBytesNeverCrash) {
  uint32_t state = 12345;
  auto next = [&] {
    state = state * 1664525u + 1013904223u;
    return state >> 24;
  };
  const char alphabet[] = "<>/=\"'&;!?[]-abc \n\x80\xC3\xA9#x0";
  int accepted = 0;
  for (int round = 0; round < 2000; ++round) {
    std::string bytes;
    size_t size = next() % 64;
    for (size_t i = 0; i < size; ++i) {
      bytes.push_back(round % 2 ? static_cast<char>(next()) : alphabet[next() % (sizeof alphabet - 1)]);
    }
    NodePtr doc = ParseBytes(bytes);
    if (doc) {
      ++accepted;
      NodePtr head;
      EXPECT_TRUE(doc->GetHeadChild(head.Receive()));  // anything accepted is a proper document
    }
  }
  EXPECT_LT(accepted, 2000);
}

}  // namespace
}  // namespace xptest
