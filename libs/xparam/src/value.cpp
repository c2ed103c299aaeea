#include "value.h"

#include <cfloat>
#include <cmath>

#include "text_format.h"

namespace xparam {

bool Value::IsSigned(int type) {
  return type == kTypeChar || type == kTypeShort || type == kTypeLong || type == kTypeLongLong || type == kTypeInt;
}

bool Value::IsUnsigned(int type) {
  return type == kTypeUChar || type == kTypeUShort || type == kTypeULong || type == kTypeULongLong ||
         type == kTypeUInt;
}

Value::Value(const Value& o) : type_(o.type_), u_(o.u_), text_(o.text_), bytes_(o.bytes_) {
  if ((type_ == kTypeUnknown || type_ == kTypeDispatch) && unk_) unk_->AddRef();
}

Value::~Value() { Reset(); }

void Value::Reset() {
  IUnknown* held = (type_ == kTypeUnknown || type_ == kTypeDispatch) ? unk_ : nullptr;
  type_ = kTypeEmpty;
  u_ = 0;
  text_ = TextRef();
  bytes_ = BytesRef();
  if (held) held->Release();
}

void Value::Swap(Value& o) noexcept {
  std::swap(type_, o.type_);
  std::swap(u_, o.u_);
  std::swap(text_, o.text_);
  std::swap(bytes_, o.bytes_);
}

void Value::SetSigned(int type, int64_t v) {
  Reset();
  type_ = type;
  s_ = v;
}

void Value::SetUnsigned(int type, uint64_t v) {
  Reset();
  type_ = type;
  u_ = v;
}

void Value::SetFloat(float v) {
  Reset();
  type_ = kTypeFloat;
  f_ = v;
}

void Value::SetDouble(int type, double v) {
  Reset();
  type_ = type;
  d_ = v;
}

void Value::SetBool(bool v) {
  Reset();
  type_ = kTypeBool;
  b_ = v;
}

void Value::SetPointer(void* v) {
  Reset();
  type_ = kTypePointer;
  p_ = v;
}

void Value::SetUnknown(IUnknown* v) {
  Reset();
  if (v) v->AddRef();
  type_ = kTypeUnknown;
  unk_ = v;
}

void Value::SetDispatch(IDispatch* v) {
  Reset();
  if (v) v->AddRef();
  type_ = kTypeDispatch;
  unk_ = v;
}

void Value::SetText(TextRef text) {
  Reset();
  type_ = kTypeString;
  text_ = std::move(text);
}

void Value::SetBytes(BytesRef bytes) {
  Reset();
  type_ = kTypeBlob;
  bytes_ = std::move(bytes);
}

bool Value::ToInteger(bool* negative, uint64_t* magnitude) const {
  if (IsSigned(type_)) {
    *negative = s_ < 0;
    *magnitude = s_ < 0 ? 0 - static_cast<uint64_t>(s_) : static_cast<uint64_t>(s_);
    return true;
  }
  if (IsUnsigned(type_)) {
    *negative = false;
    *magnitude = u_;
    return true;
  }
  if (type_ == kTypeBool) {
    *negative = false;
    *magnitude = b_ ? 1 : 0;
    return true;
  }
  if (type_ == kTypeString) {
    const std::wstring& t = text_.get()->data();
    return ParseInteger(t.data(), t.size(), negative, magnitude);
  }
  return false;
}

bool Value::ToSigned(int64_t min, int64_t max, int64_t* out) const {
  bool negative;
  uint64_t m;
  if (!ToInteger(&negative, &m)) return false;
  if (negative) {
    uint64_t limit = 0 - static_cast<uint64_t>(min);  // |min|
    if (m > limit) return false;
    *out = m == limit ? min : -static_cast<int64_t>(m);
    return true;
  }
  if (m > static_cast<uint64_t>(max)) return false;
  *out = static_cast<int64_t>(m);
  return true;
}

bool Value::ToUnsigned(uint64_t max, uint64_t* out) const {
  bool negative;
  uint64_t m;
  if (!ToInteger(&negative, &m) || negative || m > max) return false;
  *out = m;
  return true;
}

bool Value::ToDouble(double* out) const {
  if (IsSigned(type_)) {
    *out = static_cast<double>(s_);
  } else if (IsUnsigned(type_)) {
    *out = static_cast<double>(u_);
  } else if (type_ == kTypeFloat) {
    *out = f_;
  } else if (type_ == kTypeDouble || type_ == kTypeLongDouble) {
    *out = d_;
  } else if (type_ == kTypeBool) {
    *out = b_ ? 1.0 : 0.0;
  } else if (type_ == kTypeString) {
    return ParseDouble(text_.get()->data().data(), text_.get()->data().size(), out);
  } else {
    return false;
  }
  return true;
}

bool Value::ToFloat(float* out) const {
  if (type_ == kTypeFloat) {
    *out = f_;
    return true;
  }
  if (type_ == kTypeString) return ParseFloat(text_.get()->data().data(), text_.get()->data().size(), out);
  double d;
  if (!ToDouble(&d)) return false;
  // A finite double past float's range would silently become infinity.
  if (std::isfinite(d) && std::fabs(d) > FLT_MAX) return false;
  *out = static_cast<float>(d);
  return true;
}

bool Value::ToBool(bool* out) const {
  if (type_ == kTypeBool) {
    *out = b_;
    return true;
  }
  if (type_ == kTypeString) return ParseBool(text_.get()->data().data(), text_.get()->data().size(), out);
  bool negative;
  uint64_t m;
  if (!ToInteger(&negative, &m) || negative || m > 1) return false;
  *out = m == 1;
  return true;
}

bool Value::ToPointer(void** out) const {
  if (type_ != kTypePointer) return false;
  *out = p_;
  return true;
}

bool Value::ToUnknown(IUnknown** out) const {
  if (type_ == kTypeUnknown) {
    if (unk_) unk_->AddRef();
    *out = unk_;
    return true;
  }
  if (type_ == kTypeDispatch) {
    // The object's identity as IUnknown, as COM expects from a query.
    IUnknown* unk = nullptr;
    if (unk_ && FAILED(unk_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unk)))) return false;
    *out = unk;
    return true;
  }
  return false;
}

bool Value::ToDispatch(IDispatch** out) const {
  if (type_ != kTypeDispatch) return false;
  if (unk_) unk_->AddRef();
  *out = static_cast<IDispatch*>(unk_);
  return true;
}

bool Value::ToText(TextRef* out) const {
  if (type_ == kTypeString) {
    *out = text_;
    return true;
  }
  std::wstring t;
  if (IsSigned(type_)) {
    t = FormatSigned(s_);
  } else if (IsUnsigned(type_)) {
    t = FormatUnsigned(u_);
  } else if (type_ == kTypeFloat) {
    t = FormatFloat(f_);
  } else if (type_ == kTypeDouble || type_ == kTypeLongDouble) {
    t = FormatDouble(d_);
  } else if (type_ == kTypeBool) {
    t = b_ ? L"true" : L"false";
  } else if (type_ != kTypeEmpty) {
    return false;
  }
  *out = MakeText(std::move(t));
  return true;
}

bool Value::ToBytes(BytesRef* out) const {
  if (type_ != kTypeBlob) return false;
  *out = bytes_;
  return true;
}

}  // namespace xparam
