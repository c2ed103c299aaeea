// OxGetInstance of an existing named instance against the least a shared
// table can do: a std::map lookup under a mutex plus QueryInterface. Both
// tables hold the same objects under the same 64 classes x 16 names.
#include <windows.h>
#include <oleauto.h>
#include <oleidl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "BenchTiming.h"
#include "comkit/Object.h"
#include "core/GuidOrder.h"
#include "instances/InstanceMapping.h"

namespace {

using oxbench::Best;

class CThing : public comkit::ObjectBase, public IPersist {
 public:
  COMKIT_INTERFACES(CThing)
    COMKIT_INTERFACE(IPersist)
  COMKIT_END_INTERFACES()
  virtual ~CThing() = default;
  STDMETHODIMP GetClassID(CLSID* clsid) override {
    *clsid = GUID_NULL;
    return S_OK;
  }
};

HRESULT CreateThing(CLSID*, IUnknown*, IID* iid, void** ppv) {
  return comkit::Object<CThing>::Create(nullptr, *iid, ppv);
}

CLSID ClassNumber(int i) {
  CLSID clsid = {0x5A1E0000u + static_cast<unsigned>(i), 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
  return clsid;
}

struct Key {
  CLSID clsid;
  std::wstring name;
  bool operator<(const Key& o) const {
    int c = std::memcmp(&clsid, &o.clsid, sizeof(CLSID));
    return c != 0 ? c < 0 : name < o.name;
  }
};

}  // namespace

int main() {
  const int kClasses = 64, kNames = 16, kRounds = 200000;
  oxcore::CInstanceMapping table(&CreateThing);
  std::map<Key, IUnknown*> baseline;
  std::mutex baselineLock;

  std::vector<CLSID> classes;
  std::vector<BSTR> names;
  for (int c = 0; c < kClasses; ++c) classes.push_back(ClassNumber(c));
  for (int n = 0; n < kNames; ++n) names.push_back(SysAllocString((L"instance." + std::to_wstring(n)).c_str()));
  IID unknown = IID_IUnknown, persist = IID_IPersist;
  for (CLSID& clsid : classes) {
    for (BSTR name : names) {
      IUnknown* object = nullptr;
      if (FAILED(table.OxGetInstance(&clsid, name, &unknown, reinterpret_cast<void**>(&object)))) {
        std::printf("could not fill the table\n");
        return 1;
      }
      baseline[Key{clsid, name}] = object;  // keeps the reference get handed out
    }
  }

  unsigned long sink = 0;
  double tableTime = Best([&] {
    for (int r = 0; r < kRounds; ++r) {
      IPersist* p = nullptr;
      table.OxGetInstance(&classes[r % kClasses], names[(r / kClasses) % kNames], &persist, reinterpret_cast<void**>(&p));
      sink += p->Release();
    }
  });
  double mapTime = Best([&] {
    for (int r = 0; r < kRounds; ++r) {
      IPersist* p = nullptr;
      {
        std::lock_guard<std::mutex> lock(baselineLock);
        auto it = baseline.find(Key{classes[r % kClasses], names[(r / kClasses) % kNames]});
        it->second->QueryInterface(IID_IPersist, reinterpret_cast<void**>(&p));
      }
      sink += p->Release();
    }
  });

  std::printf("OxGetInstance of an existing instance (%d classes x %d names, %d lookups)\n", kClasses, kNames,
              kRounds);
  std::printf("  instance table         %8.1f ns per lookup\n", tableTime * 1e9 / kRounds);
  std::printf("  map + mutex + QI       %8.1f ns per lookup\n", mapTime * 1e9 / kRounds);
  std::printf("  ratio                  %8.2fx (target: within 3x)\n", tableTime / mapTime);

  for (auto& entry : baseline) entry.second->Release();
  for (BSTR name : names) SysFreeString(name);
  return sink == 0 ? 2 : 0;
}
