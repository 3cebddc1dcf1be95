// Framework strings: immutable UTF-8 texts whose lengths, positions and cuts count characters.
// A byte that begins no well-formed sequence (an overlong form, a surrogate, a stray continuation
// byte, a truncated sequence) is one character of its own and is kept as it is.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace fw {

/// An immutable, reference-counted UTF-8 text. Copies share the bytes.
class String {
 public:
  String() = default;
  String(const char* utf8) : String(std::string_view(utf8)) {}
  String(std::string_view utf8);
  String(std::string utf8);

  /// The UTF-8 bytes.
  const std::string& Bytes() const;
  /// Number of bytes.
  std::size_t ByteLength() const { return Bytes().size(); }
  bool IsEmpty() const { return Bytes().empty(); }

  friend bool operator==(const String& a, const String& b) { return a.Bytes() == b.Bytes(); }
  friend String operator+(const String& a, const String& b);

 private:
  std::shared_ptr<const std::string> bytes_;
};

/// Length in characters (code points; an invalid byte counts as one character).
int32_t Len(const String& s);
/// 1-based character position of the first `find` at or after `start` (0 or 1: from the first
/// character); 0 when absent. An empty `find` is found at `start`.
int32_t InStr(int32_t start, const String& s, const String& find);
/// The first `n` characters; the empty text for n <= 0, the whole text when n >= Len(s).
String Left(const String& s, int32_t n);
/// Copy without leading white space.
String LTrim(const String& s);
/// Copy without trailing white space.
String RTrim(const String& s);
/// Lower-cased copy (Unicode simple case mapping).
String Lowercase(const String& s);
/// Decimal text of a number, no leading zeros or blanks.
String Str(int64_t n);
/// The platform's line end.
String EndOfLine();

}  // namespace fw
