#include "levels.h"

#include "text.h"

namespace zorlog {
namespace internal {

namespace {

struct LevelName {
  const wchar_t* name;
  int level;
};

constexpr LevelName kNames[] = {
    {L"trace", 0}, {L"debug", 1}, {L"info", 2},  {L"warn", 3},
    {L"warning", 3}, {L"error", 4}, {L"fatal", 5}, {L"off", 6},
};

}  // namespace

bool ParseLevel(std::wstring_view text, int* level) {
  if (text.size() == 1 && text[0] >= L'0' && text[0] <= L'6') {
    *level = text[0] - L'0';
    return true;
  }
  for (const LevelName& entry : kNames) {
    if (EqualsAsciiNoCase(text, entry.name)) {
      *level = entry.level;
      return true;
    }
  }
  return false;
}

const wchar_t* LevelTag(int level) {
  static const wchar_t* const kTags[] = {L"TRACE", L"DEBUG", L"INFO ", L"WARN ", L"ERROR", L"FATAL"};
  return IsMessageLevel(level) ? kTags[level] : L"?????";
}

}  // namespace internal
}  // namespace zorlog
