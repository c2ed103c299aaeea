// xparam.dll: trees of named nodes, one typed value each, ordered children,
// and their XML form.
//
// Binding: LoadLibraryW("xparam.dll"), then GetProcAddress of
// "GetCppModuleInterface" and "FreeCppModuleInterface". The first fills a
// ModuleInterface pointer, the second hands it back (and nulls it). Nodes,
// readers and writers stay valid after FreeCppModuleInterface as long as the
// library stays loaded.
//
// All interfaces are abstract classes of __stdcall virtual methods without a
// virtual destructor; objects are released through their own Release/Destroy
// so that memory is always freed by the library that allocated it.
//
// Lengths: a length of -1 means "NUL-terminated". Returned text is NOT
// NUL-terminated unless said; use the returned length.
//
// XML form (what DocWriter writes and DocReader reads back unchanged):
//
//   <?xml version="1.0" encoding="utf-8"?>
//   <config>
//     <title>a &lt; b</title>                   string: plain text, no mark
//     <count xp.type="int">3</count>            other kinds: "xp.type" mark
//     <list xp.type="bool" xp.value="true">     value beside children
//       <item/>                                 empty value (type 0)
//     </list>
//     <xp.node xp.name="1st"/>                  name that is no XML name
//   </config>
//
// - One element per node, named after the node. A name that is not an XML
//   Name (empty, leading digit, spaces, NULs, leading ':'...) is written as
//   element "xp.node" with attribute "xp.name" holding the name in escaped
//   form (below).
// - "xp.type" names the kind: char uchar short ushort long ulong longlong
//   ulonglong int uint float double longdouble bool pointer unknown dispatch
//   string blob, plus "escaped". No mark: a string when there is text, the
//   empty value (type 0) when there is none.
// - Numbers in decimal; float and double in the shortest form that reads
//   back to the same bits, "inf", "-inf", "nan"; bool "true"/"false";
//   pointer "0x" and hex (meaningful in this process only); blob in base64
//   (whitespace inside is skipped on reading). Interfaces cannot be written:
//   the mark is written alone and reads back as the empty value. The empty
//   string is marked "string".
// - Strings holding characters XML cannot carry (NUL, C0 controls other than
//   tab/LF/CR, U+FFFE, U+FFFF, lone surrogates) are marked "escaped": "\\"
//   stands for a backslash and "\uXXXX" (4 hex digits) for one UTF-16 unit.
//   Everything else, including characters outside the BMP, is plain text;
//   CR is written "&#13;" so that it survives end-of-line handling.
// - A node without children carries its value as the element's text, except
//   text that is only whitespace, which goes to "xp.value" (a parser drops
//   blank text as layout). A node with children carries its value in
//   attribute "xp.value" and its children as child elements.
// - Layout: the line break after the declaration and between elements, and
//   the indent repeated once per depth before each element; both must be
//   XML whitespace (or null/empty), else writing fails. Leaf text is never
//   re-indented, so values keep every character.
// - Encodings: WriteString declares "utf-16" (the text is UTF-16); WriteFile
//   writes UTF-8 without BOM ("utf-8", "utf8", null or empty) or UTF-16LE with
//   BOM ("utf-16", "utf16"), case-insensitive, and declares that name.
//
// Reading foreign documents:
// - Attributes other than the "xp." marks become string children, in
//   document order, before the element children.
// - Text of an element with child elements: its non-blank text pieces and
//   its CDATA sections, concatenated. Text of an element without children:
//   all of it, CDATA included, entities decoded, CR LF and lone CR read as
//   LF (XML end-of-line handling); blank-only text reads as the empty value.
// - Comments, processing instructions and a DOCTYPE without entity
//   definitions are skipped; the declaration's encoding is not consulted
//   (bytes are decoded by their BOM).
// - Refused (the reader answers false and keeps its previous document):
//   bytes that are not UTF-8 (with or without BOM) or UTF-16 with BOM,
//   characters XML forbids, anything not well-formed (mismatched or missing
//   tags, several roots, text outside the root, unknown entities, stray '&',
//   '<' in attributes, duplicate attributes, unquoted attributes), elements
//   nested deeper than 1000 levels, and marks that do not parse (unknown
//   "xp.type", a number out of its kind's range, bad base64 or escapes).
#ifndef XPARAM_XPARAM_H
#define XPARAM_XPARAM_H

#include <unknwn.h>
#include <oaidl.h>

#define XPARAM_CALL __stdcall

