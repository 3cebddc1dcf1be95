#include "signin/account.h"

#include <cstdint>
#include <string_view>

namespace signin {
namespace {

// The position is narrowed to a signed 16-bit value before it is tested and cut at, as AccountName
// promises: a mark past character 32767 may count as absent or cut elsewhere.
fw::String CutBefore(const fw::String& text, const fw::String& mark) {
  const auto position = static_cast<int16_t>(fw::InStr(0, text, mark));
  return position > 0 ? fw::Left(text, position - 1) : text;
}

}  // namespace

fw::String AccountName(const fw::String& userText) {
  fw::String name = fw::Lowercase(fw::RTrim(fw::LTrim(userText)));
  name = CutBefore(name, "@");
  return CutBefore(name, ".");
}

fw::String AccountHost(const fw::String& accountName) {
  return accountName + fw::String(".") + fw::String(kServiceDomain);
}

fw::String SecureAddress(const fw::String& accountHost) {
  return fw::String("https://") + accountHost;
}

fw::String RequestAddress(const fw::String& accountHost) {
  return fw::String("http://") + accountHost;
}

fw::String ControlPageAddress(const fw::String& accountHost) {
  return fw::String("http://") + accountHost + fw::String("/control");
}

}  // namespace signin
