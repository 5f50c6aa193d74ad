#include "platform/rtl/Variant.h"

#include "platform/rtl/Exception.h"
#include "platform/rtl/Numconv.h"
#include "platform/rtl/Strutil.h"

#include <cmath>
#include <limits>

namespace {

const char* TypeName(TVarType t) {
  switch (t) {
    case varEmpty: return "Empty";
    case varNull: return "Null";
    case varDouble: return "Double";
    case varBoolean: return "Boolean";
    case varInt64: return "Int64";
    case varString: return "String";
  }
  return "Unknown";
}

}  // namespace

void Variant::CannotConvert(TVarType to) const {
  throw EVariantError(std::string("Could not convert variant of type (") + TypeName(type_) + ") into type (" +
                      TypeName(to) + ")");
}

std::string Variant::ToText() const {
  switch (type_) {
    case varBoolean: return i_ ? "True" : "False";
    case varInt64: return IntToStr(i_);
    case varDouble: return FloatToStr(d_);
    case varString: return s_;
    default: return std::string();
  }
}

std::string Variant::AsString() const {
  if (type_ == varEmpty) return std::string();
  if (type_ == varNull) CannotConvert(varString);
  return ToText();
}

int64_t Variant::AsInteger() const {
  switch (type_) {
    case varEmpty: return 0;
    case varBoolean: return i_ ? -1 : 0;
    case varInt64: return i_;
    case varDouble:
      if (std::isnan(d_) || std::fabs(d_) >= 9.2e18) CannotConvert(varInt64);
      return static_cast<int64_t>(std::llround(d_));
    case varString: {
      int64_t v;
      if (TryStrToInt64(s_, v)) return v;
      double d;
      if (TextToFloat(s_, d) && std::fabs(d) < 9.2e18) return static_cast<int64_t>(std::llround(d));
      if (SameText(Trim(s_), "True")) return -1;
      if (SameText(Trim(s_), "False")) return 0;
      CannotConvert(varInt64);
    }
    default: CannotConvert(varInt64);
  }
}

double Variant::AsDouble() const {
  switch (type_) {
    case varEmpty: return 0;
    case varBoolean: return i_ ? -1 : 0;
    case varInt64: return static_cast<double>(i_);
    case varDouble: return d_;
    case varString: {
      double d;
      if (TextToFloat(s_, d)) return d;
      CannotConvert(varDouble);
    }
    default: CannotConvert(varDouble);
  }
}

bool Variant::AsBoolean() const {
  switch (type_) {
    case varEmpty: return false;
    case varBoolean:
    case varInt64: return i_ != 0;
    case varDouble: return d_ != 0;
    case varString: {
      std::string t = Trim(s_);
      if (SameText(t, "True")) return true;
      if (SameText(t, "False")) return false;
      double d;
      if (TextToFloat(t, d)) return d != 0;
      CannotConvert(varBoolean);
    }
    default: CannotConvert(varBoolean);
  }
}

bool Variant::operator==(const Variant& o) const {
  if (type_ != o.type_) return false;
  switch (type_) {
    case varBoolean:
    case varInt64: return i_ == o.i_;
    case varDouble: return d_ == o.d_;
    case varString: return s_ == o.s_;
    default: return true;
  }
}
