// Runs a helper program and collects what it prints.
#ifndef OX_TESTS_CHILDPROCESS_H
#define OX_TESTS_CHILDPROCESS_H

#include <map>
#include <string>

namespace oxtest {

struct ChildResult {
  bool started = false;
  bool timedOut = false;
  unsigned long exitCode = 0;
  std::string output;  // stdout and stderr
  // "key=value" lines of the output.
  std::map<std::string, std::string> Values() const;
};

ChildResult RunChild(const std::wstring& exePath, const std::wstring& arguments, const std::wstring& workDir,
                     unsigned long timeoutMs = 60000);

}  // namespace oxtest

#endif  // OX_TESTS_CHILDPROCESS_H
