// Pieces of the XML form shared by the reader and the writer: the marker
// attributes, the type names, element-name validity and the escaped text form
// for characters that XML cannot carry.
#ifndef XPARAM_SRC_XML_NAMES_H
#define XPARAM_SRC_XML_NAMES_H

#include <cstddef>
#include <string>

namespace xparam {

// Marker attributes. Foreign documents rarely use the "xp." prefix; the
// reader treats every other attribute as a string child.
extern const char kAttrType[];   // "xp.type": the value's kind
extern const char kAttrValue[];  // "xp.value": the value of a node with children
extern const char kAttrName[];   // "xp.name": a name that is not an XML name (escaped form)
// Element name used when the node's name cannot be one.
extern const wchar_t kEscapedElement[];  // "xp.node"
// xp.type of a string written in escaped form.
extern const wchar_t kEscapedType[];  // "escaped"

// Type code <-> "xp.type" text; 0 / null when unknown.
const wchar_t* TypeName(int type);
int TypeFromName(const char* name, size_t length);

// True when the text can be an element name as it stands (an XML 1.0 Name
// without a leading colon).
bool IsXmlName(const wchar_t* text, size_t length);
// True when every character can appear in XML (no NUL, no C0 controls other
// than tab/LF/CR, no U+FFFE/U+FFFF, no lone surrogates).
bool IsXmlText(const wchar_t* text, size_t length);

// Escaped form: "\\" for a backslash, "\uXXXX" for each UTF-16 unit that XML
// cannot carry, everything else as it stands.
std::wstring EscapeText(const wchar_t* text, size_t length);
bool UnescapeText(const wchar_t* text, size_t length, std::wstring* out);

}  // namespace xparam

#endif  // XPARAM_SRC_XML_NAMES_H
