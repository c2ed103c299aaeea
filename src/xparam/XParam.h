// CXParam: the COM handle on one node of a native XParam tree.
//
// Properties address a child of the node by name (the node itself for an
// empty name); navigation hands out new handles on other nodes of the same
// tree. Values and structure live in xparam.dll; this object adds name
// resolution, VARIANT conversion, result codes and XML defaults.
//
// Choices of this implementation:
// - Objects need the primary XParam binding: created before Init (or after
//   the binding was released) they fail with CO_E_NOTINITIALIZED, and the
//   XML methods of existing objects answer CO_E_NOTINITIALIZED meanwhile.
// - Tree edits take XParam objects of this runtime only (recognised through
//   a private IID); any other IXParam is refused with E_INVALIDARG and
//   nothing changes. An edit the native tree refuses (a cycle, a reference
//   node that is no child, dropping a node that is no child) answers E_FAIL
//   rather than a success that did nothing.
// - Interface values pass through unchanged; the native node holds its own
//   reference and hands out an added one on get.
// - ToXmlString answers E_FAIL, with the slot left null, when the writer
//   produced no text (e.g. an indent that is not XML whitespace).
// - A byte-array Value is locked before the target is resolved, so a failed
//   lock (answered with its code) leaves no child behind either.
// - UnlockIt by a thread that does not hold the lock answers
//   HRESULT_FROM_WIN32(ERROR_NOT_OWNER) and changes nothing: leaving a
//   critical section one does not own would corrupt it.
#ifndef OXCORE_XPARAM_XPARAM_H
#define OXCORE_XPARAM_XPARAM_H

#include <windows.h>

#include <atomic>

#include <xparam/xparam.h>

#include "OxCoreLib.h"
#include "comkit/Dispatch.h"
#include "comkit/Object.h"

namespace oxcore {

// Answered only by CXParam, so that tree edits can reach argument nodes.
extern const IID IID_IOxXParamSelf;

// Answers IXParam and IDispatch only (no ISupportErrorInfo: it never sets
// error information), plus the private IID above.
class CXParam : public comkit::ObjectBase, public comkit::DispatchImpl<IXParam, &LIBID_OxCoreLib> {
 public:
  COMKIT_INTERFACES(CXParam)
    COMKIT_INTERFACE(IXParam)
    COMKIT_INTERFACE_AS(&IID_IDispatch, IXParam)
    COMKIT_INTERFACE_AS(&IID_IOxXParamSelf, IXParam)
  COMKIT_END_INTERFACES()

  CXParam();
  virtual ~CXParam();
  CXParam(const CXParam&) = delete;
  CXParam& operator=(const CXParam&) = delete;
  HRESULT FinalConstruct();

  // A new XParam object standing for node (handed out with one reference).
  static HRESULT CreateHandle(xparam::XParamNode* node, IXParam** out);
  // The CXParam behind an IXParam of this runtime, or null.
  static CXParam* FromInterface(IXParam* itf);

  xparam::XParamNode* Node() const { return node.Get(); }

#define OX_XPARAM_PROPERTY(Prop, Type)                      \
  STDMETHODIMP get_##Prop(BSTR bstrName, Type* pVal) override; \
  STDMETHODIMP put_##Prop(BSTR bstrName, Type newVal) override;
  OX_XPARAM_PROPERTY(Char, signed char)
  OX_XPARAM_PROPERTY(UChar, unsigned char)
  OX_XPARAM_PROPERTY(Short, short)
  OX_XPARAM_PROPERTY(UShort, unsigned short)
  OX_XPARAM_PROPERTY(Long, LONG)
  OX_XPARAM_PROPERTY(ULong, ULONG)
  OX_XPARAM_PROPERTY(LongLong, LONGLONG)
  OX_XPARAM_PROPERTY(ULongLong, ULONGLONG)
  OX_XPARAM_PROPERTY(Int, int)
  OX_XPARAM_PROPERTY(UInt, unsigned int)
  OX_XPARAM_PROPERTY(Byte, unsigned char)
  OX_XPARAM_PROPERTY(Float, float)
  OX_XPARAM_PROPERTY(Double, double)
  OX_XPARAM_PROPERTY(Bool, VARIANT_BOOL)
  OX_XPARAM_PROPERTY(Pvoid, void*)
  OX_XPARAM_PROPERTY(Unknown, IUnknown*)
  OX_XPARAM_PROPERTY(Dispatch, IDispatch*)
  OX_XPARAM_PROPERTY(Bstr, BSTR)
  OX_XPARAM_PROPERTY(Date, DATE)
#undef OX_XPARAM_PROPERTY
  STDMETHODIMP get_Blob(BSTR bstrName, XBLOB* pVal) override;
  STDMETHODIMP put_Blob(BSTR bstrName, XBLOB newVal) override;
  STDMETHODIMP get_Value(BSTR bstrName, VARIANT* pVal) override;
  STDMETHODIMP put_Value(BSTR bstrName, VARIANT* newVal) override;

