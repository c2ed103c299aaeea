// One open output file, shared by every sink of the process that writes to
// it: two modules, or the old and new output across a LoadConfig, append
// through one handle under one lock, so their lines never overlap.
#ifndef ZORLOG_SRC_FILE_WRITER_H
#define ZORLOG_SRC_FILE_WRITER_H

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>

namespace zorlog {
namespace internal {

class FileWriter {
 public:
  // The writer of that absolute path, opened (with its missing folders) if
  // no sink holds it yet. append false empties the file first. Null when the
  // file cannot be opened.
  static std::shared_ptr<FileWriter> Open(const std::wstring& path, bool append);
  ~FileWriter();
  FileWriter(const FileWriter&) = delete;
  FileWriter& operator=(const FileWriter&) = delete;

  // Appends one whole line with one WriteFile under the lock.
  bool Write(const std::string& bytes);
  void Flush();

 private:
  explicit FileWriter(HANDLE file) : file_(file) {}

  const HANDLE file_;
  std::mutex mutex_;
};

}  // namespace internal
}  // namespace zorlog

#endif  // ZORLOG_SRC_FILE_WRITER_H
