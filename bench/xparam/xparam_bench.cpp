// XParam object overhead against xparam.dll used directly, measured in the
// same run: typed put/get by name, and XML text in and out of a 1 MB tree.
#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include <xparam/xparam.h>

#include "BenchTiming.h"
#include "OxCoreLib.h"

namespace {

using oxbench::Best;

std::wstring ChildName(int i) { return L"child" + std::to_wstring(i); }

}  // namespace

int main() {
  HMODULE core = LoadLibraryW(L"OxCore.dll");
  HMODULE xp = LoadLibraryW(L"xparam.dll");
  if (!core || !xp) {
    std::printf("OxCore.dll and xparam.dll must lie beside the benchmark\n");
    return 1;
  }
  auto getCore = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(IOxCore**)>(
      reinterpret_cast<void*>(GetProcAddress(core, "GetOxCore")));
  auto getModule = reinterpret_cast<xparam::GetCppModuleInterfaceFn>(
      reinterpret_cast<void*>(GetProcAddress(xp, "GetCppModuleInterface")));
  IOxCore* ox = nullptr;
  xparam::ModuleInterface* module = nullptr;
  if (!getCore || FAILED(getCore(&ox)) || FAILED(ox->Init(nullptr)) || !getModule || !getModule(&module) || !module) {
    std::printf("runtime not available\n");
    return 1;
  }

  // Long put/get by name on a node with 100 children.
  const int kChildren = 100, kRounds = 20000;
  IXParam* x = nullptr;
  ox->OxCreateXParam(&x);
  xparam::NodePtr native;
  module->CreateXParam(native.Receive());
  BSTR names[kChildren];
  for (int i = 0; i < kChildren; ++i) {
    names[i] = SysAllocString(ChildName(i).c_str());
    x->put_Long(names[i], i);
    xparam::NodePtr child;
    native->CreateNode(child.Receive());
    child->SetName(names[i], static_cast<int>(SysStringLen(names[i])));
    child->SetLong(i);
    native->PushBackChild(child.Get());
  }
  long sink = 0;
  double objectTime = Best([&] {
    for (int r = 0; r < kRounds; ++r) {
      BSTR n = names[r % kChildren];
      x->put_Long(n, r);
      LONG v = 0;
      x->get_Long(n, &v);
      sink += v;
    }
  });
  double nativeTime = Best([&] {
    for (int r = 0; r < kRounds; ++r) {
      BSTR n = names[r % kChildren];
      int len = static_cast<int>(SysStringLen(n));
      xparam::NodePtr c;
      if (native->FindFirstChild(n, len, 0, c.Receive())) c->SetLong(r);
      xparam::NodePtr c2;
      long v = 0;
      if (native->FindFirstChild(n, len, 0, c2.Receive())) c2->GetLong(&v);
      sink += v;
    }
  });
  std::printf("Long put+get by name, %d children: object %.1f ns, native %.1f ns, ratio %.2f (target <= 2.0)\n",
              kChildren, objectTime / kRounds * 1e9, nativeTime / kRounds * 1e9, objectTime / nativeTime);

  // A tree of about 1 MB of XML.
  IXParam* big = nullptr;
  ox->OxCreateXParam(&big);
  BSTR rootName = SysAllocString(L"doc");
  big->SetName(rootName);
  BSTR text = SysAllocString(L"some text value of moderate length, with <markup> & entities");
  for (int i = 0; i < 9000; ++i) {
    IXParam* item = nullptr;
    big->Clone(VARIANT_FALSE, &item);
    BSTR n = SysAllocString(L"item");
    item->SetName(n);
    item->put_Bstr(nullptr, text);
    item->put_Long(names[i % kChildren], i);
    big->PushBackChild(item);
    item->Release();
    SysFreeString(n);
  }
  BSTR xml = nullptr;
  big->ToXmlString(nullptr, nullptr, &xml);
  double mb = SysStringLen(xml) / 1e6;  // MB of the document as UTF-8 text (ASCII here)
  // Parsed once first: both sides then write the same tree, laid out in
  // memory as the reader builds it.
  big->FromXmlString(xml);
  double toObject = Best([&] {
    BSTR s = nullptr;
    big->ToXmlString(nullptr, nullptr, &s);
    SysFreeString(s);
  });
  double fromObject = Best([&] { big->FromXmlString(xml); });
  void* cpp = nullptr;
  big->GetCppXParam(&cpp);
  xparam::NodePtr bigNative;
  bigNative.Attach(static_cast<xparam::XParamNode*>(cpp));
  double toNative = Best([&] {
    xparam::DocWriter* w = module->CreateDocWriter();
    int len = 0;
    xparam::Holder h;
    w->WriteString(bigNative.Get(), &len, nullptr, nullptr, &h);
    w->Destroy();
  });
  double fromNative = Best([&] {
    xparam::DocReader* r = module->CreateDocReader();
    r->ParseString(xml, static_cast<int>(SysStringLen(xml)));
    r->Destroy();
  });
  std::printf("ToXmlString %.2f MB: object %.1f MB/s, native %.1f MB/s, ratio %.2f (target <= 1.3)\n", mb,
              mb / toObject, mb / toNative, toObject / toNative);
  // Both sides end by copying the text once into fresh memory (a BSTR, a
  // string): where page faults are slow, that first touch is a large share.
  double copyOnly = Best([&] { SysFreeString(SysAllocStringLen(xml, SysStringLen(xml))); });
  std::printf("  a new BSTR of the text: %.2f ms of %.2f ms\n", copyOnly * 1e3, toObject * 1e3);
  std::printf("FromXmlString %.2f MB: object %.1f MB/s, native %.1f MB/s, ratio %.2f (target <= 1.3)\n", mb,
              mb / fromObject, mb / fromNative, fromObject / fromNative);

  SysFreeString(xml);
  SysFreeString(text);
  SysFreeString(rootName);
  for (BSTR n : names) SysFreeString(n);
  bigNative.Reset();
  native.Reset();
  big->Release();
  x->Release();
  ox->Uninit();
  ox->Release();
  return sink == 42 ? 2 : 0;  // keeps the loops from being optimised away
}
