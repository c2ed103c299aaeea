// Shared pieces of the loader tests: runtime registries built by hand from
// the fixture libraries (full paths, no documents), a test base that keeps
// the fixtures' counters and loaded state apart between tests, and an outer
// object for aggregation.
#ifndef OX_TESTS_LOADER_LOADERTEST_H
#define OX_TESTS_LOADER_LOADERTEST_H

#include <windows.h>

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "Fixtures.h"
#include "fx_counted/FxLib.h"  // IFxThing (the same layout in every fixture, with the fixture's own IID)
#include "registry/ComRuntime.h"

namespace loadertest {

// Registers a library under libid at path and a class clsid of it.
void Register(oxcore::CComRuntime& runtime, const GUID& libid, const std::wstring& path, const GUID& clsid);
// Registers a fixture by its full path.
void Register(oxcore::CComRuntime& runtime, const fx::Fixture& fixture);

// Text of a pointer as the fixtures record it.
std::wstring PointerText(const void* p);

class LoaderTest : public ::testing::Test {
 protected:
  // Clears every fixture's counters and switches; the unloadable fixtures
  // must not be loaded (an earlier test that left one behind fails here).
  void SetUp() override;
  // Destroys the runtime (libraries go as their DllCanUnloadNow allows).
  void TearDown() override;

  // A new empty runtime in place of the current one.
  void Renew() { runtime_.reset(new oxcore::CComRuntime()); }
  oxcore::LibInfo& Library(const fx::Fixture& f) { return *runtime_->FindLibrary(f.libid); }

  HRESULT ClassObject(const GUID& clsid, IClassFactory** factory) {
    return runtime_->GetClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory));
  }
  HRESULT Create(const fx::Fixture& f, IFxThing** thing) {
    return runtime_->CreateInstance(f.clsid, nullptr, f.iid, reinterpret_cast<void**>(thing));
  }
  // Activates f's class once, keeping nothing.
  HRESULT Activate(const fx::Fixture& f);

  std::unique_ptr<oxcore::CComRuntime> runtime_{new oxcore::CComRuntime()};
};

// An outer object for aggregation that answers IUnknown only and lives on
// the stack of its test.
class TestOuter final : public IUnknown {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
};

}  // namespace loadertest

#endif  // OX_TESTS_LOADER_LOADERTEST_H
