// Property lists: the packed byte form in which windows and controls receive their properties.
//
// A list is entries back to back: key (ASCII letters), one space, then a value whose form follows
// from the key alone: int32 (4 bytes, big-endian), Boolean (1 byte), colour (3 bytes r g b) or
// text (4-byte big-endian byte count, then UTF-8).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>

#include "framework/object.h"
#include "framework/text.h"

namespace fw {

/// An RGB colour.
struct Color {
  uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Color&, const Color&) = default;
};

/// The value form of a property key.
enum class PropertyForm : uint8_t { Int32, Boolean, Color, Text };

/// A decoded property value.
using PropertyValue = std::variant<int32_t, bool, Color, String>;

/// The value form of a known key, or nothing for a key the framework does not know.
std::optional<PropertyForm> FormOfKey(std::string_view key);

/// Anything that takes properties by key. `SetProperty` returns false when the class lacks the key.
class PropertyTarget {
 public:
  virtual ~PropertyTarget() = default;
  virtual bool SetProperty(std::string_view key, const PropertyValue& value) = 0;
};

/// Why a property list was refused.
enum class PropertyListError { Truncated, BadKey, UnknownKey, KeyNotInClass };

/// Raised by the reader; names the key (when one was read) and the byte offset of its entry.
class PropertyListException : public UnsupportedOperationException {
 public:
  PropertyListException(PropertyListError error, std::string key, std::size_t offset);
  PropertyListError error() const { return error_; }
  const std::string& key() const { return key_; }
  std::size_t offset() const { return offset_; }

 private:
  PropertyListError error_;
  std::string key_;
  std::size_t offset_;
};

/// Applies every entry of `list` to `target`, in stored order. Raises PropertyListException on a
/// list that ends inside an entry, an unknown key or a key the target's class lacks; entries before
/// the fault have been applied. Never reads past the end of the list.
void RuntimeMassPropertySetter(PropertyTarget& target, const String& list);

/// One entry for the compile-time encoder.
struct PropertyEntry {
  std::string_view key;
  PropertyForm form;
  int32_t i = 0;
  Color c{};
  std::string_view text{};
};

namespace plist {
/// An int32 entry.
constexpr PropertyEntry I(std::string_view k, int32_t v) { return {k, PropertyForm::Int32, v}; }
/// A Boolean entry.
constexpr PropertyEntry B(std::string_view k, bool v) { return {k, PropertyForm::Boolean, v ? 1 : 0}; }
/// A colour entry.
constexpr PropertyEntry C(std::string_view k, uint8_t r, uint8_t g, uint8_t b) {
  return {k, PropertyForm::Color, 0, Color{r, g, b}};
}
/// A text entry (UTF-8).
constexpr PropertyEntry T(std::string_view k, std::string_view v) {
  return {k, PropertyForm::Text, 0, {}, v};
}

/// Encoded size in bytes of a sequence of entries.
template <std::size_t N>
constexpr std::size_t EncodedSize(const std::array<PropertyEntry, N>& entries) {
  std::size_t n = 0;
  for (const auto& e : entries) {
    n += e.key.size() + 1;
    switch (e.form) {
      case PropertyForm::Int32: n += 4; break;
      case PropertyForm::Boolean: n += 1; break;
      case PropertyForm::Color: n += 3; break;
      case PropertyForm::Text: n += 4 + e.text.size(); break;
    }
  }
  return n;
}

/// Writes entries into a fixed array of exactly EncodedSize bytes, at compile time.
template <std::size_t Size, std::size_t N>
constexpr std::array<char, Size> Encode(const std::array<PropertyEntry, N>& entries) {
  std::array<char, Size> out{};
  std::size_t p = 0;
  auto put32 = [&](uint32_t v) {
    out[p++] = static_cast<char>((v >> 24) & 0xFF);
    out[p++] = static_cast<char>((v >> 16) & 0xFF);
    out[p++] = static_cast<char>((v >> 8) & 0xFF);
    out[p++] = static_cast<char>(v & 0xFF);
  };
  for (const auto& e : entries) {
    for (char ch : e.key) out[p++] = ch;
    out[p++] = ' ';
    switch (e.form) {
      case PropertyForm::Int32: put32(static_cast<uint32_t>(e.i)); break;
      case PropertyForm::Boolean: out[p++] = static_cast<char>(e.i ? 1 : 0); break;
      case PropertyForm::Color:
        out[p++] = static_cast<char>(e.c.r);
        out[p++] = static_cast<char>(e.c.g);
        out[p++] = static_cast<char>(e.c.b);
        break;
      case PropertyForm::Text:
        put32(static_cast<uint32_t>(e.text.size()));
        for (char ch : e.text) out[p++] = ch;
        break;
    }
  }
  return out;
}
}  // namespace plist

/// A property list constant: its bytes, encoded at compile time, and its number of entries.
struct PropertyList {
  std::string_view bytes;
  std::size_t entries;
  /// The list as one framework string.
  String AsString() const { return String(bytes); }
};

}  // namespace fw

/// Defines `constexpr fw::PropertyList NAME` from a braced list of plist::I/B/C/T entries.
#define FW_PROPERTY_LIST(NAME, ...)                                                            \
  inline constexpr std::array NAME##_entries_{__VA_ARGS__};                                    \
  inline constexpr auto NAME##_bytes_ =                                                        \
      ::fw::plist::Encode<::fw::plist::EncodedSize(NAME##_entries_)>(NAME##_entries_);         \
  inline constexpr ::fw::PropertyList NAME{std::string_view(NAME##_bytes_.data(), NAME##_bytes_.size()), \
                                           NAME##_entries_.size()}
