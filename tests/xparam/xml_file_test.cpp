#include <gtest/gtest.h>

#include "test_support.h"

namespace xptest {
namespace {

NodePtr SampleTree() {
  NodePtr root = NewNode(L"settings");
  AddChild(root, L"locale")->SetString(L"fr-FR \u00e9\U0001F600", -1);
  AddChild(root, L"volume")->SetDouble(0.75);
  AddChild(root, L"data")->SetBlob("\x00\xFF", 2);
  return root;
}

NodePtr Load(const std::wstring& path) {
  xparam::DocReader* r = Module()->CreateDocReader();
  NodePtr doc, root;
  if (r->LoadFile(path.c_str()) && r->GetDocument(doc.Receive())) doc->GetHeadChild(root.Receive());
  r->Destroy();
  return root;
}

bool Write(const NodePtr& node, const std::wstring& path, const wchar_t* encoding, const wchar_t* indent = L"\t",
           const wchar_t* lineBreak = L"\r\n") {
  xparam::DocWriter* w = Module()->CreateDocWriter();
  bool ok = w->WriteFile(node.Get(), path.c_str(), indent, lineBreak, encoding);
  w->Destroy();
  return ok;
}

// Files in the directory besides the given one (temporary leftovers).
int OtherFiles(const std::wstring& dir, const std::wstring& keep) {
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW((dir + L"*").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return 0;
  int count = 0;
  do {
    std::wstring name = data.cFileName;
    if (name != L"." && name != L".." && name != keep) ++count;
  } while (FindNextFileW(h, &data));
  FindClose(h);
  return count;
}

struct EncodingCase {
  const wchar_t* encoding;
  std::string prefix;  // first bytes of the file
};

class FileEncoding : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(FileEncoding, WritesDeclaresAndReadsBack) {
  std::wstring dir = TempDir();
  std::wstring path = dir + L"doc.xml";
  NodePtr tree = SampleTree();
  ASSERT_TRUE(Write(tree, path, GetParam().encoding));
  std::string bytes = ReadAll(path);
  EXPECT_EQ(bytes.substr(0, GetParam().prefix.size()), GetParam().prefix);
  NodePtr back = Load(path);
  ASSERT_TRUE(back);
  EXPECT_TRUE(SameTree(tree, back));
  EXPECT_EQ(OtherFiles(dir, L"doc.xml"), 0);
}

const std::string kUtf8Start = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<settings>\r\n\t<locale>";
const std::string kUtf16Start = std::string("\xFF\xFE<\0?\0x\0m\0l\0", 12);

INSTANTIATE_TEST_SUITE_P(Table, FileEncoding,
                         ::testing::Values(EncodingCase{nullptr, kUtf8Start}, EncodingCase{L"", kUtf8Start},
                                           EncodingCase{L"utf-8", kUtf8Start}, EncodingCase{L"UTF-8", kUtf8Start},
                                           EncodingCase{L"utf-16", kUtf16Start}));

TEST(Files, Utf16FileDeclaresUtf16) {
  std::wstring path = TempDir() + L"u16.xml";
  ASSERT_TRUE(Write(SampleTree(), path, L"utf-16", nullptr, nullptr));
  std::string bytes = ReadAll(path);
  std::wstring text;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2)
    text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                        (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  EXPECT_EQ(text.substr(0, 49), L"<?xml version=\"1.0\" encoding=\"utf-16\"?><settings>");
}

TEST(Files, ReadsHandWrittenFilesInEachEncoding) {
  std::wstring dir = TempDir();
  std::wstring text = L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<cfg>\r\n  <name>\u00e9t\u00e9</name>\r\n</cfg>\r\n";
  std::string utf8 = Utf8(text);
  std::string utf16le = "\xFF\xFE";
  for (wchar_t c : text) utf16le += std::string{static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  struct {
    const wchar_t* file;
    std::string bytes;
  } cases[] = {{L"plain.xml", utf8}, {L"bom.xml", "\xEF\xBB\xBF" + utf8}, {L"utf16.xml", utf16le}};
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf8(c.file));
    ASSERT_TRUE(WriteAll(dir + c.file, c.bytes));
    NodePtr root = Load(dir + c.file);
    ASSERT_TRUE(root);
    NodePtr name;
    ASSERT_TRUE(root->FindFirstChild(L"name", -1, 0, name.Receive()));
    EXPECT_EQ(TextOf(name), L"\u00e9t\u00e9");
  }
}

TEST(Files, MissingEmptyOrDirectoryPathsFailToLoad) {
  std::wstring dir = TempDir();
  ASSERT_TRUE(WriteAll(dir + L"empty.xml", ""));
  EXPECT_FALSE(Load(dir + L"nothing-here.xml"));
  EXPECT_FALSE(Load(dir + L"empty.xml"));
  EXPECT_FALSE(Load(dir));
}

TEST(AtomicWrite, ReplacesAnExistingFile) {
  std::wstring dir = TempDir();
  std::wstring path = dir + L"doc.xml";
  ASSERT_TRUE(WriteAll(path, "old content that is longer than the new document will be, by quite a lot........"
                             "................................................................................"));
  NodePtr small = NewNode(L"n");
  ASSERT_TRUE(Write(small, path, nullptr, nullptr, nullptr));
  EXPECT_EQ(ReadAll(path), "<?xml version=\"1.0\" encoding=\"utf-8\"?><n/>");
  EXPECT_EQ(OtherFiles(dir, L"doc.xml"), 0);
}

TEST(AtomicWrite, FailuresLeaveTheOldFileIntactAndNoLeftovers) {
  std::wstring dir = TempDir();
  std::wstring path = dir + L"doc.xml";
  const std::string old = "<?xml version=\"1.0\"?><old/>";
  ASSERT_TRUE(WriteAll(path, old));
  NodePtr unwritable = NewNode();  // unnamed, no child: not a document
  NodePtr good = NewNode(L"good");
  EXPECT_FALSE(Write(unwritable, path, nullptr));
  EXPECT_FALSE(Write(good, path, L"latin-1"));
  EXPECT_FALSE(Write(good, path, L"utf-32"));
  EXPECT_FALSE(Write(good, path, nullptr, L"not space"));
  EXPECT_FALSE(Write(NodePtr(), path, nullptr));
  EXPECT_EQ(ReadAll(path), old);
  EXPECT_EQ(OtherFiles(dir, L"doc.xml"), 0);
}

TEST(AtomicWrite, UnreachableTargetsAnswerFalse) {
  std::wstring dir = TempDir();
  NodePtr good = NewNode(L"good");
  EXPECT_FALSE(Write(good, dir + L"no\\such\\dir\\doc.xml", nullptr));
  EXPECT_FALSE(Write(good, L"", nullptr));
  xparam::DocWriter* w = Module()->CreateDocWriter();
  EXPECT_FALSE(w->WriteFile(good.Get(), nullptr, nullptr, nullptr, nullptr));
  w->Destroy();
  // A directory in the way of the target: the move fails, the temp file goes.
  std::wstring blocked = dir + L"blocked";
  ASSERT_TRUE(CreateDirectoryW(blocked.c_str(), nullptr));
  EXPECT_FALSE(Write(good, blocked, nullptr));
  EXPECT_EQ(OtherFiles(dir, L"blocked"), 0);
}

TEST(AtomicWrite, WideCharacterPaths) {
  std::wstring dir = TempDir() + L"d\u00e9j\u00e0 \u65e5\u672c\\";
  ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
  std::wstring path = dir + L"\u00fcber.xml";
  NodePtr tree = SampleTree();
  ASSERT_TRUE(Write(tree, path, L"utf-8"));
  NodePtr back = Load(path);
  ASSERT_TRUE(back);
  EXPECT_TRUE(SameTree(tree, back));
}

}  // namespace
}  // namespace xptest
