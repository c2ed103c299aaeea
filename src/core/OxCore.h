// COxCore: the core object behind IOxCore.
//
// One process-wide core is created at module load and never destroyed;
// further cores come from the class table (class OxCore) and own members of
// their own while sharing the process-wide state (XParam bindings, loggers,
// application directory).
//
// While a service a method forwards to or hands out is absent (before the
// first Init, after Uninit, or when its creation failed) the method answers
// CO_E_NOTINITIALIZED with its out slot set to null.
#ifndef OXCORE_CORE_OXCORE_H
#define OXCORE_CORE_OXCORE_H

#include <windows.h>

#include <memory>

#include "OxCoreLib.h"
#include "comkit/Dispatch.h"
#include "comkit/Object.h"
#include "core/RuntimeOptions.h"
#include "instances/InstanceMapping.h"
#include "registry/ComRuntime.h"

namespace oxcore {

class COxCore : public comkit::ObjectBase,
                public comkit::DispatchImpl<IOxCore, &LIBID_OxCoreLib>,
                public comkit::SupportErrorInfoImpl<&IID_IOxCore> {
 public:
  COMKIT_INTERFACES(COxCore)
    COMKIT_INTERFACE(IOxCore)
    COMKIT_INTERFACE_AS(&IID_IDispatch, IOxCore)
    COMKIT_INTERFACE(ISupportErrorInfo)
  COMKIT_END_INTERFACES()

  COxCore() = default;
  virtual ~COxCore();
  COxCore(const COxCore&) = delete;
  COxCore& operator=(const COxCore&) = delete;

  // IOxCore
  STDMETHODIMP OxGetVersion(USHORT* Major, USHORT* Minor, ULONG* BuildNum, BSTR* VersionString) override;
  STDMETHODIMP OxCreateInstance(CLSID* clsid, IUnknown* pUnkOuter, IID* iid, void** ppvObject) override;
  STDMETHODIMP OxGetClassObject(CLSID* clsid, IID* iid, void** ppvObject) override;
  STDMETHODIMP OxGetInstance(CLSID* clsid, BSTR InstanceName, IID* iid, void** ppvObject) override;
  STDMETHODIMP OxSetInstance(CLSID* clsid, BSTR InstanceName, IUnknown* pUnk) override;
  STDMETHODIMP OxHasInstance(CLSID* clsid, BSTR InstanceName, VARIANT_BOOL* Result) override;
  STDMETHODIMP OxGetAllInstanceNames(CLSID* clsid, BSTR* pAllInstanceNames) override;
  STDMETHODIMP OxGetAllInstances(CLSID* clsid, SAFEARRAY** ppAllInstances) override;
  STDMETHODIMP OxDropInstance(CLSID* clsid, BSTR InstanceName) override;
  STDMETHODIMP OxFreeUnusedLibraries() override;
  STDMETHODIMP OxGetMsgBus(IMsgBus** ppMsgBus) override;
  STDMETHODIMP OxRunApplication(BSTR AppPath) override;
  STDMETHODIMP OxMakeDefaultRegFile(BSTR RootDir) override;
  STDMETHODIMP Init(BSTR PreLoadConfig) override;
  STDMETHODIMP Uninit() override;
  STDMETHODIMP OxCreateWeakRef(IWeakRef** ppWeakRef) override;
  STDMETHODIMP OxCreateXParam(IXParam** ppXParam) override;
  STDMETHODIMP OxGetI18N(II18N** ppI18N) override;
  STDMETHODIMP OxGetConfigueFileManager(IConfigueFileManager** ppIConfigueFileManager) override;
  STDMETHODIMP PerfLog(BSTR bstrModule, BSTR bstrParam1, BSTR bstrParam2, BSTR bstrParam3, BSTR bstrFile,
                       int nLine) override;

 private:
  bool initialised = false;
  bool applicationStarted = false;
  RuntimeOptions options;

  std::unique_ptr<CComRuntime> comRuntime;
  std::unique_ptr<CInstanceMapping> instances;
  IMsgBus* msgBus = nullptr;
  II18N* i18n = nullptr;
  IConfigueFileManager* configManager = nullptr;
};

}  // namespace oxcore

#endif  // OXCORE_CORE_OXCORE_H
