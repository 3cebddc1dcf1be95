// A headless platform for tests: records what the launcher shows and asks, runs scripted events.
#pragma once

#include <time.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <deque>
#include <functional>
#include <map>
#include <thread>
#include <string>
#include <system_error>
#include <vector>

#include "framework/display.h"
#include "framework/posix_services.h"
#include "framework/posix_wait.h"
#include "framework/ui.h"

namespace testing_support {

/// Records dialogs, browser pages, look-ups and windows; the event loop runs queued actions.
class FakePlatform : public fw::Display, public fw::PosixServices {
 public:
  std::vector<std::string> log;          ///< "beep", "msgbox:<text>", "url:<addr>", "lookup:<host>", "quit"
  std::vector<std::string> messages;     ///< message box texts, in order
  std::vector<std::string> urls;         ///< addresses handed to the browser
  std::vector<std::string> lookups;      ///< host names looked up
  std::map<std::string, std::string> hosts;  ///< look-up answers; absent names give ""
  std::map<std::string, int32_t> gestalt{{"sys1", 10}, {"sys2", 4}, {"sys3", 0}};
  std::string executablePath;            ///< "" means the real one
  std::deque<std::function<void()>> events;  ///< run in order by RunEventLoop
  std::function<void(const std::string&)> onMsgBox;  ///< runs while a box is "open"
  std::map<std::string, uint16_t> routes;  ///< host -> port on 127.0.0.1
  std::map<std::string, std::vector<fw::Endpoint>> endpoints;  ///< host -> addresses, before routes
  std::chrono::milliseconds resolveDelay{0};  ///< how long each stream look-up takes (real time)
  /// Clock time each stream look-up takes on top of resolveDelay: the tick clock jumps by this
  /// much just before the answer comes in.
  std::chrono::milliseconds resolveClockJump{0};
  /// Shared with the look-up workers, which may outlive the platform.
  std::shared_ptr<std::atomic<int64_t>> clockJumpedMs = std::make_shared<std::atomic<int64_t>>(0);
  double tickMs = 1000.0 / 60.0;           ///< milliseconds per tick; smaller runs time-outs faster
  int windowsCreated = 0;
  int windowsClosed = 0;
  bool loopQuit = false;

  void RunEventLoop() override {
    while (!loopQuit && !events.empty()) {
      auto e = std::move(events.front());
      events.pop_front();
      e();
    }
  }
  void QuitEventLoop() override {
    loopQuit = true;
    log.push_back("quit");
  }
  void WindowCreated(fw::Window&) override { ++windowsCreated; }
  void WindowClosed(fw::Window&) override { ++windowsClosed; }
  void MsgBox(const fw::String& text) override {
    messages.push_back(text.Bytes());
    log.push_back("msgbox:" + text.Bytes());
    if (onMsgBox) onMsgBox(text.Bytes());
  }
  void Beep() override { log.push_back("beep"); }
  bool EditCommand(const fw::String& item) override {
    log.push_back("edit:" + item.Bytes());
    return true;
  }
  void ShowURL(const fw::String& url) override {
    urls.push_back(url.Bytes());
    log.push_back("url:" + url.Bytes());
  }
  bool Gestalt(std::string_view selector, int32_t& result) override {
    auto it = gestalt.find(std::string(selector));
    if (it == gestalt.end()) return false;
    result = it->second;
    return true;
  }
  fw::String LookupIPAddress(const fw::String& host) override {
    lookups.push_back(host.Bytes());
    log.push_back("lookup:" + host.Bytes());
    auto it = hosts.find(host.Bytes());
    return it == hosts.end() ? fw::String() : fw::String(it->second);
  }
  fw::PendingLookup ResolveStream(const std::string& host, uint16_t) override {
    std::vector<fw::Endpoint> out;
    if (auto it = endpoints.find(host); it != endpoints.end()) {
      out = it->second;
    } else if (auto r = routes.find(host); r != routes.end()) {
      out.push_back(fw::Endpoint::V4({127, 0, 0, 1}, r->second));
    }
    if (resolveDelay.count() == 0) return fw::PendingLookup::Answered(std::move(out));
    // The worker may outlive this platform: it owns copies of all it uses.
    return fw::PendingLookup::Start(
        [out, delay = resolveDelay, jump = resolveClockJump, jumped = clockJumpedMs] {
          std::this_thread::sleep_for(delay);
          *jumped += jump.count();
          return out;
        },
        lookupThreads_);
  }
  /// From now on every look-up that would start a worker thread, the delayed stream look-ups here
  /// and PosixServices' own, is refused it, as in a process that may start no more threads.
  void RefuseLookupThreads() {
    lookupThreads_ = [](std::function<void()>) {
      throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    };
  }
  uint64_t Ticks() override {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    double ms = double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6 + double(clockJumpedMs->load());
    return static_cast<uint64_t>(ms / tickMs);
  }
  double MillisecondsPerTick() override { return tickMs; }
  bool WaitBusy(std::span<fw::Watch> watches, int timeoutMs) override {
    return fw::PlainWait(watches, timeoutMs);
  }
  bool DecodePicture(fw::Picture& picture) override {
    return fw::ReadPngSize(picture.bytes, picture.width, picture.height);
  }
  std::string ExecutablePath() override {
    return executablePath.empty() ? PosixServices::ExecutablePath() : executablePath;
  }
};

/// Installs `platform` as both display and system services (nil removes them), after the
/// process-wide settings the launcher makes at start.
void Install(const std::shared_ptr<FakePlatform>& platform);

/// Installs a fresh FakePlatform and starts the runtime for one test; restores on destruction.
class PlatformScope {
 public:
  PlatformScope();
  ~PlatformScope();
  FakePlatform& platform() { return *platform_; }
  FakePlatform* operator->() { return platform_; }

 private:
  FakePlatform* platform_;
};

}  // namespace testing_support
