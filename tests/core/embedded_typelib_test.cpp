// The type library embedded in OxCore.dll as TYPELIB resource 1 is the
// whole OxCoreLib, and the class table serves exactly the classes it marks
// as served.
#include <windows.h>

#include <gtest/gtest.h>

#include "typelib_check.h"

namespace {

class EmbeddedTypeLib : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(S_OK, oxtlb::LoadLibraryFile(L"OxCore.dll", lib_.Out())); }
  oxtlb::Ref<ITypeLib> lib_;
};

TEST_F(EmbeddedTypeLib, MatchesTheExpectedLibrary) {
  oxtlb::ExpectLibraryAttributes(lib_.Get());
  for (const auto& itf : oxtlb::Interfaces()) {
    SCOPED_TRACE(::testing::PrintToString(itf));
    oxtlb::ExpectInterface(lib_.Get(), itf);
  }
  for (const auto& cls : oxtlb::CoClasses()) {
    SCOPED_TRACE(::testing::PrintToString(cls));
    oxtlb::ExpectCoClass(lib_.Get(), cls);
  }
  for (const auto& rec : oxtlb::Records()) oxtlb::ExpectRecord(lib_.Get(), rec);
  oxtlb::ExpectNoUnexpectedTypes(lib_.Get());
}

}  // namespace
