// Merging registry documents: last occurrence wins within and across
// documents, unreadable documents are skipped, the runtime starts empty, and
// only what activation needs is carried into the runtime document.
#include <string>
#include <vector>

#include "DocsTestSupport.h"
#include "TempDir.h"
#include "registry/RegistryDocuments.h"

namespace {

using oxcore::CComRuntime;
using oxcore::MergeRegFiles;
using oxcore::TypeLibDesc;
using oxcore::WriteRegFile;
using oxtest::DocsTest;
using oxtest::G;
using oxtest::Lib;
using oxtest::Text;
using oxtest::Type;

const wchar_t kLibA[] = L"{790C2DCA-7C2F-4054-9888-48A18BEDB017}";
const wchar_t kLibB[] = L"{C772F147-2758-44C7-99D9-608492335D21}";
const wchar_t kClass[] = L"{6EB6CC68-A547-4615-B0C3-93F4EEA6A7DF}";
const wchar_t kOtherClass[] = L"{120E05E5-6584-4C1D-B454-389DC58B1A80}";
const wchar_t kDispatch[] = L"{AD977E50-7269-4CE0-BA69-54E1E397E038}";

class MergeTest : public DocsTest {
 protected:
  std::wstring Write(const wchar_t* name, const std::vector<TypeLibDesc>& list) {
    std::wstring path = dir_.File(name);
    EXPECT_TRUE(WriteRegFile(path, list));
    return path;
  }
  oxtest::TempDir dir_;
};

TEST_F(MergeTest, SecondTypelibOfTheSameGuidWinsWithinADocument) {
  std::wstring path = Write(L"a.oxreg", {Lib(kLibA, L"first", L"first.dll", {Type(kClass, L"C1")}),
                                         Lib(kLibA, L"second", L"sub\\second.dll")});
  CComRuntime rt;
  MergeRegFiles(&rt, {path});
  ASSERT_EQ(1u, rt.libraries.size());
  const oxcore::LibInfo* lib = rt.FindLibrary(G(kLibA));
  ASSERT_NE(nullptr, lib);
  EXPECT_EQ(L"second", lib->name);
  EXPECT_EQ(L"sub\\second.dll", lib->path);
  EXPECT_EQ(Text(G(kLibA)), Text(lib->libid));
  EXPECT_FALSE(lib->pinned);
  EXPECT_FALSE(lib->handle);
  // The coclass of the first typelib stays: only its library record was replaced.
  ASSERT_NE(nullptr, rt.FindCoClass(G(kClass)));
}

TEST_F(MergeTest, ClassAndDispatchDeclaredTwiceMapToTheLibraryMergedLast) {
  struct Case {
    const char* label;
    bool twoDocuments;
  };
  for (const Case& c : {Case{"one_document", false}, Case{"two_documents", true}}) {
    SCOPED_TRACE(c.label);
    TypeLibDesc a = Lib(kLibA, L"A", L"a.dll", {Type(kClass, L"FromA")}, {Type(kDispatch, L"IFromA")});
    TypeLibDesc b = Lib(kLibB, L"B", L"b.dll", {Type(kClass, L"FromB")}, {Type(kDispatch, L"IFromB")});
    std::vector<std::wstring> paths;
    if (c.twoDocuments) {
      paths = {Write(L"1.oxreg", {a}), Write(L"2.oxreg", {b})};
    } else {
      paths = {Write(L"1.oxreg", {a, b})};
    }
    CComRuntime rt;
    MergeRegFiles(&rt, paths);
    EXPECT_EQ(2u, rt.libraries.size());
    ASSERT_EQ(1u, rt.coclasses.size());
    const oxcore::ComEntry* entry = rt.FindCoClass(G(kClass));
    ASSERT_NE(nullptr, entry);
    EXPECT_EQ(L"FromB", entry->name);
    EXPECT_EQ(Text(G(kLibB)), Text(entry->libid));
    EXPECT_EQ(Text(G(kClass)), Text(entry->guid));
    ASSERT_EQ(1u, rt.dispatches.size());
    EXPECT_EQ(L"IFromB", rt.dispatches.begin()->second.name);
    EXPECT_EQ(Text(G(kLibB)), Text(rt.dispatches.begin()->second.libid));
  }
}

TEST_F(MergeTest, UnreadableDocumentsAreSkippedAndTheRuntimeStartsEmpty) {
  std::wstring good1 = Write(L"1.oxreg", {Lib(kLibA, L"A", L"a.dll", {Type(kClass, L"C")})});
  std::wstring good2 = Write(L"2.oxreg", {Lib(kLibB, L"B", L"b.dll", {Type(kOtherClass, L"D")})});
  std::wstring broken = dir_.File(L"broken.oxreg");
  ASSERT_TRUE(oxtest::WriteTextFile(broken, "<OxComRegistry><typelib>"));
  CComRuntime rt;
  oxtest::FillWithMarker(&rt);
  MergeRegFiles(&rt, {dir_.File(L"missing.oxreg"), good1, broken, good2});
  EXPECT_EQ(2u, rt.libraries.size());
  EXPECT_NE(nullptr, rt.FindLibrary(G(kLibA)));
  EXPECT_NE(nullptr, rt.FindLibrary(G(kLibB)));
  EXPECT_EQ(2u, rt.coclasses.size());
  EXPECT_TRUE(rt.dispatches.empty());

  // Nothing readable at all: the earlier contents are still gone.
  oxtest::FillWithMarker(&rt);
  MergeRegFiles(&rt, {broken, dir_.File(L"missing.oxreg")});
  EXPECT_TRUE(rt.libraries.empty());
  EXPECT_TRUE(rt.coclasses.empty());
  EXPECT_TRUE(rt.dispatches.empty());
}

TEST_F(MergeTest, RuntimeDocumentCarriesNoDocVersionOrFileName) {
  TypeLibDesc lib = Lib(kLibA, L"A", L"dir\\a.dll", {Type(kClass, L"C", L"class doc")}, {Type(kDispatch, L"I", L"i doc")});
  lib.doc = L"library doc";
  lib.majorver = 3;
  lib.minorver = 4;
  CComRuntime rt;
  MergeRegFiles(&rt, {Write(L"a.oxreg", {lib})});
  ASSERT_TRUE(oxcore::WriteRuntimeFile(dir_.File(L"runtime.xml"), rt));
  std::string bytes;
  ASSERT_TRUE(oxtest::ReadTextFile(dir_.File(L"runtime.xml"), &bytes));
  for (const char* absent : {"doc", "majorver", "minorver", "<file", "<guid", "a.dll</file"})
    EXPECT_EQ(std::string::npos, bytes.find(absent)) << absent << "\n" << bytes;
  EXPECT_NE(std::string::npos, bytes.find("<path>dir\\a.dll</path>")) << bytes;
}

}  // namespace
