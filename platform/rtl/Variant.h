#pragma once
// Variant: a value of a type chosen at run time: unassigned (the start
// state), null, a boolean, an integer, a floating value or a text. Reading it
// as another type converts; a conversion that cannot be made raises
// EVariantError "Could not convert variant of type (X) into type (Y)".

#include <cstdint>
#include <string>

enum TVarType : uint16_t {
  varEmpty = 0x0000,
  varNull = 0x0001,
  varDouble = 0x0005,
  varBoolean = 0x000B,
  varInt64 = 0x0014,
  varString = 0x0100,
};

class Variant {
 public:
  Variant() = default;
  Variant(bool v) : type_(varBoolean), i_(v ? 1 : 0) {}
  Variant(int v) : type_(varInt64), i_(v) {}
  Variant(int64_t v) : type_(varInt64), i_(v) {}
  Variant(double v) : type_(varDouble), d_(v) {}
  Variant(const char* v) : type_(varString), s_(v ? v : "") {}
  Variant(std::string v) : type_(varString), s_(std::move(v)) {}

  static Variant Null() {
    Variant v;
    v.type_ = varNull;
    return v;
  }

  TVarType VarType() const { return type_; }
  bool IsEmpty() const { return type_ == varEmpty; }
  bool IsNull() const { return type_ == varNull; }

  // Texts: a boolean reads "True"/"False", numbers as the class library writes
  // them; unassigned and null read as "" here (AsString raises for them).
  std::string ToText() const;
  std::string AsString() const;
  int64_t AsInteger() const;
  double AsDouble() const;
  bool AsBoolean() const;

  // Same type and value.
  bool operator==(const Variant& o) const;

 private:
  [[noreturn]] void CannotConvert(TVarType to) const;
  TVarType type_ = varEmpty;
  int64_t i_ = 0;
  double d_ = 0;
  std::string s_;
};

inline const Variant Unassigned;
inline bool VarIsEmpty(const Variant& V) { return V.IsEmpty(); }
inline bool VarIsNull(const Variant& V) { return V.IsNull(); }
// The value as text; "" for unassigned and null.
inline std::string VarToStr(const Variant& V) { return V.ToText(); }
