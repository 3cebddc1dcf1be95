#include "framework/text.h"

#include <clocale>
#include <cwctype>
#include <locale.h>
#include <wctype.h>

namespace fw {
namespace {

const std::string& EmptyBytes() {
  static const std::string empty;
  return empty;
}

// Length of the well-formed UTF-8 sequence starting at s[i], or 1 when the byte there begins
// none: an overlong form, a surrogate, a value past U+10FFFF, a stray continuation byte or a
// truncated sequence counts one character per byte. The native side shows each such byte as one
// U+FFFD, so lengths and positions agree with what is shown.
std::size_t SeqLen(std::string_view s, std::size_t i) {
  const auto c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) return 1;
  const std::size_t n = c < 0xC2 ? 0 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : c < 0xF5 ? 4 : 0;
  if (n == 0 || i + n > s.size()) return 1;
  // The second byte's range excludes overlong forms, surrogates and values past U+10FFFF.
  const unsigned lo = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
  const unsigned hi = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
  const auto second = static_cast<unsigned char>(s[i + 1]);
  if (second < lo || second > hi) return 1;
  for (std::size_t k = 2; k < n; ++k) {
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 1;
  }
  return n;
}

char32_t Decode(std::string_view s, std::size_t i, std::size_t n) {
  auto b = [&](std::size_t k) { return static_cast<char32_t>(static_cast<unsigned char>(s[i + k])); };
  switch (n) {
    case 2: return ((b(0) & 0x1F) << 6) | (b(1) & 0x3F);
    case 3: return ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
    case 4: return ((b(0) & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F);
    default: return b(0) < 0x80 ? b(0) : 0xFFFD;  // an invalid byte is neither space nor a letter
  }
}

void Encode(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Byte offset of the character with 0-based index `chars`, or s.size() past the end.
std::size_t ByteOffset(std::string_view s, int64_t chars) {
  std::size_t i = 0;
  for (int64_t k = 0; k < chars && i < s.size(); ++k) i += SeqLen(s, i);
  return i;
}

// A UTF-8 locale for case mapping and white space, independent of the process locale.
locale_t Utf8Locale() {
  static locale_t loc = [] {
    locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return l;
  }();
  return loc;
}

bool IsSpace(char32_t c) {
  if (c == ' ' || (c >= 0x09 && c <= 0x0D) || c == 0xA0) return true;
  if (c < 0x80) return false;
  locale_t loc = Utf8Locale();
  return loc && iswspace_l(static_cast<wint_t>(c), loc);
}

char32_t ToLower(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  locale_t loc = Utf8Locale();
  return loc ? static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), loc)) : c;
}

}  // namespace

String::String(std::string_view utf8) : String(std::string(utf8)) {}
String::String(std::string utf8) {
  if (!utf8.empty()) bytes_ = std::make_shared<const std::string>(std::move(utf8));
}

const std::string& String::Bytes() const { return bytes_ ? *bytes_ : EmptyBytes(); }

String operator+(const String& a, const String& b) {
  if (a.IsEmpty()) return b;
  if (b.IsEmpty()) return a;
  return String(a.Bytes() + b.Bytes());
}

int32_t Len(const String& s) {
  std::string_view v = s.Bytes();
  int64_t n = 0;
  for (std::size_t i = 0; i < v.size(); i += SeqLen(v, i)) ++n;
  return n > INT32_MAX ? INT32_MAX : static_cast<int32_t>(n);
}

int32_t InStr(int32_t start, const String& s, const String& find) {
  std::string_view v = s.Bytes();
  std::string_view f = find.Bytes();
  int64_t first = start < 1 ? 0 : int64_t{start} - 1;  // 0-based character index to start at
  std::size_t from = ByteOffset(v, first);
  if (first > 0 && from >= v.size() && !(f.empty() && from == v.size())) return 0;
  std::size_t at = v.find(f, from);
  // Only matches that begin on a character boundary count.
  while (at != std::string_view::npos) {
    std::size_t i = 0;
    int64_t chars = 0;
    while (i < at) {
      i += SeqLen(v, i);
      ++chars;
    }
    if (i == at) return chars + 1 > INT32_MAX ? INT32_MAX : static_cast<int32_t>(chars + 1);
    at = v.find(f, at + 1);
  }
  return 0;
}

String Left(const String& s, int32_t n) {
  if (n <= 0) return String();
  std::string_view v = s.Bytes();
  std::size_t end = ByteOffset(v, n);
  if (end >= v.size()) return s;
  return String(v.substr(0, end));
}

String LTrim(const String& s) {
  std::string_view v = s.Bytes();
  std::size_t i = 0;
  while (i < v.size()) {
    std::size_t n = SeqLen(v, i);
    if (!IsSpace(Decode(v, i, n))) break;
    i += n;
  }
  return i == 0 ? s : String(v.substr(i));
}

String RTrim(const String& s) {
  std::string_view v = s.Bytes();
  std::size_t keep = 0;  // byte end of the last non-space character
  for (std::size_t i = 0; i < v.size();) {
    std::size_t n = SeqLen(v, i);
    if (!IsSpace(Decode(v, i, n))) keep = i + n;
    i += n;
  }
  return keep == v.size() ? s : String(v.substr(0, keep));
}

String Lowercase(const String& s) {
  std::string_view v = s.Bytes();
  std::string out;
  out.reserve(v.size());
  for (std::size_t i = 0; i < v.size();) {
    std::size_t n = SeqLen(v, i);
    if (n == 1 && static_cast<unsigned char>(v[i]) >= 0x80) {
      out += v[i];  // a stray byte stays as it is
    } else {
      Encode(ToLower(Decode(v, i, n)), out);
    }
    i += n;
  }
  return String(std::move(out));
}

String Str(int64_t n) { return String(std::to_string(n)); }

String EndOfLine() { return String("\n"); }

}  // namespace fw
