// A strict pass over a document before RapidXML builds its tree. RapidXML is
// lenient (it accepts several roots, unknown entities, stray '&' and '<' in
// attributes, and stops silently at a NUL byte) and recursive, so this pass
// rejects what is not well-formed XML and documents nested deeper than the
// limit, which keeps RapidXML's recursion bounded.
#ifndef XPARAM_SRC_XML_LEXER_H
#define XPARAM_SRC_XML_LEXER_H

#include <cstddef>
#include <string>

namespace xparam {

// Elements nested deeper than this are refused by the reader.
constexpr size_t kMaxXmlDepth = 1000;

// Checks that the bytes are UTF-8 made of XML characters and applies XML's
// end-of-line handling (CR LF and lone CR become LF) in place.
bool NormalizeXmlText(std::string* text);

// Checks the structure of a normalized document: one root element, matched
// tags, quoted attributes without '<', known entities and character
// references, markup (comments, CDATA, processing instructions, DOCTYPE)
// terminated, nesting within kMaxXmlDepth.
bool CheckXmlStructure(const std::string& text);

}  // namespace xparam

#endif  // XPARAM_SRC_XML_LEXER_H
