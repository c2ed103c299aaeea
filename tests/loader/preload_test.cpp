// Preloading: the preload list document, pinning against the unload pass,
// DllPreload on every preload, and lists that preload nothing.
#include <string>
#include <vector>

#include "LoaderTest.h"
#include "TempDir.h"
#include "xparam/XParamModule.h"

namespace loadertest {
namespace {

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

class PreloadTest : public LoaderTest {
 protected:
  void SetUp() override {
    LoaderTest::SetUp();
    ASSERT_TRUE(oxcore::BindXParam(oxcore::XParamBindingKind::kDocuments));
  }
  void TearDown() override {
    LoaderTest::TearDown();
    oxcore::ReleaseXParam(oxcore::XParamBindingKind::kDocuments);
  }
  // A preload list with one "lib" item per text, under root.
  std::wstring List(const std::vector<std::wstring>& items, const char* root = "preload") {
    std::string xml = std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<") + root + ">\r\n";
    for (const std::wstring& item : items) xml += "\t<lib>" + Narrow(item) + "</lib>\r\n";
    xml += std::string("</") + root + ">\r\n";
    return Raw(xml);
  }
  std::wstring Raw(const std::string& content) {
    std::wstring path = dir_.File(L"preload" + std::to_wstring(++files_) + L".xml");
    EXPECT_TRUE(oxtest::WriteTextFile(path, content));
    return path;
  }
  oxtest::TempDir dir_;
  int files_ = 0;
};

TEST_F(PreloadTest, APreloadedLibraryIsPinnedUntilTheRegistryGoes) {
  const fx::Fixture& f = fx::fx_counted;
  EXPECT_EQ(S_OK, runtime_->PreloadLibraries(List({f.libidText})));
  EXPECT_TRUE(f.Loaded());
  EXPECT_TRUE(Library(f).pinned);
  EXPECT_EQ(1, f.Count(L"DllInitialize"));
  EXPECT_EQ(1, f.Count(L"DllPreload"));

  f.Set(L"CANUNLOAD", L"1");
  runtime_->UnloadUnused();
  EXPECT_EQ(E_FAIL, Library(f).TryUnload());
  EXPECT_TRUE(f.Loaded());
  EXPECT_EQ(0, f.Count(L"DllCanUnloadNow"));
  // Activation uses the preloaded library.
  ASSERT_EQ(S_OK, Activate(f));
  EXPECT_EQ(1, f.Count(L"DllInitialize"));

  runtime_.reset();
  EXPECT_FALSE(f.Loaded());
  EXPECT_EQ(1, f.Count(L"DllCanUnloadNow"));
  EXPECT_EQ(1, f.Count(L"DllFinalize"));
}

TEST_F(PreloadTest, ALibraryListedTwiceIsLoadedOnceAndPreloadedTwice) {
  const fx::Fixture& f = fx::fx_counted;
  runtime_->PreloadLibraries(List({f.libidText, fx::fx_nounload.libidText, f.libidText}));
  EXPECT_EQ(1, f.Count(L"DllInitialize"));
  EXPECT_EQ(2, f.Count(L"DllPreload"));
  EXPECT_EQ(1, fx::fx_nounload.Count(L"DllPreload"));
  // Every preload, not only the first.
  EXPECT_EQ(S_OK, Library(f).Preload());
  EXPECT_EQ(3, f.Count(L"DllPreload"));
  EXPECT_EQ(1, f.Count(L"DllInitialize"));
}

TEST_F(PreloadTest, AnAlreadyLoadedLibraryIsNotPinned) {
  const fx::Fixture& f = fx::fx_counted;
  ASSERT_EQ(S_OK, Activate(f));
  runtime_->PreloadLibraries(List({f.libidText}));
  EXPECT_EQ(1, f.Count(L"DllPreload"));
  EXPECT_FALSE(Library(f).pinned);
  runtime_->UnloadUnused();
  EXPECT_FALSE(f.Loaded());
}

TEST_F(PreloadTest, AFailingDllPreloadIsReturnedButIgnoredByTheList) {
  const fx::Fixture& f = fx::fx_counted;
  f.Set(L"PRELOAD_HR", L"80004005");
  EXPECT_EQ(S_OK, runtime_->PreloadLibraries(List({f.libidText})));
  EXPECT_TRUE(f.Loaded());
  EXPECT_TRUE(Library(f).pinned);
  EXPECT_EQ(E_FAIL, Library(f).Preload());
  EXPECT_EQ(2, f.Count(L"DllPreload"));
}

TEST_F(PreloadTest, LibrariesThatCannotLoadFailTheirPreload) {
  // No DllGetClassObject: nothing of it runs.
  EXPECT_EQ(CO_E_DLLNOTFOUND, Library(fx::fx_nogco).Preload());
  EXPECT_EQ(CO_E_DLLNOTFOUND, Library(fx::fx_nogco).Preload());
  EXPECT_EQ(0, fx::fx_nogco.Count(L"DllPreload"));
  EXPECT_EQ(0, fx::fx_nogco.Count(L"DllInitialize"));
  EXPECT_FALSE(fx::fx_nogco.Loaded());

  const GUID libid = {0x7E570004, 0x0000, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 4}};
  const GUID clsid = {0x7E570005, 0x0000, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 5}};
  Register(*runtime_, libid, dir_.File(L"absent.dll"), clsid);
  EXPECT_EQ(CO_E_DLLNOTFOUND, runtime_->libraries[libid].Preload());
  void* pv = nullptr;
  EXPECT_EQ(CO_E_DLLNOTFOUND, runtime_->GetClassObject(clsid, IID_IClassFactory, &pv));
}

