#include "output_sink.h"

#include <windows.h>

#include <new>

#include "file_writer.h"

namespace zorlog {
namespace internal {

std::shared_ptr<OutputSink> OutputSink::Open(const Config& config) {
  try {
    std::shared_ptr<FileWriter> file = FileWriter::Open(config.file, config.append);
    return std::shared_ptr<OutputSink>(new OutputSink(std::move(file), config.debugger));
  } catch (...) {
    return nullptr;
  }
}

bool OutputSink::WriteLine(const std::string& line) { return file_ && file_->Write(line); }

void OutputSink::WriteDebugger(const std::wstring& line) { OutputDebugStringW(line.c_str()); }

void OutputSink::Flush() {
  if (file_) file_->Flush();
}

}  // namespace internal
}  // namespace zorlog
