#include "xparam/DocumentIO.h"

#include <objbase.h>

#include "xparam/XParamModule.h"

namespace oxcore {
namespace doc {
namespace {

// Destroys a reader or writer on every path.
template <typename T>
class Destroyer {
 public:
  explicit Destroyer(T* p) : p_(p) {}
  ~Destroyer() {
    if (p_) p_->Destroy();
  }
  Destroyer(const Destroyer&) = delete;
  Destroyer& operator=(const Destroyer&) = delete;

 private:
  T* p_;
};

int Length(const std::wstring& s) { return static_cast<int>(s.size()); }

}  // namespace

bool Document::Load(const std::wstring& path) {
  root_.Reset();
  xparam::ModuleInterface* module = DocumentXParam();
  if (!module || path.empty()) return false;
  xparam::DocReader* reader = module->CreateDocReader();
  if (!reader) return false;
  Destroyer<xparam::DocReader> guard(reader);
  if (!reader->LoadFile(path.c_str())) return false;
  xparam::NodePtr document;
  if (!reader->GetDocument(document.Receive()) || !document) return false;
  xparam::NodePtr root;
  if (!document->GetHeadChild(root.Receive()) || !root) return false;
  root_ = root;
  return true;
}

xparam::NodePtr FirstChild(xparam::XParamNode* parent, const wchar_t* name) {
  xparam::NodePtr child;
  if (!parent || !parent->FindFirstChild(name, -1, 0, child.Receive())) child.Reset();
  return child;
}

xparam::NodePtr NextNamesake(xparam::XParamNode* node) {
  xparam::NodePtr next;
  if (!node || !node->GetNextNamesake(next.Receive())) next.Reset();
  return next;
}

bool ReadString(xparam::XParamNode* node, std::wstring* out) {
  if (!node || node->GetType() != xparam::kTypeString) return false;
  const wchar_t* text = nullptr;
  int length = 0;
  xparam::Holder holder;
  if (!node->GetString(&text, &length, &holder) || length < 0) return false;
  if (text)
    out->assign(text, static_cast<size_t>(length));
  else
    out->clear();
  return true;
}

bool ReadUShort(xparam::XParamNode* node, unsigned short* out) {
  unsigned short value = 0;
  if (!node || !node->GetUShort(&value)) return false;
  *out = value;
  return true;
}

bool ReadBool(xparam::XParamNode* node, bool* out) {
  bool value = false;
  if (!node || !node->GetBool(&value)) return false;
  *out = value;
  return true;
}

GUID ReadGuid(xparam::XParamNode* node) {
  std::wstring text;
  GUID guid = GUID_NULL;
  // CLSIDFromString wants a writable, NUL-terminated buffer and would also
  // take a registered ProgID; anything it refuses reads as the zero GUID.
  if (!ReadString(node, &text) || FAILED(CLSIDFromString(&text[0], &guid))) return GUID_NULL;
  return guid;
}

void ReadStringField(xparam::XParamNode* parent, const wchar_t* name, std::wstring* out) {
  ReadString(FirstChild(parent, name).Get(), out);
}

void ReadUShortField(xparam::XParamNode* parent, const wchar_t* name, unsigned short* out) {
  ReadUShort(FirstChild(parent, name).Get(), out);
}

void ReadBoolField(xparam::XParamNode* parent, const wchar_t* name, bool* out) {
  ReadBool(FirstChild(parent, name).Get(), out);
}

void ReadGuidField(xparam::XParamNode* parent, const wchar_t* name, GUID* out) {
  xparam::NodePtr node = FirstChild(parent, name);
  if (node) *out = ReadGuid(node.Get());
}

std::wstring GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  int n = StringFromGUID2(guid, text, 40);
  return n > 0 ? std::wstring(text, static_cast<size_t>(n - 1)) : std::wstring();
}

bool DocumentBuilder::Begin() {
  scratch_.Reset();
  root_.Reset();
  failed_ = false;
  xparam::ModuleInterface* module = DocumentXParam();
  if (!module || !module->CreateXParam(scratch_.Receive()) || !scratch_) return false;
  root_ = AddElement(scratch_.Get(), L"");
  return static_cast<bool>(root_);
}

xparam::NodePtr DocumentBuilder::AddElement(xparam::XParamNode* parent, const wchar_t* name) {
  xparam::NodePtr node;
  if (!parent || !parent->CreateNode(node.Receive()) || !node || !node->SetName(name, -1) ||
      !node->SetNodeMode(0) || !parent->PushBackChild(node.Get())) {
    failed_ = true;
    node.Reset();
  }
  return node;
}

bool DocumentBuilder::AddString(xparam::XParamNode* parent, const wchar_t* name, const std::wstring& value) {
  xparam::NodePtr node = AddElement(parent, name);
  if (node && node->SetString(value.data(), Length(value))) return true;
  failed_ = true;
  return false;
}

bool DocumentBuilder::AddUShort(xparam::XParamNode* parent, const wchar_t* name, unsigned short value) {
  xparam::NodePtr node = AddElement(parent, name);
  if (node && node->SetUShort(value)) return true;
  failed_ = true;
  return false;
}

bool DocumentBuilder::AddGuid(xparam::XParamNode* parent, const wchar_t* name, const GUID& value) {
  return AddString(parent, name, GuidText(value));
}

bool DocumentBuilder::Write(const wchar_t* rootName, const std::wstring& path) {
  // A document missing any part is not written: the file on disk stays whole.
  if (failed_ || !scratch_ || path.empty()) return false;
  xparam::NodePtr head;
  if (!scratch_->GetHeadChild(head.Receive()) || !head || !head->SetName(rootName, -1)) return false;
  xparam::ModuleInterface* module = DocumentXParam();
  if (!module) return false;
  xparam::DocWriter* writer = module->CreateDocWriter();
  if (!writer) return false;
  Destroyer<xparam::DocWriter> guard(writer);
  return writer->WriteFile(head.Get(), path.c_str(), L"\t", L"\r\n", L"utf-8");
}

}  // namespace doc
}  // namespace oxcore
