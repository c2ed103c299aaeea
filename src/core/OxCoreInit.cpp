// IOxCore::Init and IOxCore::Uninit: bring the core's services up and down.
// Steps run in a fixed order; only a failed XParam binding stops Init.
#include "core/OxCore.h"

#include <oleauto.h>

#include <new>
#include <string>

#include "core/AppDirectory.h"
#include "core/RuntimeOptionsFile.h"
#include "core/StartupRegistry.h"
#include "xparam/XParamModule.h"

namespace oxcore {

STDMETHODIMP COxCore::Init(BSTR PreLoadConfig) {
  if (initialised) return S_FALSE;

  // Everything after this reads or writes documents through xparam.dll.
  if (!BindXParam(XParamBindingKind::kPrimary)) return E_FAIL;
  BindXParam(XParamBindingKind::kDocuments);

  std::wstring appDirectory;
  try {
    appDirectory = GetAppDirectory();
    // Options missing from the file keep the values of an earlier Init.
    if (!appDirectory.empty()) ReadRuntimeOptions(appDirectory + L"oxoptions.xml", &options);
  } catch (const std::bad_alloc&) {
    appDirectory.clear();
  }

  // Creates the component runtime when there is none. An empty or partial
  // registry is no reason to fail: activation then fails per class.
  LoadRuntimeRegistry(&comRuntime, options, appDirectory);

  if (!instances) instances.reset(new (std::nothrow) CInstanceMapping(static_cast<IOxCore*>(this)));

  // The bus is the MsgBus instance under the empty name, created through the
  // registry like any class. The bus of an earlier Init is let go for the
  // one this table holds (null when it cannot be had).
  IMsgBus* bus = nullptr;
  OxGetInstance(const_cast<CLSID*>(&CLSID_MsgBus), nullptr, const_cast<IID*>(&IID_IMsgBus),
                reinterpret_cast<void**>(&bus));
  if (msgBus) msgBus->Release();
  msgBus = bus;

  // The preload list is a file name relative to the application directory.
  if (comRuntime && SysStringLen(PreLoadConfig) != 0 && !appDirectory.empty()) {
    try {
      comRuntime->PreloadLibraries(appDirectory + PreLoadConfig);
    } catch (const std::bad_alloc&) {
      // Nothing preloaded; classes still load on first use.
    }
  }

  initialised = true;
  return S_OK;
}

STDMETHODIMP COxCore::Uninit() {
  if (!initialised) return S_FALSE;

  // Named instances go while their libraries are still loaded. The member is
  // null before the table is deleted, so a final release calling back into
  // the core finds no table.
  instances.reset();
  // Libraries go as their DllCanUnloadNow allows.
  comRuntime.reset();

  ReleaseXParam(XParamBindingKind::kDocuments);
  ReleaseXParam(XParamBindingKind::kPrimary);

  initialised = false;
  return S_OK;
}

}  // namespace oxcore
