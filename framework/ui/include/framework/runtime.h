// The framework runtime: start and exit, the event loop, the application object, the window list
// and the quit request.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <vector>

#include "framework/object.h"
#include "framework/ui.h"

namespace fw {

/// Starts the runtime. Resets the quit state and the exit status; a platform must be installed.
void RuntimeInit();
/// Initialises the framework and calls `startup` once, on this thread. A nil entry is not called.
void RunFrameworkInitialization(const std::function<void()>& startup);
/// Runs the event loop; returns once the application has been asked to quit.
void RuntimeRun();
/// The unhandled-exception hook: reports the exception and marks the run as failed.
void RuntimeUnhandledException(const std::exception& e);
/// Shuts the runtime down; gives the exit status (the quit code, or 1 after an unhandled exception
/// when no quit was asked for).
int32_t RuntimeExit();

/// From now on the framework holds `app` as the application object.
void RuntimeRegisterAppObject(Ref<Application> app);
/// The registered application object, or nil.
Ref<Application> GetAppObject();

/// Asks the application to quit with `code`. Returns at once; the event loop ends after the
/// running handler has returned. A request while a quit is under way changes nothing.
void Quit(int32_t code);
/// Whether a quit has been asked for.
bool Quitting();

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
void WindowOpened(const Ref<Window>& w);
void WindowClosed(const Window& w);
}  // namespace detail

}  // namespace fw
