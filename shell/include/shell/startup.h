// Start-up and shut-down: everything between the executable's main and its exit status.
#pragma once

#include <cstdint>

#include "framework/ui.h"

namespace shell {

/// What start-up needs of the window shown first: its class and its implicit instance.
struct DefaultWindow {
  void (*registerClass)();             ///< registers the window's class record
  fw::Ref<fw::Window> (*instance)();   ///< its implicit instance, made on the first call
};

/// Starts the runtime, registers the classes, makes the application object and the default window,
/// runs the event loop, then releases the windows and the menu bar; gives the runtime's exit
/// status. The display and the system services must already be installed.
int32_t main(const DefaultWindow& defaultWindow);

}  // namespace shell