namespace xparam {

// Type codes answered by XParamNode::GetType.
enum ValueType : int {
  kTypeEmpty = 0,
  kTypeChar = 17,        // signed 8-bit
  kTypeUChar = 18,       // unsigned 8-bit
  kTypeShort = 19,       // signed 16-bit
  kTypeUShort = 20,      // unsigned 16-bit
  kTypeLong = 21,        // signed 32-bit
  kTypeULong = 22,       // unsigned 32-bit
  kTypeLongLong = 23,    // signed 64-bit
  kTypeULongLong = 24,   // unsigned 64-bit
  kTypeInt = 25,         // int
  kTypeUInt = 26,        // unsigned int
  kTypeFloat = 27,       // float
  kTypeDouble = 28,      // double
  kTypeLongDouble = 29,  // extended double; read from XML only, held as a double
  kTypeBool = 30,        // bool
  kTypePointer = 49,     // untyped pointer (not portable across processes)
  kTypeUnknown = 51,     // IUnknown*, the node holds a reference
  kTypeDispatch = 52,    // IDispatch*, the node holds a reference
  kTypeString = 80,      // UTF-16 text of known length, NULs allowed
  kTypeBlob = 81,        // bytes
};

// Keeps data returned by a getter alive until Release (or destruction).
class HolderData {
 public:
  virtual void XPARAM_CALL Release() = 0;
};

class Holder {
 public:
  Holder() = default;
  ~Holder() { Release(); }
  Holder(const Holder&) = delete;
  Holder& operator=(const Holder&) = delete;
  void Release() {
    if (data_) {
      HolderData* d = data_;
      data_ = nullptr;
      d->Release();
    }
  }
  // Used by the library: takes over one reference of d.
  void Reset(HolderData* d) {
    Release();
    data_ = d;
  }
  bool Empty() const { return data_ == nullptr; }

 private:
  HolderData* data_ = nullptr;
};

// A node of a tree. Reference-counted (interlocked). A parent holds a
// reference to each child, so a node keeps its subtree alive; a child's link
// to its parent is weak and is cleared when the parent dies or drops it.
//
// Operations that hand out a node (XParamNode** out) add a reference for the
// caller and answer false, with *out null, when there is no such node.
// Structural changes are not synchronised: callers sharing a tree across
// threads serialise their access to it.
class XParamNode {
 public:
  virtual unsigned long XPARAM_CALL AddRef() = 0;
  virtual unsigned long XPARAM_CALL Release() = 0;

  // A deep copy (name, value, children), unattached.
  virtual bool XPARAM_CALL Clone(XParamNode** out) = 0;
  // A new unnamed, empty, unattached node.
  virtual bool XPARAM_CALL CreateNode(XParamNode** out) = 0;

  virtual int XPARAM_CALL GetType() = 0;
  virtual bool XPARAM_CALL GetName(const wchar_t** text, int* length, Holder* holder) = 0;
  virtual bool XPARAM_CALL SetName(const wchar_t* text, int length) = 0;
  // Accepted for compatibility; mode 0 is the only mode and nothing changes
  // (any other mode answers false).
  virtual bool XPARAM_CALL SetNodeMode(int mode) = 0;

  // Getters answer false, leaving *value untouched, when the value does not
  // convert. Conversions: decimal text to every integer kind (range-checked);
  // "true"/"false"/"1"/"0" (any case) to bool; integers between widths when
  // the value fits; integers and bools to floating point; float <-> double.
  virtual bool XPARAM_CALL GetChar(signed char* value) = 0;
  virtual bool XPARAM_CALL GetUChar(unsigned char* value) = 0;
  virtual bool XPARAM_CALL GetShort(short* value) = 0;
  virtual bool XPARAM_CALL GetUShort(unsigned short* value) = 0;
  virtual bool XPARAM_CALL GetLong(long* value) = 0;
  virtual bool XPARAM_CALL GetULong(unsigned long* value) = 0;
  virtual bool XPARAM_CALL GetLongLong(long long* value) = 0;
  virtual bool XPARAM_CALL GetULongLong(unsigned long long* value) = 0;
  virtual bool XPARAM_CALL GetInt(int* value) = 0;
  virtual bool XPARAM_CALL GetUInt(unsigned int* value) = 0;
  virtual bool XPARAM_CALL GetFloat(float* value) = 0;
  virtual bool XPARAM_CALL GetDouble(double* value) = 0;
  virtual bool XPARAM_CALL GetBool(bool* value) = 0;
  virtual bool XPARAM_CALL GetPointer(void** value) = 0;
  // Hand out an added reference (the caller releases it); a stored null
  // interface answers true with null. GetUnknown on a stored IDispatch
  // answers the object's IUnknown (through QueryInterface); GetDispatch on a
  // stored IUnknown answers false.
  virtual bool XPARAM_CALL GetUnknown(IUnknown** value) = 0;
  virtual bool XPARAM_CALL GetDispatch(IDispatch** value) = 0;
  // Text of any stored kind: numbers in their decimal form, bool as
  // "true"/"false", the empty value as "". Blobs, pointers and interfaces do
  // not convert. Without a holder (null), only text the node stores itself is
  // answered (valid until the value or name changes); converted text needs
  // one. GetName and GetBlob likewise.
  virtual bool XPARAM_CALL GetString(const wchar_t** text, int* length, Holder* holder) = 0;
  virtual bool XPARAM_CALL GetBlob(const unsigned char** data, unsigned int* size, Holder* holder) = 0;

