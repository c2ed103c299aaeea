#include "node.h"

#include <atomic>
#include <climits>
#include <cstring>
#include <cwchar>
#include <utility>
#include <vector>

namespace xparam {
namespace {

// Every Node shares one vtable; an interface pointer whose vtable differs is
// not ours.
std::atomic<const void*> g_node_vtable{nullptr};

const void* VtableOf(const void* object) {
  const void* vt;
  std::memcpy(&vt, object, sizeof vt);
  return vt;
}

bool Hand(Node* node, XParamNode** out) {
  if (!out) return false;
  *out = node;
  if (!node) return false;
  node->AddRef();
  return true;
}

// Length of a text argument; false for a negative length other than -1 or a
// missing text of positive length.
bool TextLength(const wchar_t* text, int length, size_t* out) {
  if (length == -1) {
    *out = text ? std::wcslen(text) : 0;
    return true;
  }
  if (length < 0 || (!text && length > 0)) return false;
  *out = static_cast<size_t>(length);
  return true;
}

const wchar_t kNoText[] = L"";
const unsigned char kNoBytes[1] = {0};

}  // namespace

Node::Node() { g_node_vtable.store(VtableOf(this), std::memory_order_relaxed); }

Node* Node::FromInterface(XParamNode* p) {
  if (!p) return nullptr;
  const void* ours = g_node_vtable.load(std::memory_order_relaxed);
  if (!ours || VtableOf(p) != ours) return nullptr;
  return static_cast<Node*>(p);
}

unsigned long XPARAM_CALL Node::AddRef() { return static_cast<unsigned long>(InterlockedIncrement(&refs_)); }

unsigned long XPARAM_CALL Node::Release() {
  LONG r = InterlockedDecrement(&refs_);
  if (r == 0) DestroyTree(this);
  return static_cast<unsigned long>(r);
}

void Node::DestroyTree(Node* root) {
  // Dead nodes are chained through their own next_ links: no allocation, no
  // recursion, whatever the depth.
  root->next_ = nullptr;
  Node* pending = root;
  while (pending) {
    Node* dead = pending;
    pending = dead->next_;
    Node* c = dead->first_;
    dead->first_ = dead->last_ = nullptr;
    while (c) {
      Node* following = c->next_;
      c->parent_ = c->prev_ = c->next_ = nullptr;
      if (InterlockedDecrement(&c->refs_) == 0) {
        c->next_ = pending;
        pending = c;
      }
      c = following;
    }
    delete dead;  // releases the value (an interface may run foreign code)
  }
}

bool XPARAM_CALL Node::Clone(XParamNode** out) {
  if (!out) return false;
  *out = nullptr;
  Node* copy = nullptr;
  try {
    copy = new Node();
    copy->name_ = name_;
    Value(value_).Swap(copy->value_);
    std::vector<std::pair<const Node*, Node*>> work{{this, copy}};
    while (!work.empty()) {
      auto [from, to] = work.back();
      work.pop_back();
      for (const Node* c = from->first_; c; c = c->next_) {
        Node* cc = new Node();
        to->Link(cc, nullptr);
        cc->name_ = c->name_;
        Value(c->value_).Swap(cc->value_);
        if (c->first_) work.emplace_back(c, cc);
      }
    }
    *out = copy;
    return true;
  } catch (...) {
    if (copy) copy->Release();
    return false;
  }
}

bool XPARAM_CALL Node::CreateNode(XParamNode** out) {
  if (!out) return false;
  try {
    *out = New();
    return true;
  } catch (...) {
    *out = nullptr;
    return false;
  }
}

int XPARAM_CALL Node::GetType() { return value_.type(); }

bool XPARAM_CALL Node::GetName(const wchar_t** text, int* length, Holder* holder) {
  if (!text) return false;
  try {
    if (name_) {
      *text = name_.get()->data().c_str();
      if (length) *length = static_cast<int>(name_.get()->data().size());
      if (holder) holder->Reset(name_.NewRef());
    } else {
      *text = kNoText;
      if (length) *length = 0;
      if (holder) holder->Reset(nullptr);
    }
    return true;
  } catch (...) {
    return false;
  }
}

bool XPARAM_CALL Node::SetName(const wchar_t* text, int length) {
  try {
    size_t n;
    if (!TextLength(text, length, &n)) return false;
    name_ = n ? MakeText(std::wstring(text, n)) : TextRef();
    return true;
  } catch (...) {
    return false;
  }
}

bool XPARAM_CALL Node::SetNodeMode(int mode) { return mode == 0; }

namespace {

template <typename T>
bool GetSignedAs(const Value& v, T* out, int64_t min, int64_t max) {
  int64_t x;
  if (!out || !v.ToSigned(min, max, &x)) return false;
  *out = static_cast<T>(x);
  return true;
}

template <typename T>
bool GetUnsignedAs(const Value& v, T* out, uint64_t max) {
  uint64_t x;
  if (!out || !v.ToUnsigned(max, &x)) return false;
  *out = static_cast<T>(x);
  return true;
}

}  // namespace

bool XPARAM_CALL Node::GetChar(signed char* value) { return GetSignedAs(value_, value, SCHAR_MIN, SCHAR_MAX); }
bool XPARAM_CALL Node::GetUChar(unsigned char* value) { return GetUnsignedAs(value_, value, UCHAR_MAX); }
bool XPARAM_CALL Node::GetShort(short* value) { return GetSignedAs(value_, value, SHRT_MIN, SHRT_MAX); }
bool XPARAM_CALL Node::GetUShort(unsigned short* value) { return GetUnsignedAs(value_, value, USHRT_MAX); }
bool XPARAM_CALL Node::GetLong(long* value) { return GetSignedAs(value_, value, LONG_MIN, LONG_MAX); }
bool XPARAM_CALL Node::GetULong(unsigned long* value) { return GetUnsignedAs(value_, value, ULONG_MAX); }
bool XPARAM_CALL Node::GetLongLong(long long* value) { return GetSignedAs(value_, value, LLONG_MIN, LLONG_MAX); }
bool XPARAM_CALL Node::GetULongLong(unsigned long long* value) { return GetUnsignedAs(value_, value, ULLONG_MAX); }
bool XPARAM_CALL Node::GetInt(int* value) { return GetSignedAs(value_, value, INT_MIN, INT_MAX); }
bool XPARAM_CALL Node::GetUInt(unsigned int* value) { return GetUnsignedAs(value_, value, UINT_MAX); }

bool XPARAM_CALL Node::GetFloat(float* value) {
  float v;
  if (!value || !value_.ToFloat(&v)) return false;
  *value = v;
  return true;
}

bool XPARAM_CALL Node::GetDouble(double* value) {
  double v;
  if (!value || !value_.ToDouble(&v)) return false;
  *value = v;
  return true;
}

bool XPARAM_CALL Node::GetBool(bool* value) {
  bool v;
  if (!value || !value_.ToBool(&v)) return false;
  *value = v;
  return true;
}

bool XPARAM_CALL Node::GetPointer(void** value) { return value && value_.ToPointer(value); }
bool XPARAM_CALL Node::GetUnknown(IUnknown** value) { return value && value_.ToUnknown(value); }
bool XPARAM_CALL Node::GetDispatch(IDispatch** value) { return value && value_.ToDispatch(value); }

bool XPARAM_CALL Node::GetString(const wchar_t** text, int* length, Holder* holder) {
  if (!text) return false;
  try {
    TextRef t;
    if (!value_.ToText(&t)) return false;
    const std::wstring& s = t.get()->data();
    if (s.size() > static_cast<size_t>(INT_MAX)) return false;
    if (holder) {
      holder->Reset(t.NewRef());
    } else if (t.get() != value_.text().get() && !s.empty()) {
      return false;  // converted text would die with this call
    }
    *text = s.empty() ? kNoText : s.c_str();
    if (length) *length = static_cast<int>(s.size());
    return true;
  } catch (...) {
    return false;
  }
}

bool XPARAM_CALL Node::GetBlob(const unsigned char** data, unsigned int* size, Holder* holder) {
  if (!data || !size) return false;
  BytesRef b;
  if (!value_.ToBytes(&b)) return false;
  const std::vector<unsigned char>& v = b.get()->data();
  if (holder) holder->Reset(b.NewRef());
  *data = v.empty() ? kNoBytes : v.data();
  *size = static_cast<unsigned int>(v.size());
  return true;
}

template <typename T>
bool Node::SetValue(T apply) {
  try {
    Value v;
    apply(v);
    value_.Swap(v);
    return true;  // the old value dies here, after the node is consistent
  } catch (...) {
    return false;
  }
}

bool XPARAM_CALL Node::SetChar(signed char value) {
  return SetValue([&](Value& v) { v.SetSigned(kTypeChar, value); });
}
bool XPARAM_CALL Node::SetUChar(unsigned char value) {
  return SetValue([&](Value& v) { v.SetUnsigned(kTypeUChar, value); });
}
bool XPARAM_CALL Node::SetShort(short value) {
  return SetValue([&](Value& v) { v.SetSigned(kTypeShort, value); });
}
bool XPARAM_CALL Node::SetUShort(unsigned short value) {
  return SetValue([&](Value& v) { v.SetUnsigned(kTypeUShort, value); });
}
bool XPARAM_CALL Node::SetLong(long value) {
  return SetValue([&](Value& v) { v.SetSigned(kTypeLong, value); });
}
bool XPARAM_CALL Node::SetULong(unsigned long value) {
  return SetValue([&](Value& v) { v.SetUnsigned(kTypeULong, value); });
}
bool XPARAM_CALL Node::SetLongLong(long long value) {
  return SetValue([&](Value& v) { v.SetSigned(kTypeLongLong, value); });
}
bool XPARAM_CALL Node::SetULongLong(unsigned long long value) {
  return SetValue([&](Value& v) { v.SetUnsigned(kTypeULongLong, value); });
}
bool XPARAM_CALL Node::SetInt(int value) {
  return SetValue([&](Value& v) { v.SetSigned(kTypeInt, value); });
}
bool XPARAM_CALL Node::SetUInt(unsigned int value) {
  return SetValue([&](Value& v) { v.SetUnsigned(kTypeUInt, value); });
}
bool XPARAM_CALL Node::SetFloat(float value) {
  return SetValue([&](Value& v) { v.SetFloat(value); });
}
bool XPARAM_CALL Node::SetDouble(double value) {
  return SetValue([&](Value& v) { v.SetDouble(kTypeDouble, value); });
}
bool XPARAM_CALL Node::SetBool(bool value) {
  return SetValue([&](Value& v) { v.SetBool(value); });
}
bool XPARAM_CALL Node::SetPointer(void* value) {
  return SetValue([&](Value& v) { v.SetPointer(value); });
}
bool XPARAM_CALL Node::SetUnknown(IUnknown* value) {
  return SetValue([&](Value& v) { v.SetUnknown(value); });
}
bool XPARAM_CALL Node::SetDispatch(IDispatch* value) {
  return SetValue([&](Value& v) { v.SetDispatch(value); });
}
bool XPARAM_CALL Node::SetString(const wchar_t* text, int length) {
  size_t n;
  if (!TextLength(text, length, &n)) return false;
  return SetValue([&](Value& v) { v.SetText(MakeText(std::wstring(text ? text : kNoText, n))); });
}
bool XPARAM_CALL Node::SetBlob(const void* data, unsigned int size) {
  if (!data && size) return false;
  const unsigned char* p = static_cast<const unsigned char*>(data);
  return SetValue([&](Value& v) { v.SetBytes(MakeBytes(std::vector<unsigned char>(p, p + size))); });
}
bool XPARAM_CALL Node::SetEmpty() {
  return SetValue([](Value&) {});
}

bool XPARAM_CALL Node::GetParent(XParamNode** out) { return Hand(parent_, out); }
bool XPARAM_CALL Node::GetFirstChild(XParamNode** out) { return Hand(first_, out); }
bool XPARAM_CALL Node::GetLastChild(XParamNode** out) { return Hand(last_, out); }
bool XPARAM_CALL Node::GetHeadChild(XParamNode** out) { return Hand(first_, out); }
bool XPARAM_CALL Node::GetPrevSibling(XParamNode** out) { return Hand(prev_, out); }
bool XPARAM_CALL Node::GetNextSibling(XParamNode** out) { return Hand(next_, out); }

bool Node::SameName(const Node* other) const {
  const wchar_t* t = other->name_ ? other->name_.get()->data().data() : kNoText;
  size_t n = other->name_ ? other->name_.get()->data().size() : 0;
  return NameEquals(t, n);
}

bool Node::NameEquals(const wchar_t* text, size_t length) const {
  if (!name_) return length == 0;
  const std::wstring& mine = name_.get()->data();
  return mine.size() == length && std::wmemcmp(mine.data(), text, length) == 0;
}

bool XPARAM_CALL Node::GetPrevNamesake(XParamNode** out) {
  Node* n = prev_;
  while (n && !n->SameName(this)) n = n->prev_;
  return Hand(n, out);
}

bool XPARAM_CALL Node::GetNextNamesake(XParamNode** out) {
  Node* n = next_;
  while (n && !n->SameName(this)) n = n->next_;
  return Hand(n, out);
}

bool XPARAM_CALL Node::FindFirstChild(const wchar_t* name, int length, int offset, XParamNode** out) {
  if (out) *out = nullptr;
  size_t n;
  if (!out || !TextLength(name, length, &n) || offset < 0) return false;
  for (Node* c = first_; c; c = c->next_) {
    if (c->NameEquals(name ? name : kNoText, n) && offset-- == 0) return Hand(c, out);
  }
  return false;
}

bool XPARAM_CALL Node::FindLastChild(const wchar_t* name, int length, int offset, XParamNode** out) {
  if (out) *out = nullptr;
  size_t n;
  if (!out || !TextLength(name, length, &n) || offset < 0) return false;
  for (Node* c = last_; c; c = c->prev_) {
    if (c->NameEquals(name ? name : kNoText, n) && offset-- == 0) return Hand(c, out);
  }
  return false;
}

int XPARAM_CALL Node::GetChildrenCount() { return count_; }

bool Node::Adoptable(Node* child) const {
  if (child == this) return false;
  if (!child->first_) return true;  // a leaf is nobody's ancestor: no walk needed
  for (const Node* p = this; p; p = p->parent_) {
    if (p == child) return false;  // child is this node or one of its ancestors
  }
  return true;
}

void Node::Link(Node* child, Node* before) {
  child->parent_ = this;
  child->next_ = before;
  child->prev_ = before ? before->prev_ : last_;
  if (child->prev_) {
    child->prev_->next_ = child;
  } else {
    first_ = child;
  }
  if (before) {
    before->prev_ = child;
  } else {
    last_ = child;
  }
  ++count_;
}

void Node::Unlink(Node* child) {
  if (child->prev_) {
    child->prev_->next_ = child->next_;
  } else {
    first_ = child->next_;
  }
  if (child->next_) {
    child->next_->prev_ = child->prev_;
  } else {
    last_ = child->prev_;
  }
  child->parent_ = child->prev_ = child->next_ = nullptr;
  --count_;
}

bool Node::Adopt(XParamNode* child, Node* before) {
  Node* c = FromInterface(child);
  if (!c || !Adoptable(c)) return false;
  if (c == before) return true;  // already in place
  if (c->parent_) {
    c->parent_->Unlink(c);  // the old parent's reference passes to this node
  } else {
    c->AddRef();
  }
  Link(c, before);
  return true;
}

bool XPARAM_CALL Node::PushBackChild(XParamNode* child) { return Adopt(child, nullptr); }
bool XPARAM_CALL Node::PushFrontChild(XParamNode* child) { return Adopt(child, first_); }

bool XPARAM_CALL Node::InsertBefore(XParamNode* reference, XParamNode* child) {
  Node* r = FromInterface(reference);
  if (!r || r->parent_ != this) return false;
  return Adopt(child, r);
}

bool XPARAM_CALL Node::InsertAfter(XParamNode* reference, XParamNode* child) {
  Node* r = FromInterface(reference);
  if (!r || r->parent_ != this) return false;
  Node* c = FromInterface(child);
  if (!c) return false;
  if (c == r) return true;  // already in place
  return Adopt(c, r->next_ == c ? c->next_ : r->next_);
}

bool XPARAM_CALL Node::DropChild(XParamNode* child) {
  Node* c = FromInterface(child);
  if (!c || c->parent_ != this) return false;
  Unlink(c);
  c->Release();
  return true;
}

bool XPARAM_CALL Node::DropSelf() {
  Node* p = parent_;
  if (!p) return false;
  p->Unlink(this);
  Release();  // the parent's reference; this may be the last one
  return true;
}

bool XPARAM_CALL Node::ClearChildren() {
  Node* c = first_;
  first_ = last_ = nullptr;
  count_ = 0;
  while (c) {
    Node* following = c->next_;
    c->parent_ = c->prev_ = c->next_ = nullptr;
    c->Release();
    c = following;
  }
  return true;
}

}  // namespace xparam
