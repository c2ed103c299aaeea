// Numbers and booleans as text: the one format shared by GetString and the
// XML form. Floating point uses the shortest text that reads back to the same
// bits ("inf", "-inf" and "nan" for the special values). Parsers accept
// surrounding XML whitespace and nothing else around the number.
#ifndef XPARAM_SRC_TEXT_FORMAT_H
#define XPARAM_SRC_TEXT_FORMAT_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace xparam {

std::wstring FormatSigned(int64_t value);
std::wstring FormatUnsigned(uint64_t value);
std::wstring FormatDouble(double value);
std::wstring FormatFloat(float value);
std::wstring FormatPointer(const void* value);  // "0x" and hex digits

// Decimal integer with an optional sign; false on overflow of 64 bits.
bool ParseInteger(const wchar_t* text, size_t length, bool* negative, uint64_t* magnitude);
bool ParseDouble(const wchar_t* text, size_t length, double* value);
bool ParseFloat(const wchar_t* text, size_t length, float* value);
// "true"/"false"/"1"/"0", any case.
bool ParseBool(const wchar_t* text, size_t length, bool* value);
bool ParsePointer(const wchar_t* text, size_t length, void** value);

inline bool IsXmlSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

}  // namespace xparam

#endif  // XPARAM_SRC_TEXT_FORMAT_H
