// CXParamEnum: walks the children of one XParam object, holding that
// object's lock (LockIt) from creation to destruction; it must therefore be
// released on the thread that created it (released elsewhere, its UnlockIt
// is refused and the creating thread keeps the lock).
//
// An enumerator made through the XParamEnum class object has no target:
// its Next answers E_FAIL (with *pbEOF true). A null pbEOF answers E_POINTER.
#ifndef OXCORE_XPARAM_XPARAMENUM_H
#define OXCORE_XPARAM_XPARAMENUM_H

#include <windows.h>

#include "OxCoreLib.h"
#include "comkit/Dispatch.h"
#include "comkit/Object.h"

namespace oxcore {

class CXParamEnum : public comkit::ObjectBase,
                    public comkit::DispatchImpl<IXParamEnum, &LIBID_OxCoreLib>,
                    public comkit::SupportErrorInfoImpl<&IID_IXParamEnum> {
 public:
  COMKIT_INTERFACES(CXParamEnum)
    COMKIT_INTERFACE(IXParamEnum)
    COMKIT_INTERFACE_AS(&IID_IDispatch, IXParamEnum)
    COMKIT_INTERFACE(ISupportErrorInfo)
  COMKIT_END_INTERFACES()

  CXParamEnum() = default;
  virtual ~CXParamEnum() = default;
  CXParamEnum(const CXParamEnum&) = delete;
  CXParamEnum& operator=(const CXParamEnum&) = delete;
  void FinalRelease();

  // An enumerator over target's children; takes target's lock.
  static HRESULT Create(IXParam* target, IXParamEnum** out);

  STDMETHODIMP GetName(BSTR* pbstrName) override;
  STDMETHODIMP GetValue(VARIANT* pVal) override;
  STDMETHODIMP Next(VARIANT_BOOL* pbEOF) override;
  STDMETHODIMP Reset() override;

 private:
  IXParam* target = nullptr;
  IXParam* cursor = nullptr;
};

}  // namespace oxcore

#endif  // OXCORE_XPARAM_XPARAMENUM_H
