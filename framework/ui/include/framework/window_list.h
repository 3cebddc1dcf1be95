// The window list: every open window, the implicit instances of window classes, and whether a
// handler is in a synchronous wait. Below both the windows and the runtime.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "framework/object.h"

namespace fw {

class Window;

/// The number of open windows.
int32_t WindowCount();
/// The open windows, oldest first.
std::vector<Ref<Window>> OpenWindows();
/// The window held as the implicit instance of the class named `className`, or nil.
Ref<Window> GetImplicitWindow(std::string_view className);

/// Releases the implicit-window list (module shutdown).
void ReleaseImplicitWindowList();
/// Releases the window list (module shutdown).
void ReleaseWindowList();

/// Whether a system handler is running a synchronous wait (input is held off meanwhile).
bool HandlerBusy();
/// Marks a synchronous wait for its scope.
class BusyScope {
 public:
  BusyScope();
  ~BusyScope();
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;
};

namespace detail {
/// The window enters the list (and, for a class with an implicit instance, becomes it when none
/// is held yet).
void WindowOpened(const Ref<Window>& w);
/// The window leaves both lists.
void WindowClosed(const Window& w);
/// No handler counts as busy any more (runtime start).
void ResetBusy();
/// Lets go of every window without closing it (runtime exit).
void ForgetWindows();
}  // namespace detail

}  // namespace fw
