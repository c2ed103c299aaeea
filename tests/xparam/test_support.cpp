#include <gtest/gtest.h>

#include "test_support.h"

#include <cstring>

namespace xptest {

const Binding& Dll() {
  static const Binding binding = [] {
    Binding b;
    b.dll = LoadLibraryW(L"xparam.dll");
    if (b.dll) {
      b.get = reinterpret_cast<xparam::GetCppModuleInterfaceFn>(
          reinterpret_cast<void*>(GetProcAddress(b.dll, "GetCppModuleInterface")));
      b.free = reinterpret_cast<xparam::FreeCppModuleInterfaceFn>(
          reinterpret_cast<void*>(GetProcAddress(b.dll, "FreeCppModuleInterface")));
    }
    return b;
  }();
  return binding;
}

xparam::ModuleInterface* Module() {
  static xparam::ModuleInterface* module = [] {
    xparam::ModuleInterface* m = nullptr;
    if (Dll().get) Dll().get(&m);
    return m;
  }();
  return module;
}

NodePtr NewNode(const wchar_t* name) {
  NodePtr n;
  if (!Module() || !Module()->CreateXParam(n.Receive())) return NodePtr();
  if (name) n->SetName(name, -1);
  return n;
}

NodePtr AddChild(const NodePtr& parent, const wchar_t* name) {
  NodePtr c;
  if (!parent->CreateNode(c.Receive())) return NodePtr();
  c->SetName(name, -1);
  parent->PushBackChild(c.Get());
  return c;
}

NodePtr AddChild(const NodePtr& parent, const std::wstring& name) {
  NodePtr c;
  if (!parent->CreateNode(c.Receive())) return NodePtr();
  c->SetName(name.data(), static_cast<int>(name.size()));
  parent->PushBackChild(c.Get());
  return c;
}

std::wstring NameOf(const NodePtr& node) {
  const wchar_t* text = nullptr;
  int length = 0;
  xparam::Holder holder;
  if (!node->GetName(&text, &length, &holder)) return L"<no name>";
  return std::wstring(text, length);
}

std::wstring TextOf(const NodePtr& node) {
  const wchar_t* text = nullptr;
  int length = 0;
  xparam::Holder holder;
  if (!node->GetString(&text, &length, &holder)) return L"<no text>";
  return std::wstring(text, length);
}

std::vector<std::wstring> ChildNames(const NodePtr& node) {
  std::vector<std::wstring> names;
  NodePtr c;
  for (node->GetFirstChild(c.Receive()); c;) {
    names.push_back(NameOf(c));
    NodePtr next;
    c->GetNextSibling(next.Receive());
    c = next;
  }
  return names;
}

std::wstring ToXml(const NodePtr& node, const wchar_t* indent, const wchar_t* lineBreak, bool* ok) {
  xparam::DocWriter* w = Module()->CreateDocWriter();
  xparam::Holder holder;
  int length = -1;
  const wchar_t* text = w->WriteString(node.Get(), &length, indent, lineBreak, &holder);
  w->Destroy();
  if (ok) *ok = text != nullptr;
  return text ? std::wstring(text, length) : std::wstring();
}

std::wstring RecordingTarget::Text() const {
  size_t length = static_cast<size_t>(asked);
  if (buffer.size() != length + 8 || buffer.find_first_not_of(kGuard, length) != std::wstring::npos)
    return L"<guard overwritten>";
  return buffer.substr(0, length);
}

std::wstring ToXmlThroughTarget(const NodePtr& node, const wchar_t* indent, const wchar_t* lineBreak, bool* ok) {
  xparam::DocWriter* w = Module()->CreateDocWriter();
  RecordingTarget target;
  bool written = w->WriteStringTo(node.Get(), indent, lineBreak, &target);
  w->Destroy();
  if (ok) *ok = written && target.calls == 1;
  return written ? target.Text() : std::wstring();
}

NodePtr ParseDocument(const std::wstring& text) {
  xparam::DocReader* r = Module()->CreateDocReader();
  NodePtr doc;
  if (r->ParseString(text.data(), static_cast<int>(text.size()))) r->GetDocument(doc.Receive());
  r->Destroy();
  return doc;
}

NodePtr ParseBytes(const std::string& bytes) {
  xparam::DocReader* r = Module()->CreateDocReader();
  NodePtr doc;
  if (r->ParseMemory(bytes.data(), static_cast<unsigned>(bytes.size()))) r->GetDocument(doc.Receive());
  r->Destroy();
  return doc;
}

NodePtr ParseRoot(const std::wstring& text) {
  NodePtr doc = ParseDocument(text);
  NodePtr root;
  if (doc) doc->GetHeadChild(root.Receive());
  return root;
}

::testing::AssertionResult SameTree(const NodePtr& a, const NodePtr& b) {
  if (NameOf(a) != NameOf(b)) return ::testing::AssertionFailure() << "names differ";
  if (a->GetType() != b->GetType())
    return ::testing::AssertionFailure() << "types differ at a node: " << a->GetType() << " vs " << b->GetType();
  if (a->GetType() == xparam::kTypeBlob) {
    const unsigned char *da, *db;
    unsigned sa, sb;
    xparam::Holder ha, hb;
    if (!a->GetBlob(&da, &sa, &ha) || !b->GetBlob(&db, &sb, &hb) || sa != sb || std::memcmp(da, db, sa) != 0)
      return ::testing::AssertionFailure() << "blobs differ";
  } else if (TextOf(a) != TextOf(b)) {
    return ::testing::AssertionFailure() << "values differ";
  }
  if (a->GetChildrenCount() != b->GetChildrenCount()) return ::testing::AssertionFailure() << "child counts differ";
  NodePtr ca, cb;
  a->GetFirstChild(ca.Receive());
  b->GetFirstChild(cb.Receive());
  while (ca && cb) {
    auto r = SameTree(ca, cb);
    if (!r) return r;
    NodePtr na, nb;
    ca->GetNextSibling(na.Receive());
    cb->GetNextSibling(nb.Receive());
    ca = na;
    cb = nb;
  }
  return ::testing::AssertionSuccess();
}

std::wstring TempDir() {
  static LONG counter = 0;
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  // Process ids repeat between runs under Wine: take the first name not yet used.
  for (;;) {
    std::wstring dir = std::wstring(base) + L"xparam_tests_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                       std::to_wstring(InterlockedIncrement(&counter));
    if (CreateDirectoryW(dir.c_str(), nullptr)) return dir + L"\\";
    if (GetLastError() != ERROR_ALREADY_EXISTS) return L"<no temp dir>\\";
  }
}

std::string ReadAll(const std::wstring& path) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return "<missing>";
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(f, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(f);
  return bytes;
}

bool WriteAll(const std::wstring& path, const std::string& bytes) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD done = 0;
  bool ok = ::WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) && done == bytes.size();
  CloseHandle(f);
  return ok;
}

std::string Utf8(const std::wstring& text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
  return out;
}

}  // namespace xptest
