#include "ChildProcess.h"

#include <windows.h>

#include <sstream>
#include <thread>

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

ChildResult RunChild(const std::wstring& exePath, const std::wstring& arguments, const std::wstring& workDir,
                     unsigned long timeoutMs) {
  ChildResult result;
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return result;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

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
  std::thread reader([&] {
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, buf, sizeof buf, &got, nullptr) && got > 0) result.output.append(buf, got);
  });
  if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_TIMEOUT) {
    result.timedOut = true;
    TerminateProcess(pi.hProcess, 99);
    WaitForSingleObject(pi.hProcess, INFINITE);
  }
  reader.join();
  GetExitCodeProcess(pi.hProcess, &result.exitCode);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  CloseHandle(readEnd);
  return result;
}

}  // namespace oxtest
