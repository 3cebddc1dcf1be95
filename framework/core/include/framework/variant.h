// Variants and one-dimensional arrays of them, as the script runner takes its parameters.
#pragma once

#include <cstdint>
#include <variant>
#include <vector>

#include "framework/object.h"
#include "framework/text.h"

namespace fw {

/// A value of any of the framework's simple types.
class Variant {
 public:
  Variant() = default;
  Variant(int32_t v) : v_(v) {}
  Variant(double v) : v_(v) {}
  Variant(bool v) : v_(v) {}
  Variant(String v) : v_(std::move(v)) {}
  Variant(const char* v) : v_(String(v)) {}

  const std::variant<std::monostate, int32_t, double, bool, String>& Value() const { return v_; }

 private:
  std::variant<std::monostate, int32_t, double, bool, String> v_;
};

/// Type codes that VarType gives.
enum VarTypeCode : int32_t { kTypeNil = 0, kTypeInteger = 2, kTypeDouble = 5, kTypeString = 8,
                             kTypeBoolean = 11 };

/// The type code of a Variant (2 for an integer).
int32_t VarType(const Variant& v);
/// The Variant as a 32-bit integer: doubles truncated toward zero and clamped (NaN is 0), True 1,
/// texts by their leading decimal integer ("  -12abc" is -12, "abc" 0) clamped, nil 0.
int32_t VariantToInt32(const Variant& v);
/// The Variant as text: integers in decimal, doubles in their shortest round-trip decimal form
/// ("0.1", "100", "1e+21", "nan", "-inf"), Booleans "True"/"False", nil "".
String VariantToString(const Variant& v);
/// The text as a Variant, unchanged.
inline Variant StringToVariant(const String& s) { return Variant(s); }

/// Raised when an array is indexed outside 0..Ubound.
class OutOfBoundsException : public UnsupportedOperationException {
 public:
  OutOfBoundsException() : UnsupportedOperationException("OutOfBoundsException") {}
  const char* ClassName() const override { return "OutOfBoundsException"; }
};

/// A one-dimensional array of Variants indexed from 0.
class VariantArray : public Object {
 public:
  static const ClassRecord* Record();
  /// Highest index; -1 for an empty array.
  int32_t Ubound() const { return static_cast<int32_t>(items_.size()) - 1; }
  /// The element at `index`; raises OutOfBoundsException outside 0..Ubound.
  const Variant& Item(int32_t index) const;
  /// Replaces the element at `index`; raises OutOfBoundsException outside 0..Ubound.
  void SetItem(int32_t index, Variant value);
  /// CreateArray(1, kind, ubound): one dimension, ubound+1 nil elements (none for -1); raises
  /// UnsupportedOperationException for an upper bound below -1.
  static Ref<VariantArray> Create(int32_t ubound);

 private:
  std::vector<Variant> items_;
};

/// CreateArray(dimensions, kind, ubound); only one-dimensional arrays exist here, so any other
/// `dimensions` raises UnsupportedOperationException. `kind` does not matter: elements are Variants.
Ref<VariantArray> CreateArray(int32_t dimensions, int32_t kind, int32_t ubound);

}  // namespace fw
