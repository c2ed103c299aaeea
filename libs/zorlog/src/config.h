// The configuration read from "log.property": where lines go and which
// levels each logger writes. The format is described in the README and in
// zorlog.h.
#ifndef ZORLOG_SRC_CONFIG_H
#define ZORLOG_SRC_CONFIG_H

#include <string>
#include <string_view>
#include <vector>

namespace zorlog {
namespace internal {

struct Config {
  // Absolute path of the output file; empty: no file.
  std::wstring file;
  // false: the file is emptied when the configuration is loaded.
  bool append = true;
  // Whether loggers created with kLoggerFlagDebugger write to the debugger
  // stream.
  bool debugger = true;
  // Threshold of loggers without a line of their own.
  int level = 2;
  // "logger.<name>" lines, in file order (a later line for a name wins).
  std::vector<std::pair<std::wstring, int>> logger_levels;

  // The threshold of the logger of that name: its own line matched exactly,
  // else one matched ignoring case, else the default level.
  int LevelFor(std::wstring_view name) const;
};

// Reads the configuration text. base_dir (ending with a separator, or empty)
// anchors a relative output path. Lines that cannot be used are skipped.
Config ParseConfig(std::wstring_view text, const std::wstring& base_dir);

// Reads and parses the file at path. False, with *config set to the defaults,
// when the file cannot be read.
bool ReadConfigFile(const wchar_t* path, Config* config);

}  // namespace internal
}  // namespace zorlog

#endif  // ZORLOG_SRC_CONFIG_H
