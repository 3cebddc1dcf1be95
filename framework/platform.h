// What the framework needs of the machine: the native event loop and windows, dialogs, and system
// services. One Platform is installed per process; the native backend installs the real one.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "framework/net.h"
#include "framework/text.h"

namespace fw {

class Window;
class Picture;

/// Readiness of a descriptor: what a wait watches for, and what it found. Flags.
enum class Ready : uint8_t { None = 0, Read = 1, Write = 2, Failed = 4 };
constexpr Ready operator|(Ready a, Ready b) {
  return static_cast<Ready>(static_cast<uint8_t>(a) | static_cast<uint8_t>(b));
}
constexpr Ready operator&(Ready a, Ready b) {
  return static_cast<Ready>(static_cast<uint8_t>(a) & static_cast<uint8_t>(b));
}
constexpr bool Any(Ready r) { return r != Ready::None; }

/// One descriptor a wait watches. `got` is filled by the wait; Failed (an error or hang-up) is
/// reported whatever `want` says.
struct Watch {
  int fd = -1;
  Ready want = Ready::None;
  Ready got = Ready::None;
};

/// The machine under the framework. Every call is made on the event-loop thread.
class Platform {
 public:
  virtual ~Platform() = default;

  /// Runs the event loop until QuitEventLoop; returns at once when a quit was already asked for.
  virtual void RunEventLoop() = 0;
  /// Ends the event loop after the running handler has returned.
  virtual void QuitEventLoop() = 0;
  /// A window has been laid out and its controls created: make its native side.
  virtual void WindowCreated(Window& window) = 0;
  /// A window has closed: drop its native side.
  virtual void WindowClosed(Window& window) = 0;

  /// A modal message box; returns when the user has dismissed it.
  virtual void MsgBox(const String& text) = 0;
  /// The alert sound.
  virtual void Beep() = 0;
  /// Runs the framework's own Edit command (EditUndo, EditCut, ...) on the focused text field.
  virtual bool EditCommand(const String& itemName) = 0;

  /// Waits until one of `watches` is ready or `timeoutMs` passes (-1: no limit), keeping windows
  /// painted and busy indicators turning but delivering no user input. Fills each watch's `got`;
  /// true when one is ready, false on time-out. With no watches it only waits.
  virtual bool WaitBusy(std::span<Watch> watches, int timeoutMs) = 0;

  /// Opens the address in the user's default browser; not waited for.
  virtual void ShowURL(const String& url) = 0;
  /// The system version query: "sys1" major, "sys2" minor, "sys3" bug-fix number.
  virtual bool Gestalt(std::string_view selector, int32_t& result) = 0;
  /// A host-name look-up, synchronous for the caller: the first address as text, or the empty
  /// text. The windows keep painting while it runs.
  virtual String LookupIPAddress(const String& host) = 0;
  /// Starts resolving `host` for a TCP connection to `port`; the answer is the addresses to try,
  /// in the resolver's order, none when the name cannot be resolved.
  virtual PendingLookup ResolveStream(const std::string& host, uint16_t port) = 0;
  /// The running executable's path.
  virtual std::string ExecutablePath() = 0;
  /// Checks that `picture.bytes` can be drawn and fills its size; false when it cannot.
  virtual bool DecodePicture(Picture& picture) = 0;
  /// The tick clock: 60 ticks a second, monotonic.
  virtual uint64_t Ticks() = 0;
  /// Milliseconds per tick (1000/60 for the real clock).
  virtual double MillisecondsPerTick() { return 1000.0 / 60.0; }
};

/// Installs the process's platform (replacing any earlier one) and returns the previous one.
std::unique_ptr<Platform> SetPlatform(std::unique_ptr<Platform> platform);
/// The installed platform; raises NilObjectException when none is installed.
Platform& CurrentPlatform();
/// Whether a platform is installed.
bool HasPlatform();

// The framework's free functions over the platform.

/// A modal message box.
void MsgBox(const String& text);
/// The alert sound.
void Beep();
/// Opens the address in the default browser.
void ShowURL(const String& url);
/// System.Gestalt: fills `result` for a known selector.
bool Gestalt(std::string_view selector, int32_t& result);
/// System.Network.LookupIPAddress.
String LookupIPAddress(const String& host);
/// The tick count, 60 a second.
uint64_t Ticks();

}  // namespace fw