TEST_F(PreloadTest, UnusableListsPreloadNothing) {
  const std::wstring counted = fx::fx_counted.libidText;
  struct Case {
    const char* label;
    std::wstring path;
  };
  const Case cases[] = {
      {"missing file", dir_.File(L"absent.xml")},
      {"empty path", L""},
      {"a directory", dir_.Path()},
      {"empty file", Raw("")},
      {"not xml", Raw("lib lib lib")},
      {"malformed", Raw("<preload><lib>" + Narrow(counted) + "</lib>")},
      {"no items", List({})},
      {"other element names", Raw("<preload><library>" + Narrow(counted) + "</library><libid>" + Narrow(counted) +
                                  "</libid></preload>")},
      {"item below another element", Raw("<preload><group><lib>" + Narrow(counted) + "</lib></group></preload>")},
      {"bad GUID text", List({L"{359D8230-5F55-4A13-B74C}", L"not a guid", L""})},
      {"unknown LIBID", List({L"{0BADB1B0-0000-4000-8000-000000000000}"})},
      {"zero GUID", List({L"{00000000-0000-0000-0000-000000000000}"})},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(S_OK, runtime_->PreloadLibraries(c.path)) << c.label;
    for (const fx::Fixture* f : fx::kAll) {
      EXPECT_EQ(0, f->Count(L"DllPreload")) << c.label << " " << Narrow(f->name);
      EXPECT_EQ(nullptr, runtime_->FindLibrary(f->libid)->Handle()) << c.label << " " << Narrow(f->name);
    }
  }
}

TEST_F(PreloadTest, BadItemsDoNotStopTheOthersAndAnyRootNameServes) {
  const fx::Fixture& f = fx::fx_counted;
  runtime_->PreloadLibraries(List({L"garbage", L"{0BADB1B0-0000-4000-8000-000000000000}", f.libidText}, "anything"));
  EXPECT_EQ(1, f.Count(L"DllPreload"));
  EXPECT_TRUE(Library(f).pinned);
  // Items mixed with other children still count, in document order.
  runtime_->PreloadLibraries(Raw("<x><lib>" + Narrow(f.libidText) + "</lib><note>n</note><lib>" +
                                 Narrow(f.libidText) + "</lib></x>"));
  EXPECT_EQ(3, f.Count(L"DllPreload"));
}

}  // namespace
}  // namespace loadertest
