// XParamNode implementation. Children form an intrusive doubly linked list;
// the parent owns one reference to each child, a child's parent link is weak.
// Destruction and Clone walk the tree with explicit work lists, so trees of
// any depth are handled without recursion.
#ifndef XPARAM_SRC_NODE_H
#define XPARAM_SRC_NODE_H

#include <windows.h>

#include "shared_buffer.h"
#include "value.h"
#include "xparam/xparam.h"

namespace xparam {

class Node final : public XParamNode {
 public:
  // A new unattached node with one reference for the caller.
  static Node* New() { return new Node(); }
  // The node behind an interface pointer, or null when it is not one of ours
  // (another implementation of the interface cannot be linked into our trees).
  static Node* FromInterface(XParamNode* p);

  unsigned long XPARAM_CALL AddRef() override;
  unsigned long XPARAM_CALL Release() override;
  bool XPARAM_CALL Clone(XParamNode** out) override;
  bool XPARAM_CALL CreateNode(XParamNode** out) override;
  int XPARAM_CALL GetType() override;
  bool XPARAM_CALL GetName(const wchar_t** text, int* length, Holder* holder) override;
  bool XPARAM_CALL SetName(const wchar_t* text, int length) override;
  bool XPARAM_CALL SetNodeMode(int mode) override;

  bool XPARAM_CALL GetChar(signed char* value) override;
  bool XPARAM_CALL GetUChar(unsigned char* value) override;
  bool XPARAM_CALL GetShort(short* value) override;
  bool XPARAM_CALL GetUShort(unsigned short* value) override;
  bool XPARAM_CALL GetLong(long* value) override;
  bool XPARAM_CALL GetULong(unsigned long* value) override;
  bool XPARAM_CALL GetLongLong(long long* value) override;
  bool XPARAM_CALL GetULongLong(unsigned long long* value) override;
  bool XPARAM_CALL GetInt(int* value) override;
  bool XPARAM_CALL GetUInt(unsigned int* value) override;
  bool XPARAM_CALL GetFloat(float* value) override;
  bool XPARAM_CALL GetDouble(double* value) override;
  bool XPARAM_CALL GetBool(bool* value) override;
  bool XPARAM_CALL GetPointer(void** value) override;
  bool XPARAM_CALL GetUnknown(IUnknown** value) override;
  bool XPARAM_CALL GetDispatch(IDispatch** value) override;
  bool XPARAM_CALL GetString(const wchar_t** text, int* length, Holder* holder) override;
  bool XPARAM_CALL GetBlob(const unsigned char** data, unsigned int* size, Holder* holder) override;

  bool XPARAM_CALL SetChar(signed char value) override;
  bool XPARAM_CALL SetUChar(unsigned char value) override;
  bool XPARAM_CALL SetShort(short value) override;
  bool XPARAM_CALL SetUShort(unsigned short value) override;
  bool XPARAM_CALL SetLong(long value) override;
  bool XPARAM_CALL SetULong(unsigned long value) override;
  bool XPARAM_CALL SetLongLong(long long value) override;
  bool XPARAM_CALL SetULongLong(unsigned long long value) override;
  bool XPARAM_CALL SetInt(int value) override;
  bool XPARAM_CALL SetUInt(unsigned int value) override;
  bool XPARAM_CALL SetFloat(float value) override;
  bool XPARAM_CALL SetDouble(double value) override;
  bool XPARAM_CALL SetBool(bool value) override;
  bool XPARAM_CALL SetPointer(void* value) override;
  bool XPARAM_CALL SetUnknown(IUnknown* value) override;
  bool XPARAM_CALL SetDispatch(IDispatch* value) override;
  bool XPARAM_CALL SetString(const wchar_t* text, int length) override;
  bool XPARAM_CALL SetBlob(const void* data, unsigned int size) override;
  bool XPARAM_CALL SetEmpty() override;

  bool XPARAM_CALL GetParent(XParamNode** out) override;
  bool XPARAM_CALL GetFirstChild(XParamNode** out) override;
  bool XPARAM_CALL GetLastChild(XParamNode** out) override;
  bool XPARAM_CALL GetHeadChild(XParamNode** out) override;
  bool XPARAM_CALL GetPrevSibling(XParamNode** out) override;
  bool XPARAM_CALL GetNextSibling(XParamNode** out) override;
  bool XPARAM_CALL GetPrevNamesake(XParamNode** out) override;
  bool XPARAM_CALL GetNextNamesake(XParamNode** out) override;
  bool XPARAM_CALL FindFirstChild(const wchar_t* name, int length, int offset, XParamNode** out) override;
  bool XPARAM_CALL FindLastChild(const wchar_t* name, int length, int offset, XParamNode** out) override;
  int XPARAM_CALL GetChildrenCount() override;

  bool XPARAM_CALL PushBackChild(XParamNode* child) override;
  bool XPARAM_CALL PushFrontChild(XParamNode* child) override;
  bool XPARAM_CALL InsertBefore(XParamNode* reference, XParamNode* child) override;
  bool XPARAM_CALL InsertAfter(XParamNode* reference, XParamNode* child) override;
  bool XPARAM_CALL DropChild(XParamNode* child) override;
  bool XPARAM_CALL DropSelf() override;
  bool XPARAM_CALL ClearChildren() override;

  // For the reader and writer (same module, no reference counting).
  const TextRef& name() const { return name_; }
  void set_name(TextRef name) { name_ = std::move(name); }
  Value& value() { return value_; }
  Node* parent() const { return parent_; }
  Node* first_child() const { return first_; }
  Node* next_sibling() const { return next_; }
  int child_count() const { return count_; }
  // Links an unattached node as last child, taking over the caller's reference.
  void AppendOwned(Node* child) { Link(child, nullptr); }

 private:
  Node();
  ~Node() = default;
  Node(const Node&) = delete;
  Node& operator=(const Node&) = delete;

  static void DestroyTree(Node* root);
  bool SameName(const Node* other) const;
  bool NameEquals(const wchar_t* text, size_t length) const;
  bool Adoptable(Node* child) const;
  // Links an unattached child before `before` (null: at the end).
  void Link(Node* child, Node* before);
  // Unlinks a child; the reference this node held passes to the caller.
  void Unlink(Node* child);
  // Moves `child` (attached anywhere or not) before `before` here.
  bool Adopt(XParamNode* child, Node* before);
  template <typename T>
  bool SetValue(T apply);

  LONG refs_ = 1;
  Node* parent_ = nullptr;
  Node* prev_ = nullptr;
  Node* next_ = nullptr;
  Node* first_ = nullptr;
  Node* last_ = nullptr;
  int count_ = 0;
  TextRef name_;  // null when unnamed
  Value value_;
};

}  // namespace xparam

#endif  // XPARAM_SRC_NODE_H
