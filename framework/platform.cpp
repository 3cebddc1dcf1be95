#include "framework/platform.h"

#include "framework/object.h"

namespace fw {
namespace {
std::unique_ptr<Platform>& Installed() {
  static std::unique_ptr<Platform> platform;
  return platform;
}
}  // namespace

std::unique_ptr<Platform> SetPlatform(std::unique_ptr<Platform> platform) {
  std::unique_ptr<Platform> previous = std::move(Installed());
  Installed() = std::move(platform);
  return previous;
}

Platform& CurrentPlatform() {
  if (!Installed()) RaiseNilObjectException();
  return *Installed();
}

bool HasPlatform() { return Installed() != nullptr; }

void MsgBox(const String& text) { CurrentPlatform().MsgBox(text); }
void Beep() { CurrentPlatform().Beep(); }
void ShowURL(const String& url) { CurrentPlatform().ShowURL(url); }
bool Gestalt(std::string_view selector, int32_t& result) {
  return CurrentPlatform().Gestalt(selector, result);
}
String LookupIPAddress(const String& host) { return CurrentPlatform().LookupIPAddress(host); }
uint64_t Ticks() { return CurrentPlatform().Ticks(); }

}  // namespace fw
