// Level names and numbers as they appear in "log.property" and in lines.
#ifndef ZORLOG_SRC_LEVELS_H
#define ZORLOG_SRC_LEVELS_H

#include <string_view>

namespace zorlog {
namespace internal {

// A threshold read from text: a number 0..6 or a name (trace, debug, info,
// warn or warning, error, fatal, off), case-insensitive. False for anything
// else, leaving *level alone.
bool ParseLevel(std::wstring_view text, int* level);

// Whether a message of this level can ever be written (trace..fatal).
inline bool IsMessageLevel(int level) { return level >= 0 && level < 6; }
// Whether this is a threshold (trace..off).
inline bool IsThreshold(int level) { return level >= 0 && level <= 6; }

// The tag of a message level in a line, padded to five characters
// ("TRACE", "INFO "); "?????" outside trace..fatal.
const wchar_t* LevelTag(int level);

}  // namespace internal
}  // namespace zorlog

#endif  // ZORLOG_SRC_LEVELS_H
