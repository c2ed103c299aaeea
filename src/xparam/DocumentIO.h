// Reading and writing the runtime's own documents (registry documents, the
// runtime document, options, preload lists, application documents) through
// the document binding of xparam.dll.
//
// Reading rules shared by every document: any root element name is accepted;
// a field comes from the first child of its name; a field whose node is
// missing or holds another kind of value keeps the value it had. Writing:
// indent "\t", line break "\r\n", encoding "utf-8"; GUIDs as the 38-character
// text of StringFromGUID2, read back with CLSIDFromString.
#ifndef OXCORE_XPARAM_DOCUMENTIO_H
#define OXCORE_XPARAM_DOCUMENTIO_H

#include <windows.h>

#include <string>

#include <xparam/xparam.h>

namespace oxcore {
namespace doc {

// A document read whole from a file; Root() is its root element.
class Document {
 public:
  // False (and no root) when the document binding is absent, the file
  // cannot be read or parsed, or it has no root element.
  bool Load(const std::wstring& path);
  xparam::XParamNode* Root() const { return root_.Get(); }

 private:
  xparam::NodePtr root_;
};

// The first child of parent named name, or null.
xparam::NodePtr FirstChild(xparam::XParamNode* parent, const wchar_t* name);
// The next sibling bearing node's name, or null.
xparam::NodePtr NextNamesake(xparam::XParamNode* node);

// Value readers: false, with *out untouched, for a null node or a node that
// holds another kind of value.
bool ReadString(xparam::XParamNode* node, std::wstring* out);
bool ReadUShort(xparam::XParamNode* node, unsigned short* out);
bool ReadBool(xparam::XParamNode* node, bool* out);
// A string node that CLSIDFromString accepts; any other node leaves GUID_NULL.
GUID ReadGuid(xparam::XParamNode* node);

// Field readers: the first child of parent named name, read as above.
void ReadStringField(xparam::XParamNode* parent, const wchar_t* name, std::wstring* out);
void ReadUShortField(xparam::XParamNode* parent, const wchar_t* name, unsigned short* out);
void ReadBoolField(xparam::XParamNode* parent, const wchar_t* name, bool* out);
void ReadGuidField(xparam::XParamNode* parent, const wchar_t* name, GUID* out);

// The StringFromGUID2 text of guid ("{XXXXXXXX-...}", 38 characters).
std::wstring GuidText(const GUID& guid);

// Builds a document below a scratch root and writes it. Nodes are named,
// given node mode 0 and appended to their parent as they are made.
class DocumentBuilder {
 public:
  // False when the document binding is absent.
  bool Begin();
  // The root element (named when written).
  xparam::XParamNode* Root() const { return root_.Get(); }

  // A new child element of parent, appended last; null on failure.
  xparam::NodePtr AddElement(xparam::XParamNode* parent, const wchar_t* name);
  bool AddString(xparam::XParamNode* parent, const wchar_t* name, const std::wstring& value);
  bool AddUShort(xparam::XParamNode* parent, const wchar_t* name, unsigned short value);
  bool AddGuid(xparam::XParamNode* parent, const wchar_t* name, const GUID& value);

  // Names the root element rootName and writes the document to path
  // (replacing the file only when the whole document was written).
  bool Write(const wchar_t* rootName, const std::wstring& path);

 private:
  xparam::NodePtr scratch_;
  xparam::NodePtr root_;
  bool failed_ = false;
};

}  // namespace doc
}  // namespace oxcore

#endif  // OXCORE_XPARAM_DOCUMENTIO_H
