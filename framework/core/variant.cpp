#include "framework/variant.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <type_traits>

namespace fw {
namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

int32_t ClampDouble(double d) {
  if (std::isnan(d)) return 0;
  d = std::trunc(d);
  if (d <= double(kMin)) return kMin;
  if (d >= double(kMax)) return kMax;
  return static_cast<int32_t>(d);
}

// The leading decimal integer of a text, after white space and an optional sign.
int32_t ParseLeadingInteger(const std::string& s) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r' ||
                          s[i] == '\v' || s[i] == '\f')) {
    ++i;
  }
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  int64_t value = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    value = value * 10 + (s[i] - '0');
    if (value > int64_t(kMax) + 1) value = int64_t(kMax) + 1;  // saturated; stays in range
  }
  if (negative) value = -value;
  if (value < kMin) return kMin;
  if (value > kMax) return kMax;
  return static_cast<int32_t>(value);
}

std::string DoubleText(double d) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, d);
  if (ec != std::errc()) return std::string();
  return std::string(buf, end);
}

}  // namespace

int32_t VarType(const Variant& v) {
  return std::visit(
      [](const auto& x) -> int32_t {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, int32_t>) return kTypeInteger;
        else if constexpr (std::is_same_v<T, double>) return kTypeDouble;
        else if constexpr (std::is_same_v<T, bool>) return kTypeBoolean;
        else if constexpr (std::is_same_v<T, String>) return kTypeString;
        else return kTypeNil;
      },
      v.Value());
}

int32_t VariantToInt32(const Variant& v) {
  return std::visit(
      [](const auto& x) -> int32_t {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, int32_t>) return x;
        else if constexpr (std::is_same_v<T, double>) return ClampDouble(x);
        else if constexpr (std::is_same_v<T, bool>) return x ? 1 : 0;
        else if constexpr (std::is_same_v<T, String>) return ParseLeadingInteger(x.Bytes());
        else return 0;
      },
      v.Value());
}

String VariantToString(const Variant& v) {
  return std::visit(
      [](const auto& x) -> String {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, int32_t>) return Str(x);
        else if constexpr (std::is_same_v<T, double>) return String(DoubleText(x));
        else if constexpr (std::is_same_v<T, bool>) return String(x ? "True" : "False");
        else if constexpr (std::is_same_v<T, String>) return x;
        else return String();
      },
      v.Value());
}

const ClassRecord* VariantArray::Record() {
  static const ClassRecord* slot = nullptr;
  if (!slot) {
    ClassRecord record;
    record.name = "Array";
    record.allocate = []() -> Ref<Object> { return MakeObject<VariantArray>(slot); };
    RuntimeNewClass(slot, std::move(record));
  }
  return slot;
}

const Variant& VariantArray::Item(int32_t index) const {
  if (index < 0 || index > Ubound()) throw OutOfBoundsException();
  return items_[static_cast<std::size_t>(index)];
}

void VariantArray::SetItem(int32_t index, Variant value) {
  if (index < 0 || index > Ubound()) throw OutOfBoundsException();
  items_[static_cast<std::size_t>(index)] = std::move(value);
}

Ref<VariantArray> VariantArray::Create(int32_t ubound) {
  if (ubound < -1) throw UnsupportedOperationException("array upper bound below -1");
  auto array = MakeObject<VariantArray>(Record());
  array->items_.resize(static_cast<std::size_t>(int64_t(ubound) + 1));
  return array;
}

Ref<VariantArray> CreateArray(int32_t dimensions, int32_t /*kind*/, int32_t ubound) {
  if (dimensions != 1) throw UnsupportedOperationException("only one-dimensional arrays exist");
  return VariantArray::Create(ubound);
}

}  // namespace fw