  STDMETHODIMP Clone(VARIANT_BOOL bCopy, IXParam** ppXParam) override;
  STDMETHODIMP Clear() override;
  STDMETHODIMP Remove(BSTR bstrName) override;
  STDMETHODIMP CreateEnum(IXParamEnum** pEnum) override;
  STDMETHODIMP Exchange(IXParam* pXParam) override;
  STDMETHODIMP GetCppXParam(void** ppCppXParam) override;
  STDMETHODIMP SetCppXParam(void* pCppXParam) override;
  STDMETHODIMP GetParent(IXParam** ppXParam) override;
  STDMETHODIMP PushBackChild(IXParam* pChild) override;
  STDMETHODIMP PushFrontChild(IXParam* pChild) override;
  STDMETHODIMP InsertBefore(IXParam* pBefore, IXParam* pChild) override;
  STDMETHODIMP InsertAfter(IXParam* pAfter, IXParam* pChild) override;
  STDMETHODIMP DropChild(IXParam* pChild) override;
  STDMETHODIMP DropSelf() override;
  STDMETHODIMP ClearChildren() override;
  STDMETHODIMP GetFirstChild(IXParam** ppXParam) override;
  STDMETHODIMP GetFirstChildByName(BSTR bstrName, LONG nOffset, IXParam** ppXParam) override;
  STDMETHODIMP GetLastChild(IXParam** ppXParam) override;
  STDMETHODIMP GetLastChildByName(BSTR bstrName, LONG nOffset, IXParam** ppXParam) override;
  STDMETHODIMP GetChildrenCount(LONG* nCount) override;
  STDMETHODIMP GetPrevSibling(IXParam** ppXParam) override;
  STDMETHODIMP GetPrevNamesake(IXParam** ppXParam) override;
  STDMETHODIMP GetNextSibling(IXParam** ppXParam) override;
  STDMETHODIMP GetNextNamesake(IXParam** ppXParam) override;
  STDMETHODIMP GetName(BSTR* bstrName) override;
  STDMETHODIMP SetName(BSTR bstrName) override;
  STDMETHODIMP LockIt() override;
  STDMETHODIMP UnlockIt() override;
  STDMETHODIMP FromXmlString(BSTR XmlString) override;
  STDMETHODIMP ToXmlString(BSTR IndentString, BSTR CrlfString, BSTR* XmlString) override;
  STDMETHODIMP FromXmlFile(BSTR XmlFilename) override;
  STDMETHODIMP ToXmlFile(BSTR XmlFilename, BSTR IndentString, BSTR CrlfString, BSTR Encoding) override;
  STDMETHODIMP FromXmlMemory(unsigned char* XmlMemory, ULONG XmlSize) override;

 private:
  // The node a property addresses: the node itself for an empty name, else
  // its first child of that name (created at the end when create is set).
  bool Target(const wchar_t* name, UINT length, bool create, xparam::NodePtr* out);
  template <class T>
  HRESULT GetTyped(BSTR name, T* pVal, bool(XPARAM_CALL xparam::XParamNode::*getter)(T*));
  template <class T>
  HRESULT PutTyped(BSTR name, T value, bool(XPARAM_CALL xparam::XParamNode::*setter)(T));
  HRESULT Navigate(bool(XPARAM_CALL xparam::XParamNode::*step)(xparam::XParamNode**), IXParam** ppXParam);
  HRESULT Link(IXParam* reference, IXParam* child,
               bool (*edit)(xparam::XParamNode* self, xparam::XParamNode* reference, xparam::XParamNode* child));
  HRESULT ReadDocument(bool (*parse)(xparam::DocReader* reader, const void* a, ULONG b), const void* a, ULONG b);

  CRITICAL_SECTION lock;
  // Owner and depth of lock, written only by the thread holding it.
  std::atomic<DWORD> lockOwner{0};
  LONG lockDepth = 0;
  xparam::NodePtr node;
};

}  // namespace oxcore

#endif  // OXCORE_XPARAM_XPARAM_H
