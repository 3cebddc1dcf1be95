#include <poll.h>

#include <cerrno>
#include <climits>
#include <utility>
#include <vector>

#include "framework/display.h"
#include "framework/object.h"
#include "framework/posix_wait.h"
#include "framework/system.h"

namespace fw {
namespace {

// The installed display or system; one slot each for the process.
template <class Side>
std::shared_ptr<Side>& Installed() {
  static std::shared_ptr<Side> side;
  return side;
}

template <class Side>
Side& Current() {
  if (!Installed<Side>()) RaiseNilObjectException();
  return *Installed<Side>();
}

}  // namespace

short PollEvents(Ready want) {
  short events = 0;
  if (Any(want & Ready::Read)) events |= POLLIN;
  if (Any(want & Ready::Write)) events |= POLLOUT;
  return events;
}

Ready ReadinessOf(short revents) {
  Ready got = Ready::None;
  if (revents & POLLIN) got = got | Ready::Read;
  if (revents & POLLOUT) got = got | Ready::Write;
  if (revents & (POLLERR | POLLHUP | POLLNVAL)) got = got | Ready::Failed;
  return got;
}

bool PlainWait(std::span<Watch> watches, int timeoutMs) {
  std::vector<pollfd> polls;
  polls.reserve(watches.size());
  for (Watch& w : watches) {
    w.got = Ready::None;
    polls.push_back({w.fd, PollEvents(w.want), 0});
  }
  for (;;) {
    const int r = ::poll(polls.data(), polls.size(), timeoutMs);
    if (r < 0 && errno == EINTR) continue;
    for (std::size_t i = 0; r > 0 && i < watches.size(); ++i) {
      watches[i].got = ReadinessOf(polls[i].revents);
    }
    return r > 0;
  }
}

std::shared_ptr<Display> SetDisplay(std::shared_ptr<Display> display) {
  return std::exchange(Installed<Display>(), std::move(display));
}
Display& CurrentDisplay() { return Current<Display>(); }
bool HasDisplay() { return Installed<Display>() != nullptr; }

std::shared_ptr<System> SetSystem(std::shared_ptr<System> system) {
  return std::exchange(Installed<System>(), std::move(system));
}
System& CurrentSystem() { return Current<System>(); }
bool HasSystem() { return Installed<System>() != nullptr; }

void MsgBox(const String& text) { CurrentDisplay().MsgBox(text); }
void Beep() { CurrentDisplay().Beep(); }

bool WaitBusy(std::span<Watch> watches, int timeoutMs) {
  return HasDisplay() ? CurrentDisplay().WaitBusy(watches, timeoutMs) : PlainWait(watches, timeoutMs);
}

bool ReadPngSize(const std::string& b, int32_t& width, int32_t& height) {
  static const char kSig[] = "\x89PNG\r\n\x1a\n";
  if (b.size() < 24 || b.compare(0, 8, kSig, 8) != 0 || b.compare(12, 4, "IHDR") != 0) return false;
  auto be32 = [&](std::size_t at) {
    return (uint32_t(uint8_t(b[at])) << 24) | (uint32_t(uint8_t(b[at + 1])) << 16) |
           (uint32_t(uint8_t(b[at + 2])) << 8) | uint32_t(uint8_t(b[at + 3]));
  };
  const uint32_t w = be32(16), h = be32(20);
  if (w == 0 || h == 0 || w > INT32_MAX || h > INT32_MAX) return false;
  width = static_cast<int32_t>(w);
  height = static_cast<int32_t>(h);
  return true;
}

void ShowURL(const String& url) { CurrentSystem().ShowURL(url); }
bool Gestalt(std::string_view selector, int32_t& result) {
  return CurrentSystem().Gestalt(selector, result);
}
String LookupIPAddress(const String& host) { return CurrentSystem().LookupIPAddress(host); }
uint64_t Ticks() { return CurrentSystem().Ticks(); }

}  // namespace fw
