// Shared helpers for the xparam tests: the module bound through the DLL's
// exports, and shorthands for building and inspecting trees.
#ifndef XPARAM_TESTS_TEST_SUPPORT_H
#define XPARAM_TESTS_TEST_SUPPORT_H

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xparam/xparam.h"

namespace xptest {

using xparam::NodePtr;
using xparam::XParamNode;

struct Binding {
  HMODULE dll = nullptr;
  xparam::GetCppModuleInterfaceFn get = nullptr;
  xparam::FreeCppModuleInterfaceFn free = nullptr;
};

// xparam.dll loaded once for the test run (LoadLibraryW + GetProcAddress).
const Binding& Dll();
// A module interface obtained through GetCppModuleInterface.
xparam::ModuleInterface* Module();

NodePtr NewNode(const wchar_t* name = nullptr);
// Appends a new child of that name and answers it.
NodePtr AddChild(const NodePtr& parent, const wchar_t* name);
NodePtr AddChild(const NodePtr& parent, const std::wstring& name);

std::wstring NameOf(const NodePtr& node);
// The node's text through GetString; "<no text>" when it does not convert.
std::wstring TextOf(const NodePtr& node);
std::vector<std::wstring> ChildNames(const NodePtr& node);

// Writes with the given layout; empty string and *ok false on failure.
std::wstring ToXml(const NodePtr& node, const wchar_t* indent = L"\t", const wchar_t* lineBreak = L"\r\n",
                   bool* ok = nullptr);
// The same through DocWriter::WriteStringTo, into a buffer the test owns.
std::wstring ToXmlThroughTarget(const NodePtr& node, const wchar_t* indent = L"\t",
                                const wchar_t* lineBreak = L"\r\n", bool* ok = nullptr);

// A TextTarget that hands out a buffer with guard characters behind the room
// it was asked for, or refuses.
class RecordingTarget final : public xparam::TextTarget {
 public:
  static constexpr wchar_t kGuard = L'\xFFFF';
  explicit RecordingTarget(bool refuse = false) : refuse_(refuse) {}
  wchar_t* XPARAM_CALL Reserve(int length) override {
    ++calls;
    asked = length;
    if (refuse_ || length < 0) return nullptr;
    buffer.assign(static_cast<size_t>(length) + 8, kGuard);
    return &buffer[0];
  }
  // The text written, or "<guard overwritten>".
  std::wstring Text() const;

  int calls = 0;
  int asked = -1;
  std::wstring buffer;

 private:
  bool refuse_;
};

// Parses text and answers the document node (null on failure).
NodePtr ParseDocument(const std::wstring& text);
NodePtr ParseBytes(const std::string& bytes);
// The root element of a parsed document (null on failure).
NodePtr ParseRoot(const std::wstring& text);

// Same names, types, values (by text or blob bytes) and shape.
::testing::AssertionResult SameTree(const NodePtr& a, const NodePtr& b);

// A COM object that only counts its references.
class CountingDispatch final : public IDispatch {
 public:
  LONG refs = 1;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs)); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&refs)); }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }
};

std::wstring TempDir();  // a fresh directory for this test
std::string ReadAll(const std::wstring& path);
bool WriteAll(const std::wstring& path, const std::string& bytes);
std::string Utf8(const std::wstring& text);

}  // namespace xptest

#endif  // XPARAM_TESTS_TEST_SUPPORT_H
