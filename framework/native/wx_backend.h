// Shared parts of the wxWidgets backend: input hold, failure hand-over, text and colour
// conversion, the display connection, busy wheels, decoded pictures and the Edit commands. Used
// only inside framework/native; everything here runs on the event-loop thread.
#pragma once

#include <wx/bitmap.h>
#include <wx/colour.h>
#include <wx/image.h>
#include <wx/string.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <exception>
#include <string>

#include "framework/plist.h"
#include "framework/text.h"
#include "framework/ui.h"

namespace native::detail {


/// Whether a synchronous wait is running; user input is dropped while it is.
bool InputHeld();

/// The display connection's file descriptor, readable when the display server has sent
/// something; -1 when the display is not an X server.
int DisplayConnectionFd();
/// Whether events have been read from the display connection and not yet handled.
bool DisplayEventsQueued();
/// Sends every request buffered for the display server now.
void FlushDisplay();

using WheelClock = std::chrono::steady_clock;
/// Advances every shown busy wheel whose step is due (it repaints at the next yield); gives when
/// the next step is due, or WheelClock::time_point::max() when no wheel is shown.
WheelClock::time_point TurnWheels(WheelClock::time_point now);
/// Starts or stops the wheels' own timers: they turn the wheels except while a synchronous wait
/// (which yields no timer events) turns them itself.
void SyncWheelTimers();

/// Keeps `image`, decoded when `picture` was checked, so that the picture is not decoded again
/// when it is first drawn. Kept only while the picture lives and its bytes are unchanged.
void KeepDecodedPicture(const fw::Picture& picture, const wxImage& image);
/// The bitmap that draws `picture`: the kept one when there is one, else decoded now; an
/// invalid bitmap when the bytes cannot be decoded.
wxBitmap PictureBitmap(const fw::Ref<fw::Picture>& picture);
/// Drops every kept picture; called before the toolkit shuts down.
void ForgetDecodedPictures();

/// Records an exception that model code threw from a native event and asks the main loop to end;
/// RunEventLoop rethrows the first one recorded. Only the first is kept.
void HandlerFailed(std::exception_ptr e) noexcept;

/// Runs model code on behalf of a native event. An exception must not cross the toolkit's C
/// frames: it is handed to HandlerFailed instead.
template <class F>
void Dispatch(F&& fn) noexcept {
  try {
    fn();
  } catch (...) {
    HandlerFailed(std::current_exception());
  }
}

/// The text for the toolkit: each byte that fw::Len counts as an invalid character, and each NUL
/// (the toolkit's texts would end there), becomes one U+FFFD.
wxString ToWx(const fw::String& s);
/// The toolkit's text as UTF-8.
fw::String FromWx(const wxString& s);
/// Carriage returns (alone or before a line feed) as line feeds.
wxString LineFeeds(const wxString& s);

inline wxColour ToWx(fw::Color c) { return wxColour(c.r, c.g, c.b); }

/// Far enough for any screen, near enough for the window system's 16-bit coordinates.
constexpr int kMaxCoord = 30000;
/// A position for the toolkit, within -kMaxCoord..kMaxCoord.
inline int Coord(int32_t v) { return std::clamp<int32_t>(v, -kMaxCoord, kMaxCoord); }
/// A width or height for the toolkit, within 1..kMaxCoord, for windows and controls alike: the
/// toolkit allocates nothing smaller than a pixel anyway.
inline int Extent(int32_t v) { return std::clamp<int32_t>(v, 1, kMaxCoord); }

/// Runs a framework Edit command (EditUndo, EditCut, ...) on the focused text field; false when
/// no text field has the focus or the name is not an Edit command.
bool RunEditCommand(const std::string& name);
/// Whether the Edit command applies to the focused text field in its present state.
bool EditCommandApplies(const std::string& name);
/// Whether `name` is one of the framework's Edit commands.
bool IsEditCommand(const std::string& name);

}  // namespace native::detail
