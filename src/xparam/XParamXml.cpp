// CXParam's XML methods: reading replaces the object's node with the parsed
// root element (the old tree is kept on failure); writing names an unnamed
// node "xparam" for the duration of the write.
#include <windows.h>
#include <oleauto.h>

#include "xparam/XParam.h"
#include "xparam/XParamModule.h"

namespace oxcore {
namespace {

// Restores a node's empty name when a write ends.
class TemporaryRootName {
 public:
  explicit TemporaryRootName(xparam::XParamNode* n) : node_(n) {
    const wchar_t* text = nullptr;
    int length = 0;
    xparam::Holder holder;
    unnamed_ = !n->GetName(&text, &length, &holder) || length == 0;
    if (unnamed_) n->SetName(L"xparam", -1);
  }
  ~TemporaryRootName() {
    if (unnamed_) node_->SetName(L"", 0);
  }
  TemporaryRootName(const TemporaryRootName&) = delete;
  TemporaryRootName& operator=(const TemporaryRootName&) = delete;

 private:
  xparam::XParamNode* node_;
  bool unnamed_;
};

// Lets the writer put the text straight into the caller's new BSTR.
class BstrTarget final : public xparam::TextTarget {
 public:
  BstrTarget() = default;
  BstrTarget(const BstrTarget&) = delete;
  BstrTarget& operator=(const BstrTarget&) = delete;
  ~BstrTarget() { SysFreeString(text_); }

  wchar_t* XPARAM_CALL Reserve(int length) override {
    asked_ = true;
    if (text_ || length < 0) return nullptr;
    text_ = SysAllocStringLen(nullptr, static_cast<UINT>(length));
    return text_;
  }
  // Whether the writer got as far as asking for memory.
  bool asked() const { return asked_; }
  BSTR Detach() {
    BSTR t = text_;
    text_ = nullptr;
    return t;
  }

 private:
  BSTR text_ = nullptr;
  bool asked_ = false;
};

}  // namespace

HRESULT CXParam::ReadDocument(bool (*parse)(xparam::DocReader*, const void*, ULONG), const void* a, ULONG b) {
  xparam::ModuleInterface* module = PrimaryXParam();
  if (!module) return CO_E_NOTINITIALIZED;
  xparam::DocReader* reader = module->CreateDocReader();
  if (!reader) return E_OUTOFMEMORY;
  xparam::NodePtr document, root;
  bool ok = parse(reader, a, b) && reader->GetDocument(document.Receive()) && document &&
            document->GetHeadChild(root.Receive()) && root;
  reader->Destroy();
  if (!ok) return E_FAIL;
  node = root;
  return S_OK;
}

STDMETHODIMP CXParam::FromXmlString(BSTR XmlString) {
  if (!XmlString) return E_POINTER;
  return ReadDocument(
      [](xparam::DocReader* r, const void* text, ULONG length) {
        return r->ParseString(static_cast<const wchar_t*>(text), static_cast<int>(length));
      },
      XmlString, SysStringLen(XmlString));
}

STDMETHODIMP CXParam::FromXmlFile(BSTR XmlFilename) {
  if (!XmlFilename) return E_POINTER;
  return ReadDocument(
      [](xparam::DocReader* r, const void* path, ULONG) { return r->LoadFile(static_cast<const wchar_t*>(path)); },
      XmlFilename, 0);
}

STDMETHODIMP CXParam::FromXmlMemory(unsigned char* XmlMemory, ULONG XmlSize) {
  if (!XmlMemory || XmlSize == 0) return E_POINTER;
  return ReadDocument([](xparam::DocReader* r, const void* data, ULONG size) { return r->ParseMemory(data, size); },
                      XmlMemory, XmlSize);
}

STDMETHODIMP CXParam::ToXmlString(BSTR IndentString, BSTR CrlfString, BSTR* XmlString) {
  if (!XmlString) return E_POINTER;
  if (*XmlString) return E_INVALIDARG;
  xparam::ModuleInterface* module = PrimaryXParam();
  if (!module) return CO_E_NOTINITIALIZED;
  xparam::DocWriter* writer = module->CreateDocWriter();
  if (!writer) return E_OUTOFMEMORY;
  BstrTarget target;
  bool written;
  {
    TemporaryRootName name(node.Get());
    written = writer->WriteStringTo(node.Get(), IndentString, CrlfString, &target);
  }
  writer->Destroy();
  if (written) {
    *XmlString = target.Detach();
    return S_OK;
  }
  // Asked for memory and failed: the BSTR could not be allocated.
  return target.asked() ? E_OUTOFMEMORY : E_FAIL;
}

STDMETHODIMP CXParam::ToXmlFile(BSTR XmlFilename, BSTR IndentString, BSTR CrlfString, BSTR Encoding) {
  if (!XmlFilename) return E_POINTER;
  xparam::ModuleInterface* module = PrimaryXParam();
  if (!module) return CO_E_NOTINITIALIZED;
  xparam::DocWriter* writer = module->CreateDocWriter();
  if (!writer) return E_OUTOFMEMORY;
  bool written;
  {
    TemporaryRootName name(node.Get());
    written = writer->WriteFile(node.Get(), XmlFilename, IndentString, CrlfString, Encoding);
  }
  writer->Destroy();
  return written ? S_OK : E_FAIL;
}

}  // namespace oxcore
