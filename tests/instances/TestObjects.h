// Objects and creators for the instance-table tests.
#ifndef OX_TESTS_INSTANCES_TESTOBJECTS_H
#define OX_TESTS_INSTANCES_TESTOBJECTS_H

#include <windows.h>
#include <oleidl.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>

#include "comkit/Object.h"
#include "instances/InstanceMapping.h"

namespace oxtest {

// Live objects of CThing across the test process.
extern std::atomic<int> g_liveThings;

// A plain object with two interfaces; runs a hook from its destructor.
class CThing : public comkit::ObjectBase, public IPersist, public IOleWindow {
 public:
  COMKIT_INTERFACES(CThing)
    COMKIT_INTERFACE(IPersist)
    COMKIT_INTERFACE(IOleWindow)
  COMKIT_END_INTERFACES()

  explicit CThing(std::function<void()> onDestroy = nullptr) : onDestroy_(std::move(onDestroy)) { ++g_liveThings; }
  virtual ~CThing() {
    if (onDestroy_) onDestroy_();
    --g_liveThings;
  }
  STDMETHODIMP GetClassID(CLSID* clsid) override {
    *clsid = GUID_NULL;
    return S_OK;
  }
  STDMETHODIMP GetWindow(HWND* hwnd) override {
    *hwnd = nullptr;
    return E_FAIL;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

 private:
  std::function<void()> onDestroy_;
};

// A new CThing's IUnknown, one reference.
IUnknown* NewThing(std::function<void()> onDestroy = nullptr);
ULONG RefCount(IUnknown* p);  // AddRef/Release probe
IUnknown* Identity(IUnknown* p);  // QueryInterface(IUnknown), released again

// Counts creations per class, fails those it is told to, and can run a hook
// inside a creation.
class Creator {
 public:
  oxcore::CInstanceMapping::CreateFn Fn();
  int Count(const CLSID& clsid);
  void FailWith(const CLSID& clsid, HRESULT hr);
  std::function<void(const CLSID&)> during;  // runs inside each creation

 private:
  std::mutex mutex_;
  std::map<CLSID, int, oxcore::GuidBytesLess> counts_;
  std::map<CLSID, HRESULT, oxcore::GuidBytesLess> failures_;
};

extern const CLSID kClassA;
extern const CLSID kClassB;
extern const CLSID kClassC;

}  // namespace oxtest

#endif  // OX_TESTS_INSTANCES_TESTOBJECTS_H
