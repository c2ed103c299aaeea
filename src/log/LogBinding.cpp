#include "log/LogBinding.h"

#include <windows.h>

#include <atomic>
#include <cstdarg>
#include <cwchar>

namespace oxlog {
namespace {

enum : LONG { kNone = 0, kBeingMade = 1, kReady = 2 };

LONG g_state = kNone;
zorlog::LogModuleInterface* g_module = nullptr;
std::atomic<zorlog::Logger*> g_msgbus{nullptr};
std::atomic<zorlog::Logger*> g_comreg{nullptr};

void Bind() {
  HMODULE lib = LoadLibraryW(L"zorlog.dll");
  if (!lib) return;
  auto get = reinterpret_cast<zorlog::GetCppModuleInterfaceFn>(
      reinterpret_cast<void*>(GetProcAddress(lib, "GetCppModuleInterface")));
  if (!get) return;
  zorlog::LogModuleInterface* module = nullptr;
  get(&module);
  if (!module) return;
  g_module = module;

  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return;
  wchar_t* cut = wcsrchr(path, L'\\');
  wchar_t* start = cut ? cut + 1 : path;
  const wchar_t kName[] = L"log.property";
  size_t room = MAX_PATH - static_cast<size_t>(start - path) - 1;
  wcsncpy(start, kName, room);
  path[MAX_PATH - 1] = L'\0';
  module->LoadConfig(path);
}

}  // namespace

zorlog::LogModuleInterface* LogModule() {
  for (;;) {
    LONG state = InterlockedCompareExchange(&g_state, kBeingMade, kNone);
    if (state == kReady) return g_module;
    if (state == kNone) {
      Bind();
      InterlockedExchange(&g_state, kReady);
      return g_module;
    }
    Sleep(1);  // another thread is binding
  }
}

void CreateLoggers() {
  zorlog::LogModuleInterface* module = LogModule();
  if (!module) return;
  g_msgbus = module->CreateLogger(L"msgbus", 1);
  g_comreg = module->CreateLogger(L"OxComReg", 1);
}

void ReleaseLoggers() {
  zorlog::LogModuleInterface* module = g_module;
  zorlog::Logger* comreg = g_comreg.exchange(nullptr);
  zorlog::Logger* msgbus = g_msgbus.exchange(nullptr);
  if (!module) return;
  if (comreg) module->ReleaseLogger(comreg);
  if (msgbus) module->ReleaseLogger(msgbus);
}

void AbandonLoggers() {
  g_comreg = nullptr;
  g_msgbus = nullptr;
}

zorlog::Logger* MsgBusLogger() { return g_msgbus; }
zorlog::Logger* ComRegLogger() { return g_comreg; }

bool TraceEnabled(zorlog::Logger* logger) { return logger && logger->IsLevelEnabled(kTrace); }

void Write(zorlog::Logger* logger, int level, const wchar_t* format, ...) {
  if (!logger) return;
  va_list args;
  va_start(args, format);
  logger->Log(level, format, args);
  va_end(args);
}

}  // namespace oxlog
