// Where finished lines go under one configuration: the output file (if any)
// and the debugger stream (if switched on).
#ifndef ZORLOG_SRC_OUTPUT_SINK_H
#define ZORLOG_SRC_OUTPUT_SINK_H

#include <memory>
#include <string>

#include "config.h"

namespace zorlog {
namespace internal {

class FileWriter;

class OutputSink {
 public:
  // Opens the configured file. A file that cannot be opened leaves a sink
  // without file, whose file lines are dropped. Null only without memory.
  static std::shared_ptr<OutputSink> Open(const Config& config);

  bool has_file() const { return file_ != nullptr; }
  bool debugger() const { return debugger_; }

  // Appends one whole line (already UTF-8); lines never interleave.
  bool WriteLine(const std::string& line);
  // Sends a line to the debugger stream.
  static void WriteDebugger(const std::wstring& line);
  void Flush();

 private:
  OutputSink(std::shared_ptr<FileWriter> file, bool debugger) : file_(std::move(file)), debugger_(debugger) {}

  const std::shared_ptr<FileWriter> file_;
  const bool debugger_;
};

}  // namespace internal
}  // namespace zorlog

#endif  // ZORLOG_SRC_OUTPUT_SINK_H
