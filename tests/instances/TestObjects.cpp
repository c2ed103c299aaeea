#include "TestObjects.h"

namespace oxtest {

std::atomic<int> g_liveThings{0};

const CLSID kClassA = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x01}};
const CLSID kClassB = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x02}};
const CLSID kClassC = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x03}};

IUnknown* NewThing(std::function<void()> onDestroy) {
  IUnknown* p = nullptr;
  comkit::Object<CThing>::Create(nullptr, IID_IUnknown, reinterpret_cast<void**>(&p), std::move(onDestroy));
  return p;
}

ULONG RefCount(IUnknown* p) {
  p->AddRef();
  return p->Release();
}

IUnknown* Identity(IUnknown* p) {
  IUnknown* id = nullptr;
  if (FAILED(p->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&id)))) return nullptr;
  id->Release();
  return id;
}

oxcore::CInstanceMapping::CreateFn Creator::Fn() {
  return [this](CLSID* clsid, IUnknown* outer, IID* iid, void** ppv) -> HRESULT {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer || !IsEqualIID(*iid, IID_IUnknown)) return E_INVALIDARG;  // the table asks plain IUnknown
    HRESULT failure = S_OK;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++counts_[*clsid];
      auto f = failures_.find(*clsid);
      if (f != failures_.end()) failure = f->second;
    }
    if (during) during(*clsid);
    if (FAILED(failure)) return failure;
    return comkit::Object<CThing>::Create(nullptr, *iid, ppv);
  };
}

int Creator::Count(const CLSID& clsid) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = counts_.find(clsid);
  return it == counts_.end() ? 0 : it->second;
}

void Creator::FailWith(const CLSID& clsid, HRESULT hr) {
  std::lock_guard<std::mutex> lock(mutex_);
  failures_[clsid] = hr;
}

}  // namespace oxtest
