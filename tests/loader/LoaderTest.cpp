#include "LoaderTest.h"

#include <cstdio>

namespace loadertest {

void Register(oxcore::CComRuntime& runtime, const GUID& libid, const std::wstring& path, const GUID& clsid) {
  oxcore::LibInfo info;
  info.libid = libid;
  info.name = L"lib";
  info.path = path;
  runtime.libraries[libid] = info;
  oxcore::ComEntry entry;
  entry.guid = clsid;
  entry.name = L"FxThing";
  entry.libid = libid;
  runtime.coclasses[clsid] = entry;
}

void Register(oxcore::CComRuntime& runtime, const fx::Fixture& fixture) {
  Register(runtime, fixture.libid, fixture.Path(), fixture.clsid);
}

std::wstring PointerText(const void* p) {
  wchar_t buf[32];
  std::swprintf(buf, 32, L"%llX", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(p)));
  return buf;
}

void LoaderTest::SetUp() {
  for (const fx::Fixture* f : fx::kAll) {
    f->Reset();
    if (f != &fx::fx_nounload) {
      ASSERT_FALSE(f->Loaded()) << f->name << " was left loaded";
    }
  }
  for (const fx::Fixture* f : fx::kAll) Register(*runtime_, *f);
}

void LoaderTest::TearDown() {
  runtime_.reset();
  for (const fx::Fixture* f : fx::kAll) f->Reset();
}

HRESULT LoaderTest::Activate(const fx::Fixture& f) {
  IFxThing* thing = nullptr;
  HRESULT hr = Create(f, &thing);
  if (thing) thing->Release();
  return hr;
}

STDMETHODIMP TestOuter::QueryInterface(REFIID iid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = IsEqualIID(iid, IID_IUnknown) ? static_cast<IUnknown*>(this) : nullptr;
  return *ppv ? S_OK : E_NOINTERFACE;
}

}  // namespace loadertest
