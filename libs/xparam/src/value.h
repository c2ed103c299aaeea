// The typed value of one node, and its conversions. Interface values hold a
// reference of their own; text and blobs are shared immutable buffers, so a
// copy is cheap and never aliases mutable state.
#ifndef XPARAM_SRC_VALUE_H
#define XPARAM_SRC_VALUE_H

#include <cstdint>

#include "shared_buffer.h"
#include "xparam/xparam.h"

namespace xparam {

class Value {
 public:
  Value() = default;
  Value(const Value& o);  // adds a reference to a held interface
  Value& operator=(const Value&) = delete;
  ~Value();
  void Swap(Value& o) noexcept;

  int type() const { return type_; }
  // Caller checks the code belongs to the matching family.
  void SetSigned(int type, int64_t v);
  void SetUnsigned(int type, uint64_t v);
  void SetFloat(float v);
  void SetDouble(int type, double v);  // kTypeDouble or kTypeLongDouble
  void SetBool(bool v);
  void SetPointer(void* v);
  void SetUnknown(IUnknown* v);    // adds a reference
  void SetDispatch(IDispatch* v);  // adds a reference
  void SetText(TextRef text);
  void SetBytes(BytesRef bytes);

  bool ToSigned(int64_t min, int64_t max, int64_t* out) const;
  bool ToUnsigned(uint64_t max, uint64_t* out) const;
  bool ToDouble(double* out) const;
  bool ToFloat(float* out) const;
  bool ToBool(bool* out) const;
  bool ToPointer(void** out) const;
  bool ToUnknown(IUnknown** out) const;    // added reference
  bool ToDispatch(IDispatch** out) const;  // added reference
  // The stored text itself, or a new one for numbers, bools and the empty value.
  bool ToText(TextRef* out) const;
  bool ToBytes(BytesRef* out) const;

  // Stored buffers, for readers that must not allocate (null otherwise).
  const TextRef& text() const { return text_; }
  const BytesRef& bytes() const { return bytes_; }

  static bool IsSigned(int type);
  static bool IsUnsigned(int type);

 private:
  bool ToInteger(bool* negative, uint64_t* magnitude) const;
  void Reset();

  int type_ = kTypeEmpty;
  union {
    uint64_t u_ = 0;
    int64_t s_;
    float f_;
    double d_;
    bool b_;
    void* p_;
    IUnknown* unk_;  // kTypeDispatch stores the IDispatch* itself, upcast
  };
  TextRef text_;
  BytesRef bytes_;
};

}  // namespace xparam

#endif  // XPARAM_SRC_VALUE_H
