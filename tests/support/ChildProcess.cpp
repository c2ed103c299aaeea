#include "ChildProcess.h"

#include <windows.h>

#include <sstream>
#include <string>

namespace oxtest {

std::map<std::string, std::string> ChildResult::Values() const {
  std::map<std::string, std::string> values;
  std::istringstream in(output);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t eq = line.find('=');
    if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return values;
}

namespace {

// How long output may still come after the child has exited. Wine can hand
// the child's end of the pipe on to a process that outlives it (the desktop
// process it starts for COM), so end of file may never come.
const DWORD kGraceAfterExitMs = 1000;

// A pipe whose read end allows overlapped reads, so reading can wait for
// data and for the child's exit together. The write end is inheritable.
bool CreateOutputPipe(HANDLE* readEnd, HANDLE* writeEnd) {
  static LONG serial = 0;
  std::wstring name = L"\\\\.\\pipe\\oxtest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                      std::to_wstring(InterlockedIncrement(&serial));
  *readEnd = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                              PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
  if (*readEnd == INVALID_HANDLE_VALUE) return false;
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  *writeEnd = CreateFileW(name.c_str(), GENERIC_WRITE, 0, &sa, OPEN_EXISTING, 0, nullptr);
  if (*writeEnd == INVALID_HANDLE_VALUE) {
    CloseHandle(*readEnd);
    return false;
  }
  return true;
}

// Reads until every writer has closed the pipe, or until no more output
// came for a grace period after the child exited. Terminates a child that
// runs past timeoutMs.
void CollectOutput(HANDLE readEnd, HANDLE process, unsigned long timeoutMs, ChildResult* result) {
  OVERLAPPED ov{};
  ov.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!ov.hEvent) return;
  const DWORD start = GetTickCount();
  bool exited = false;
  char buf[4096];
  for (;;) {
    ResetEvent(ov.hEvent);
    DWORD got = 0;
    if (!ReadFile(readEnd, buf, sizeof buf, nullptr, &ov) && GetLastError() != ERROR_IO_PENDING) break;
    bool pending = true;
    while (pending) {
      HANDLE waits[2] = {ov.hEvent, process};
      DWORD elapsed = GetTickCount() - start;
      DWORD wait = exited ? WaitForSingleObject(ov.hEvent, kGraceAfterExitMs)
                          : WaitForMultipleObjects(2, waits, FALSE, elapsed < timeoutMs ? timeoutMs - elapsed : 0);
      if (wait == WAIT_OBJECT_0) {
        pending = false;
      } else if (!exited && wait == WAIT_OBJECT_0 + 1) {
        exited = true;
      } else if (!exited) {
        result->timedOut = true;
        TerminateProcess(process, 99);
        WaitForSingleObject(process, INFINITE);
        exited = true;
      } else {
        CancelIo(readEnd);
        GetOverlappedResult(readEnd, &ov, &got, TRUE);
        CloseHandle(ov.hEvent);
        return;
      }
    }
    if (!GetOverlappedResult(readEnd, &ov, &got, FALSE)) break;  // every writer is gone
    result->output.append(buf, got);
  }
  CloseHandle(ov.hEvent);
}

}  // namespace

ChildResult RunChild(const std::wstring& exePath, const std::wstring& arguments, const std::wstring& workDir,
                     unsigned long timeoutMs) {
  ChildResult result;
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreateOutputPipe(&readEnd, &writeEnd)) return result;

  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writeEnd;
  si.hStdError = writeEnd;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi{};
  std::wstring cmd = L"\"" + exePath + L"\" " + arguments;
  BOOL ok = CreateProcessW(exePath.c_str(), &cmd[0], nullptr, nullptr, TRUE, 0, nullptr,
                           workDir.empty() ? nullptr : workDir.c_str(), &si, &pi);
  CloseHandle(writeEnd);
  if (!ok) {
    CloseHandle(readEnd);
    return result;
  }
  result.started = true;
  CollectOutput(readEnd, pi.hProcess, timeoutMs, &result);
  // The child may still run when reading failed early.
  if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_TIMEOUT) {
    result.timedOut = true;
    TerminateProcess(pi.hProcess, 99);
    WaitForSingleObject(pi.hProcess, INFINITE);
  }
  GetExitCodeProcess(pi.hProcess, &result.exitCode);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  CloseHandle(readEnd);
  return result;
}

}  // namespace oxtest
