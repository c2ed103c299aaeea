// A fresh directory under %TEMP%, removed with its contents on destruction.
#ifndef OX_TESTS_TEMPDIR_H
#define OX_TESTS_TEMPDIR_H

#include <initializer_list>
#include <string>

namespace oxtest {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Ends with a backslash.
  const std::wstring& Path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return path_ + name; }

 private:
  std::wstring path_;
};

// Directory of the running test executable, ending with a backslash.
std::wstring ExeDirectory();
bool CopyInto(const std::wstring& sourcePath, const TempDir& dir, const std::wstring& name);
// Copies files built beside the test executable into dir, under their own names.
bool CopyBuilt(const TempDir& dir, std::initializer_list<const wchar_t*> names);
bool WriteTextFile(const std::wstring& path, const std::string& utf8);
bool ReadTextFile(const std::wstring& path, std::string* utf8);
bool FileExists(const std::wstring& path);

}  // namespace oxtest

#endif  // OX_TESTS_TEMPDIR_H
