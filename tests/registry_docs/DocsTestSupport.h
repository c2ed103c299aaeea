// Shared pieces of the registry document tests: the document binding of
// xparam.dll for the whole run, GUID literals and record builders.
#ifndef OX_TESTS_REGISTRY_DOCS_DOCSTESTSUPPORT_H
#define OX_TESTS_REGISTRY_DOCS_DOCSTESTSUPPORT_H

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "registry/ComRuntime.h"
#include "registry/TypeLibDesc.h"

namespace oxtest {

// Binds the document binding once per test (and releases it after), as
// Init does for the runtime.
class DocsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

// A GUID from its braced text; fails the test on bad text.
GUID G(const wchar_t* text);
std::wstring Text(const GUID& guid);

oxcore::TypeDesc Type(const wchar_t* guid, const wchar_t* name, const wchar_t* doc = L"");
oxcore::TypeLibDesc Lib(const wchar_t* guid, const wchar_t* name, const wchar_t* path,
                        std::vector<oxcore::TypeDesc> coclasses = {}, std::vector<oxcore::TypeDesc> dispatches = {});

// Keys of a map in iteration order, as GUID texts.
template <class Map>
std::vector<std::wstring> Keys(const Map& map) {
  std::vector<std::wstring> keys;
  for (const auto& pair : map) keys.push_back(Text(pair.first));
  return keys;
}

// Every field of two lists, compared with readable failure messages.
void ExpectSameTypeLibs(const std::vector<oxcore::TypeLibDesc>& expected,
                        const std::vector<oxcore::TypeLibDesc>& actual);

// Fills a runtime with one library, one coclass and one dispatch entry that
// no document of the tests uses: a failed read must leave them.
void FillWithMarker(oxcore::CComRuntime* runtime);
bool HasMarker(const oxcore::CComRuntime& runtime);

}  // namespace oxtest

#endif  // OX_TESTS_REGISTRY_DOCS_DOCSTESTSUPPORT_H
