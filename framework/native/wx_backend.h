// Shared parts of the wxWidgets backend: input hold, failure hand-over, text and colour
// conversion, and the Edit commands. Used only inside framework/native.
#pragma once

#include <wx/colour.h>
#include <wx/string.h>

#include <exception>
#include <string>

#include "framework/plist.h"
#include "framework/text.h"

namespace native::detail {

/// Whether a synchronous wait is running; user input is dropped while it is.
bool InputHeld();

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

/// The text for the toolkit; malformed UTF-8 bytes become U+FFFD instead of losing the text.
wxString ToWx(const fw::String& s);
/// The toolkit's text as UTF-8.
fw::String FromWx(const wxString& s);
/// Carriage returns (alone or before a line feed) as line feeds.
wxString LineFeeds(const wxString& s);

inline wxColour ToWx(fw::Color c) { return wxColour(c.r, c.g, c.b); }

/// Runs a framework Edit command (EditUndo, EditCut, ...) on the focused text field; false when
/// no text field has the focus or the name is not an Edit command.
bool RunEditCommand(const std::string& name);
/// Whether the Edit command applies to the focused text field in its present state.
bool EditCommandApplies(const std::string& name);
/// Whether `name` is one of the framework's Edit commands.
bool IsEditCommand(const std::string& name);

}  // namespace native::detail