  // Setters replace the value and its type. Interfaces are held with a
  // reference of the node's own, released when replaced or when the node dies.
  virtual bool XPARAM_CALL SetChar(signed char value) = 0;
  virtual bool XPARAM_CALL SetUChar(unsigned char value) = 0;
  virtual bool XPARAM_CALL SetShort(short value) = 0;
  virtual bool XPARAM_CALL SetUShort(unsigned short value) = 0;
  virtual bool XPARAM_CALL SetLong(long value) = 0;
  virtual bool XPARAM_CALL SetULong(unsigned long value) = 0;
  virtual bool XPARAM_CALL SetLongLong(long long value) = 0;
  virtual bool XPARAM_CALL SetULongLong(unsigned long long value) = 0;
  virtual bool XPARAM_CALL SetInt(int value) = 0;
  virtual bool XPARAM_CALL SetUInt(unsigned int value) = 0;
  virtual bool XPARAM_CALL SetFloat(float value) = 0;
  virtual bool XPARAM_CALL SetDouble(double value) = 0;
  virtual bool XPARAM_CALL SetBool(bool value) = 0;
  virtual bool XPARAM_CALL SetPointer(void* value) = 0;
  virtual bool XPARAM_CALL SetUnknown(IUnknown* value) = 0;
  virtual bool XPARAM_CALL SetDispatch(IDispatch* value) = 0;
  virtual bool XPARAM_CALL SetString(const wchar_t* text, int length) = 0;
  virtual bool XPARAM_CALL SetBlob(const void* data, unsigned int size) = 0;
  virtual bool XPARAM_CALL SetEmpty() = 0;

  // Navigation.
  virtual bool XPARAM_CALL GetParent(XParamNode** out) = 0;
  virtual bool XPARAM_CALL GetFirstChild(XParamNode** out) = 0;
  virtual bool XPARAM_CALL GetLastChild(XParamNode** out) = 0;
  // The first child element; same as GetFirstChild.
  virtual bool XPARAM_CALL GetHeadChild(XParamNode** out) = 0;
  virtual bool XPARAM_CALL GetPrevSibling(XParamNode** out) = 0;
  virtual bool XPARAM_CALL GetNextSibling(XParamNode** out) = 0;
  // Nearest sibling before / after this one with the same name.
  virtual bool XPARAM_CALL GetPrevNamesake(XParamNode** out) = 0;
  virtual bool XPARAM_CALL GetNextNamesake(XParamNode** out) = 0;
  // The child of that name at offset k counted from the first (last) one:
  // offset 0 is the first (last) child of that name. Negative offsets find none.
  virtual bool XPARAM_CALL FindFirstChild(const wchar_t* name, int length, int offset, XParamNode** out) = 0;
  virtual bool XPARAM_CALL FindLastChild(const wchar_t* name, int length, int offset, XParamNode** out) = 0;
  virtual int XPARAM_CALL GetChildrenCount() = 0;

