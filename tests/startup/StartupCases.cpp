#include "StartupCases.h"

#include <objbase.h>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "registry/RegistryDocuments.h"

namespace oxtest {

const wchar_t kCachedClass[] = L"{CAC4ED00-0000-4000-8000-000000000001}";
const wchar_t kSentinelClass[] = L"{5E471E00-0000-4000-8000-000000000001}";
const wchar_t kMsgBusClass[] = L"{790C2DCA-7C2F-4054-9888-48A18BEDB017}";
const wchar_t kXParamClass[] = L"{6EB6CC68-A547-4615-B0C3-93F4EEA6A7DF}";

namespace {

const wchar_t kOxCoreLib[] = L"{C772F147-2758-44C7-99D9-608492335D21}";

const char kUsableRuntime[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<OxComRuntime>\r\n"
    "\t<libraries><lib><libid>{C772F147-2758-44C7-99D9-608492335D21}</libid><name>OxCoreLib</name>"
    "<path>OxCore.dll</path></lib></libraries>\r\n"
    "\t<coclasses>"
    "<coclass><clsid>{CAC4ED00-0000-4000-8000-000000000001}</clsid><name>CachedClass</name>"
    "<libid>{C772F147-2758-44C7-99D9-608492335D21}</libid></coclass>"
    "<coclass><clsid>{6EB6CC68-A547-4615-B0C3-93F4EEA6A7DF}</clsid><name>XParam</name>"
    "<libid>{C772F147-2758-44C7-99D9-608492335D21}</libid></coclass>"
    "</coclasses>\r\n\t<dispatches/>\r\n</OxComRuntime>\r\n";

// Libraries and dispatch interfaces, but no coclass: unusable.
const char kNoCoclassRuntime[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<OxComRuntime>\r\n"
    "\t<libraries><lib><libid>{C772F147-2758-44C7-99D9-608492335D21}</libid><name>OxCoreLib</name>"
    "<path>OxCore.dll</path></lib></libraries>\r\n"
    "\t<coclasses/>\r\n"
    "\t<dispatches><dispatch><iid>{AD977E50-7269-4CE0-BA69-54E1E397E038}</iid><name>IMsgBus</name>"
    "<libid>{C772F147-2758-44C7-99D9-608492335D21}</libid></dispatch></dispatches>\r\n</OxComRuntime>\r\n";

const char kSentinelDefault[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<OxComRegistry>\r\n\t<typelib>"
    "<file>sentinel.dll</file><path>sentinel.dll</path><name>SentinelLib</name>"
    "<guid>{5E471E00-0000-4000-8000-000000000000}</guid><doc/>"
    "<majorver xp.type=\"ushort\">1</majorver><minorver xp.type=\"ushort\">0</minorver>"
    "<coclasses><coclass><name>SentinelClass</name><guid>{5E471E00-0000-4000-8000-000000000001}</guid><doc/>"
    "</coclass></coclasses><dispatches/></typelib>\r\n</OxComRegistry>\r\n";

const char kSentinelNoClassDefault[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<OxComRegistry>\r\n\t<typelib>"
    "<file>sentinel.dll</file><path>sentinel.dll</path><name>SentinelLib</name>"
    "<guid>{5E471E00-0000-4000-8000-000000000000}</guid>"
    "<coclasses/><dispatches><dispatch><name>ISentinel</name><guid>{5E471E00-0000-4000-8000-000000000002}</guid>"
    "</dispatch></dispatches></typelib>\r\n</OxComRegistry>\r\n";

const char kMalformed[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<OxComRuntime>\r\n\t<libraries><lib>";

const char* RuntimeText(RuntimeBefore r) {
  switch (r) {
    case RuntimeBefore::kUsable: return kUsableRuntime;
    case RuntimeBefore::kNoCoclass: return kNoCoclassRuntime;
    case RuntimeBefore::kMalformed: return kMalformed;
    case RuntimeBefore::kEmptyFile: return "";
    case RuntimeBefore::kMissing: break;
  }
  return nullptr;
}

const char* DefaultText(DefaultBefore d) {
  switch (d) {
    case DefaultBefore::kSentinel: return kSentinelDefault;
    case DefaultBefore::kSentinelNoClass: return kSentinelNoClassDefault;
    case DefaultBefore::kMalformed: return kMalformed;
    case DefaultBefore::kMissing: break;
  }
  return nullptr;
}

bool Has(const oxcore::CComRuntime& rt, const wchar_t* clsid) { return rt.FindCoClass(G(clsid)) != nullptr; }

using R = RuntimeBefore;
using D = DefaultBefore;
using S = Source;
using DA = DefaultAfter;
using RA = RuntimeAfter;

}  // namespace

const std::vector<StartupCase>& StartupCases() {
  static const std::vector<StartupCase> cases = {
      // RemakeRegFile off, RebuildRuntime off: a usable "runtime.xml" is all.
      {"usable_runtime_is_read_alone", false, false, false, R::kUsable, D::kSentinel, S::kCached, DA::kUnchanged,
       RA::kUnchanged, true},
      {"usable_runtime_without_default_scans_nothing", false, false, false, R::kUsable, D::kMissing, S::kCached,
       DA::kMissing, RA::kUnchanged, true},
      // ...otherwise "default.oxreg" is merged and cached.
      {"runtime_without_coclass_merges_default", false, false, false, R::kNoCoclass, D::kSentinel, S::kSentinel,
       DA::kUnchanged, RA::kFromSentinel, true},
      {"missing_runtime_merges_default", false, false, false, R::kMissing, D::kSentinel, S::kSentinel,
       DA::kUnchanged, RA::kFromSentinel, true},
      {"malformed_runtime_merges_default", false, false, false, R::kMalformed, D::kSentinel, S::kSentinel,
       DA::kUnchanged, RA::kFromSentinel, true},
      {"empty_runtime_file_merges_default", false, false, false, R::kEmptyFile, D::kSentinel, S::kSentinel,
       DA::kUnchanged, RA::kFromSentinel, true},
      // ...and scanned for first when it is missing.
      {"nothing_staged_scans_merges_and_caches", false, false, false, R::kMissing, D::kMissing, S::kScan,
       DA::kScanned, RA::kFromScan, true},
      {"unusable_runtime_without_default_scans", false, false, false, R::kNoCoclass, D::kMissing, S::kScan,
       DA::kScanned, RA::kFromScan, true},
      // RebuildRuntime: "runtime.xml" is ignored.
      {"rebuild_merges_default_over_usable_runtime", false, true, false, R::kUsable, D::kSentinel, S::kSentinel,
       DA::kUnchanged, RA::kFromSentinel, true},
      {"rebuild_without_default_scans", false, true, false, R::kUsable, D::kMissing, S::kScan, DA::kScanned,
       RA::kFromScan, true},
      // RemakeRegFile: the scan always runs; a usable "runtime.xml" still wins.
      {"remake_rescans_yet_reads_usable_runtime", true, false, false, R::kUsable, D::kSentinel, S::kCached,
       DA::kScanned, RA::kUnchanged, true},
      {"remake_rescans_yet_reads_usable_runtime_without_default", true, false, false, R::kUsable, D::kMissing,
       S::kCached, DA::kScanned, RA::kUnchanged, true},
      {"remake_with_unusable_runtime_merges_the_new_scan", true, false, false, R::kNoCoclass, D::kSentinel,
       S::kScan, DA::kScanned, RA::kFromScan, true},
      {"remake_with_missing_runtime_merges_the_new_scan", true, false, false, R::kMissing, D::kMissing, S::kScan,
       DA::kScanned, RA::kFromScan, true},
      {"remake_and_rebuild_merge_the_new_scan", true, true, false, R::kUsable, D::kSentinel, S::kScan,
       DA::kScanned, RA::kFromScan, true},
      {"remake_and_rebuild_without_any_file", true, true, false, R::kMissing, D::kMissing, S::kScan, DA::kScanned,
       RA::kFromScan, true},
      // A merge without a coclass writes nothing.
      {"merge_without_coclass_leaves_runtime_untouched", false, false, false, R::kNoCoclass, D::kSentinelNoClass,
       S::kNothing, DA::kUnchanged, RA::kUnchanged, false},
      {"scan_finding_no_library_writes_no_runtime", false, false, true, R::kMissing, D::kMissing, S::kNothing,
       DA::kScannedEmpty, RA::kMissing, false},
      {"remake_finding_no_library_keeps_usable_runtime", true, false, true, R::kUsable, D::kSentinel, S::kCached,
       DA::kScannedEmpty, RA::kUnchanged, true},
      // A present but unreadable "default.oxreg" is not scanned over.
      {"malformed_default_is_not_replaced", false, false, false, R::kMissing, D::kMalformed, S::kNothing,
       DA::kUnchanged, RA::kMissing, false},
      {"rebuild_with_malformed_default_leaves_runtime_untouched", false, true, false, R::kUsable, D::kMalformed,
       S::kNothing, DA::kUnchanged, RA::kUnchanged, false},
  };
  return cases;
}

void PrintTo(const StartupCase& c, std::ostream* os) { *os << c.label; }

bool StageStartupFiles(const std::wstring& dir, const StartupCase& c) {
  const char* runtime = RuntimeText(c.runtime);
  const char* defaults = DefaultText(c.defaults);
  bool ok = true;
  if (runtime) ok = ok && WriteTextFile(dir + L"runtime.xml", runtime);
  if (defaults) ok = ok && WriteTextFile(dir + L"default.oxreg", defaults);
  if (c.remake || c.rebuild || c.excludeCore) {
    std::string options = "<oxoptions>";
    if (c.remake) options += "<RemakeRegFile>true</RemakeRegFile>";
    if (c.rebuild) options += "<RebuildRuntime>true</RebuildRuntime>";
    if (c.excludeCore) options += "<ExcludeFile>oxcore.dll</ExcludeFile>";
    ok = ok && WriteTextFile(dir + L"oxoptions.xml", options + "</oxoptions>");
  }
  return ok;
}

void ExpectStartupFiles(const std::wstring& dir, const StartupCase& c) {
  const std::wstring defaultPath = dir + L"default.oxreg";
  const std::wstring runtimePath = dir + L"runtime.xml";
  std::string bytes;
  switch (c.defaultAfter) {
    case DefaultAfter::kMissing:
      EXPECT_FALSE(FileExists(defaultPath)) << "default.oxreg was written";
      break;
    case DefaultAfter::kUnchanged:
      ASSERT_TRUE(ReadTextFile(defaultPath, &bytes)) << "default.oxreg is gone";
      EXPECT_EQ(DefaultText(c.defaults), bytes) << "default.oxreg was rewritten";
      break;
    case DefaultAfter::kScanned:
    case DefaultAfter::kScannedEmpty: {
      std::vector<oxcore::TypeLibDesc> list;
      ASSERT_TRUE(oxcore::ReadRegFile(defaultPath, &list)) << "default.oxreg is not readable";
      bool core = false, sentinel = false;
      for (const auto& lib : list) {
        core = core || lib.guid == G(kOxCoreLib);
        sentinel = sentinel || lib.name == L"SentinelLib";
      }
      EXPECT_FALSE(sentinel) << "default.oxreg was not rescanned";
      EXPECT_EQ(c.defaultAfter == DefaultAfter::kScanned, core) << "scan of OxCore.dll";
      if (c.defaultAfter == DefaultAfter::kScannedEmpty) {
        EXPECT_TRUE(list.empty());
      }
      break;
    }
  }
  switch (c.runtimeAfter) {
    case RuntimeAfter::kMissing:
      EXPECT_FALSE(FileExists(runtimePath)) << "runtime.xml was written";
      break;
    case RuntimeAfter::kUnchanged:
      ASSERT_TRUE(ReadTextFile(runtimePath, &bytes)) << "runtime.xml is gone";
      EXPECT_EQ(RuntimeText(c.runtime), bytes) << "runtime.xml was rewritten";
      break;
    case RuntimeAfter::kFromSentinel:
    case RuntimeAfter::kFromScan: {
      oxcore::CComRuntime written;
      ASSERT_TRUE(oxcore::ReadRuntimeFile(runtimePath, &written)) << "runtime.xml is not readable";
      ExpectSource(written, c.runtimeAfter == RuntimeAfter::kFromScan ? Source::kScan : Source::kSentinel);
      break;
    }
  }
}

void ExpectSource(const oxcore::CComRuntime& rt, Source source) {
  EXPECT_EQ(source == Source::kCached, Has(rt, kCachedClass)) << "cached runtime.xml";
  EXPECT_EQ(source == Source::kSentinel, Has(rt, kSentinelClass)) << "staged default.oxreg";
  EXPECT_EQ(source == Source::kScan, Has(rt, kMsgBusClass)) << "scanned OxCore.dll";
  if (source == Source::kNothing) {
    EXPECT_TRUE(rt.coclasses.empty());
  }
}

std::string Narrow(const std::wstring& w) {
  std::string s;
  for (wchar_t ch : w) s += ch < 128 ? static_cast<char>(ch) : '?';
  return s;
}

GUID G(const wchar_t* text) {
  std::wstring copy = text;
  GUID guid = GUID_NULL;
  CLSIDFromString(&copy[0], &guid);
  return guid;
}

}  // namespace oxtest
