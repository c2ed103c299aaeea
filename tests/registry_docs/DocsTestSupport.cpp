#include "DocsTestSupport.h"

#include <objbase.h>

#include "xparam/DocumentIO.h"
#include "xparam/XParamModule.h"

namespace oxtest {
namespace {

const wchar_t kMarkerLib[] = L"{5A1E0000-0000-4000-8000-0000000000AA}";
const wchar_t kMarkerClass[] = L"{5A1E0000-0000-4000-8000-0000000000BB}";
const wchar_t kMarkerDispatch[] = L"{5A1E0000-0000-4000-8000-0000000000CC}";

}  // namespace

void DocsTest::SetUp() { ASSERT_TRUE(oxcore::BindXParam(oxcore::XParamBindingKind::kDocuments)); }

void DocsTest::TearDown() { oxcore::ReleaseXParam(oxcore::XParamBindingKind::kDocuments); }

GUID G(const wchar_t* text) {
  std::wstring copy = text;
  GUID guid = GUID_NULL;
  EXPECT_EQ(S_OK, CLSIDFromString(&copy[0], &guid)) << "bad GUID literal in a test";
  return guid;
}

std::wstring Text(const GUID& guid) { return oxcore::doc::GuidText(guid); }

oxcore::TypeDesc Type(const wchar_t* guid, const wchar_t* name, const wchar_t* doc) {
  oxcore::TypeDesc t;
  t.guid = G(guid);
  t.name = name;
  t.doc = doc;
  return t;
}

oxcore::TypeLibDesc Lib(const wchar_t* guid, const wchar_t* name, const wchar_t* path,
                        std::vector<oxcore::TypeDesc> coclasses, std::vector<oxcore::TypeDesc> dispatches) {
  oxcore::TypeLibDesc lib;
  lib.guid = G(guid);
  lib.name = name;
  lib.path = path;
  std::wstring p = path;
  size_t cut = p.find_last_of(L"\\/");
  lib.file = cut == std::wstring::npos ? p : p.substr(cut + 1);
  lib.coclasses = std::move(coclasses);
  lib.dispatches = std::move(dispatches);
  return lib;
}

namespace {

void ExpectSameTypes(const std::vector<oxcore::TypeDesc>& expected, const std::vector<oxcore::TypeDesc>& actual,
                     const char* what) {
  ASSERT_EQ(expected.size(), actual.size()) << what;
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(Text(expected[i].guid), Text(actual[i].guid)) << what << " " << i;
    EXPECT_EQ(expected[i].name, actual[i].name) << what << " " << i;
    EXPECT_EQ(expected[i].doc, actual[i].doc) << what << " " << i;
  }
}

}  // namespace

void ExpectSameTypeLibs(const std::vector<oxcore::TypeLibDesc>& expected,
                        const std::vector<oxcore::TypeLibDesc>& actual) {
  ASSERT_EQ(expected.size(), actual.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "typelib " << i);
    EXPECT_EQ(expected[i].file, actual[i].file);
    EXPECT_EQ(expected[i].path, actual[i].path);
    EXPECT_EQ(expected[i].name, actual[i].name);
    EXPECT_EQ(Text(expected[i].guid), Text(actual[i].guid));
    EXPECT_EQ(expected[i].doc, actual[i].doc);
    EXPECT_EQ(expected[i].majorver, actual[i].majorver);
    EXPECT_EQ(expected[i].minorver, actual[i].minorver);
    ExpectSameTypes(expected[i].coclasses, actual[i].coclasses, "coclass");
    ExpectSameTypes(expected[i].dispatches, actual[i].dispatches, "dispatch");
  }
}

void FillWithMarker(oxcore::CComRuntime* runtime) {
  oxcore::LibInfo info;
  info.libid = G(kMarkerLib);
  info.name = L"Marker";
  info.path = L"marker.dll";
  runtime->libraries.emplace(info.libid, info);
  runtime->coclasses.emplace(G(kMarkerClass), oxcore::ComEntry{G(kMarkerClass), L"MarkerClass", info.libid});
  runtime->dispatches.emplace(G(kMarkerDispatch), oxcore::ComEntry{G(kMarkerDispatch), L"IMarker", info.libid});
}

bool HasMarker(const oxcore::CComRuntime& runtime) {
  return runtime.libraries.size() == 1 && runtime.coclasses.size() == 1 && runtime.dispatches.size() == 1 &&
         runtime.libraries.count(G(kMarkerLib)) && runtime.coclasses.count(G(kMarkerClass)) &&
         runtime.dispatches.count(G(kMarkerDispatch));
}

}  // namespace oxtest