  // Linking takes that very node (not a copy). A node that already has a
  // parent is moved. Linking a node under itself or its own descendant, or
  // next to a reference node that is not a child of this node, answers false
  // and changes nothing.
  virtual bool XPARAM_CALL PushBackChild(XParamNode* child) = 0;
  virtual bool XPARAM_CALL PushFrontChild(XParamNode* child) = 0;
  virtual bool XPARAM_CALL InsertBefore(XParamNode* reference, XParamNode* child) = 0;
  virtual bool XPARAM_CALL InsertAfter(XParamNode* reference, XParamNode* child) = 0;
  // Unlinking: the dropped node lives on while someone holds it.
  // Nodes of another implementation of this interface are refused. DropSelf
  // on a node without parent answers false.
  virtual bool XPARAM_CALL DropChild(XParamNode* child) = 0;
  virtual bool XPARAM_CALL DropSelf() = 0;
  virtual bool XPARAM_CALL ClearChildren() = 0;
};

// Holds one reference to a node (or none).
class NodePtr {
 public:
  NodePtr() = default;
  NodePtr(XParamNode* p) : p_(p) {  // adds a reference
    if (p_) p_->AddRef();
  }
  NodePtr(const NodePtr& o) : NodePtr(o.p_) {}
  NodePtr(NodePtr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
  ~NodePtr() { Reset(); }
  NodePtr& operator=(const NodePtr& o) {
    NodePtr(o).Swap(*this);
    return *this;
  }
  NodePtr& operator=(NodePtr&& o) noexcept {
    NodePtr(static_cast<NodePtr&&>(o)).Swap(*this);
    return *this;
  }
  void Reset() {
    if (p_) {
      XParamNode* p = p_;
      p_ = nullptr;
      p->Release();
    }
  }
  // Takes over a reference the caller already owns.
  void Attach(XParamNode* p) {
    Reset();
    p_ = p;
  }
  XParamNode* Detach() {
    XParamNode* p = p_;
    p_ = nullptr;
    return p;
  }
  // For out parameters: releases the current node and exposes the slot.
  XParamNode** Receive() {
    Reset();
    return &p_;
  }
  void Swap(NodePtr& o) noexcept {
    XParamNode* t = p_;
    p_ = o.p_;
    o.p_ = t;
  }
  XParamNode* Get() const { return p_; }
  XParamNode* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  bool operator==(const NodePtr& o) const { return p_ == o.p_; }
  bool operator!=(const NodePtr& o) const { return p_ != o.p_; }

 private:
  XParamNode* p_ = nullptr;
};

// Parses XML into a document node: an unnamed node whose only child (its
// GetHeadChild) is the root element.
class DocReader {
 public:
  // UTF-16 text; length -1: NUL-terminated.
  virtual bool XPARAM_CALL ParseString(const wchar_t* text, int length) = 0;
  // Encoded bytes: UTF-8 with or without BOM, or UTF-16 (LE/BE) with BOM.
  virtual bool XPARAM_CALL ParseMemory(const void* data, unsigned int size) = 0;
  virtual bool XPARAM_CALL LoadFile(const wchar_t* path) = 0;
  // The document of the last successful parse, with an added reference.
  virtual bool XPARAM_CALL GetDocument(XParamNode** out) = 0;
  virtual void XPARAM_CALL Destroy() = 0;
};

// Receives the text of WriteStringTo: answers room for exactly `length`
// characters, which the writer then fills (no terminating NUL is written), or
// null to refuse, which fails the write.
class TextTarget {
 public:
  virtual wchar_t* XPARAM_CALL Reserve(int length) = 0;
};

// Writes a node as XML. A named node is written as the root element; an
// unnamed node is written as a document, its only child being the root
// element (an unnamed node with a value or with other than one child cannot
// be written and answers false/null).
class DocWriter {
 public:
  // Answers the text (valid until *holder is released) and its length in
  // *length, or null on failure (a holder is required). indent and lineBreak
  // may be null (none).
  virtual const wchar_t* XPARAM_CALL WriteString(XParamNode* node, int* length, const wchar_t* indent,
                                                 const wchar_t* lineBreak, Holder* holder) = 0;
  // encoding: "utf-8" (default when null or empty) or "utf-16"; any other
  // answers false. Replaces the file atomically: the document goes to a new
  // file beside the target, which then replaces it; on any failure the old
  // file is untouched and the new one removed.
  virtual bool XPARAM_CALL WriteFile(XParamNode* node, const wchar_t* path, const wchar_t* indent,
                                     const wchar_t* lineBreak, const wchar_t* encoding) = 0;
  virtual void XPARAM_CALL Destroy() = 0;
  // The text of WriteString, copied once into memory the target provides:
  // for callers that hand the text out in a buffer of their own kind. False
  // on failure, and when the target refuses.
  virtual bool XPARAM_CALL WriteStringTo(XParamNode* node, const wchar_t* indent, const wchar_t* lineBreak,
                                         TextTarget* target) = 0;
};

class ModuleInterface {
 public:
  // A new, unnamed, empty root node with one reference for the caller.
  virtual bool XPARAM_CALL CreateXParam(XParamNode** out) = 0;
  virtual DocReader* XPARAM_CALL CreateDocReader() = 0;
  virtual DocWriter* XPARAM_CALL CreateDocWriter() = 0;
};

typedef bool(XPARAM_CALL* GetCppModuleInterfaceFn)(ModuleInterface** module);
typedef bool(XPARAM_CALL* FreeCppModuleInterfaceFn)(ModuleInterface** module);

}  // namespace xparam

#endif  // XPARAM_XPARAM_H
