// The display side of the machine under the framework: the native event loop, windows, dialogs,
// edit commands, busy waits and picture decoding. One display is installed per process; the
// native backend installs the real one. Every call is made on the event-loop thread.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

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

class Display {
 public:
  virtual ~Display() = default;

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

  /// Checks that `picture.bytes` can be drawn and fills its size; false when it cannot (the
  /// picture is then left as it was).
  virtual bool DecodePicture(Picture& picture) = 0;
};

/// Installs the process's display (replacing any earlier one) and returns the previous one.
std::shared_ptr<Display> SetDisplay(std::shared_ptr<Display> display);
/// The installed display; raises NilObjectException when none is installed.
Display& CurrentDisplay();
/// Whether a display is installed.
bool HasDisplay();

/// A modal message box.
void MsgBox(const String& text);
/// The alert sound.
void Beep();

/// Waits as Display::WaitBusy does, with a plain poll when no display is installed.
bool WaitBusy(std::span<Watch> watches, int timeoutMs);

/// Reads the size from a PNG's header block; false when the bytes do not start one.
bool ReadPngSize(const std::string& bytes, int32_t& width, int32_t& height);

}  // namespace fw
