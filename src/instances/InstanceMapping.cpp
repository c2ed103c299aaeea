#include "instances/InstanceMapping.h"

#include <new>
#include <utility>
#include <vector>

#include "comkit/ComPtr.h"

namespace oxcore {
namespace {

// A name runs up to the BSTR's first NUL; NULL is the empty name.
std::wstring NameOf(BSTR name) { return name ? std::wstring(name) : std::wstring(); }

// Releases every object of a name map outside any container, so a final
// release that calls back into the table never meets a map being changed.
void ReleaseAll(std::map<std::wstring, IUnknown*>& names) {
  while (!names.empty()) {
    std::map<std::wstring, IUnknown*> doomed;
    doomed.swap(names);
    for (auto& entry : doomed) entry.second->Release();
  }
}

// Interface methods let no exception out: exhausted memory answers
// E_OUTOFMEMORY, anything else E_UNEXPECTED.
template <class Body>
HRESULT Guarded(Body&& body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace

CInstanceMapping::ObjCollection::~ObjCollection() { ReleaseAll(names); }

CInstanceMapping::CInstanceMapping(IOxCore* core)
    : create_([core](CLSID* clsid, IUnknown* outer, IID* iid, void** ppv) {
        if (!core) return E_UNEXPECTED;
        return core->OxCreateInstance(clsid, outer, iid, ppv);
      }) {}

CInstanceMapping::CInstanceMapping(CreateFn create) : create_(std::move(create)) {}

CInstanceMapping::~CInstanceMapping() {
  // Collections are dropped outside the table lock; a final release that
  // adds to the table meanwhile is dropped on the next round.
  for (;;) {
    std::map<CLSID, CollectionPtr, GuidBytesLess> doomed;
    {
      CriticalSectionLock lock(tableLock_);
      doomed.swap(classes_);
    }
    if (doomed.empty()) break;
  }
}

CInstanceMapping::CollectionPtr CInstanceMapping::FindOrCreate(const CLSID& clsid) {
  CriticalSectionLock lock(tableLock_);
  CollectionPtr& slot = classes_[clsid];
  if (!slot) slot = std::make_shared<ObjCollection>();
  return slot;
}

CInstanceMapping::CollectionPtr CInstanceMapping::Find(const CLSID& clsid) {
  CriticalSectionLock lock(tableLock_);
  auto it = classes_.find(clsid);
  return it == classes_.end() ? nullptr : it->second;
}

HRESULT CInstanceMapping::OxGetInstance(CLSID* clsid, BSTR InstanceName, IID* iid, void** ppvObject) {
  if (!ppvObject) return E_POINTER;
  *ppvObject = nullptr;
  if (!clsid || !iid) return E_INVALIDARG;
  return Guarded([&]() -> HRESULT {
    std::wstring name = NameOf(InstanceName);
    CollectionPtr coll = FindOrCreate(*clsid);
    CriticalSectionLock lock(coll->lock);

    auto found = coll->names.find(name);
    if (found != coll->names.end()) return found->second->QueryInterface(*iid, ppvObject);
    if (coll->creating.count(name)) return kRecursiveCreation;

    coll->creating.insert(name);
    IUnknown* created = nullptr;
    IID unknownIid = IID_IUnknown;
    HRESULT hr;
    try {
      hr = create_(clsid, nullptr, &unknownIid, reinterpret_cast<void**>(&created));
    } catch (...) {
      coll->creating.erase(name);
      throw;
    }
    coll->creating.erase(name);
    if (FAILED(hr)) return hr;
    if (!created) return E_UNEXPECTED;  // success without an object

    // A set made on this thread during the creation may have taken the name.
    // The first object stored stays: whoever was told S_OK for it, and
    // everyone who got it since, keeps holding the one instance.
    found = coll->names.find(name);
    if (found != coll->names.end()) {
      created->Release();
      return found->second->QueryInterface(*iid, ppvObject);
    }
    try {
      coll->names.emplace(name, created);  // the creation's reference
    } catch (...) {
      created->Release();
      throw;
    }
    return created->QueryInterface(*iid, ppvObject);
  });
}

HRESULT CInstanceMapping::OxSetInstance(CLSID* clsid, BSTR InstanceName, IUnknown* pUnk) {
  if (!pUnk) return E_POINTER;
  if (!clsid) return E_INVALIDARG;
  return Guarded([&]() -> HRESULT {
    std::wstring name = NameOf(InstanceName);
    CollectionPtr coll = FindOrCreate(*clsid);
    CriticalSectionLock lock(coll->lock);
    if (coll->names.count(name)) return E_FAIL;  // no replacing: drop first
    coll->names.emplace(name, pUnk);
    pUnk->AddRef();
    return S_OK;
  });
}

HRESULT CInstanceMapping::OxHasInstance(CLSID* clsid, BSTR InstanceName, VARIANT_BOOL* Result) {
  if (!Result) return E_POINTER;
  *Result = VARIANT_FALSE;
  if (!clsid) return E_INVALIDARG;
  return Guarded([&]() -> HRESULT {
    std::wstring name = NameOf(InstanceName);
    CollectionPtr coll = Find(*clsid);
    if (!coll) return S_OK;
    CriticalSectionLock lock(coll->lock);
    if (coll->names.count(name)) *Result = VARIANT_TRUE;
    return S_OK;
  });
}

HRESULT CInstanceMapping::OxGetAllInstanceNames(CLSID* clsid, BSTR* pAllInstanceNames) {
  if (!pAllInstanceNames) return E_POINTER;
  if (*pAllInstanceNames) return E_INVALIDARG;
  if (!clsid) return E_INVALIDARG;
  return Guarded([&]() -> HRESULT {
    std::wstring text;
    if (CollectionPtr coll = Find(*clsid)) {
      CriticalSectionLock lock(coll->lock);
      for (const auto& entry : coll->names) {
        text += entry.first;
        text += L'\n';
      }
    }
    if (text.empty()) return S_FALSE;
    BSTR out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!out) return E_OUTOFMEMORY;
    *pAllInstanceNames = out;
    return S_OK;
  });
}

HRESULT CInstanceMapping::OxGetAllInstances(CLSID* clsid, SAFEARRAY** ppAllInstances) {
  if (!ppAllInstances) return E_POINTER;
  if (*ppAllInstances) return E_INVALIDARG;
  if (!clsid) return E_INVALIDARG;
  // The objects are taken (one reference each, in name order) under the
  // class lock; the array is built afterwards. Resizing an array while it is
  // locked is refused by the platform, and allocating outside the lock keeps
  // the class free for others.
  std::vector<comkit::ComPtr<IUnknown>> objects;
  HRESULT taken = Guarded([&]() -> HRESULT {
    if (CollectionPtr coll = Find(*clsid)) {
      CriticalSectionLock lock(coll->lock);
      objects.reserve(coll->names.size());
      for (const auto& entry : coll->names) objects.emplace_back(entry.second);
    }
    return S_OK;
  });
  if (FAILED(taken)) return taken;

  SAFEARRAYBOUND bound = {static_cast<ULONG>(objects.size()), 0};
  SAFEARRAY* array = SafeArrayCreate(VT_UNKNOWN, 1, &bound);
  if (!array || FAILED(SafeArrayLock(array))) {
    if (array) SafeArrayDestroy(array);
    return E_OUTOFMEMORY;
  }
  IUnknown** data = static_cast<IUnknown**>(array->pvData);
  for (size_t i = 0; i < objects.size(); ++i) data[i] = objects[i].Detach();  // the array owns these references
  SafeArrayUnlock(array);
  *ppAllInstances = array;
  return S_FALSE;  // the success result with or without elements
}

HRESULT CInstanceMapping::OxDropInstance(CLSID* clsid, BSTR InstanceName) {
  if (!clsid) return E_INVALIDARG;
  return Guarded([&]() -> HRESULT {
    std::wstring name = NameOf(InstanceName);
    CollectionPtr coll = Find(*clsid);
    if (!coll) return S_OK;
    CriticalSectionLock lock(coll->lock);
    auto found = coll->names.find(name);
    if (found == coll->names.end()) return S_OK;
    IUnknown* object = found->second;
    // Out of the map before the release: a final release that calls back
    // into this class finds a consistent map.
    coll->names.erase(found);
    object->Release();
    return S_OK;
  });
}

}  // namespace oxcore
