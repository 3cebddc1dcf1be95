// The road of the process from its start to its exit status.
#pragma once

#include <cstdint>

#include "framework/ui.h"

namespace shell {

/// What start-up needs of the sign-in subsystem: its window class and its implicit instance.
struct DefaultWindow {
  void (*registerClass)();             ///< MainWindow.__ctblinit
  fw::Ref<fw::Window> (*instance)();   ///< MainWindow.MainWindow
};

/// main: RuntimeInit, initialize, Main, finalize, RuntimeExit; gives RuntimeExit's result.
/// The platform must already be installed.
int32_t main(const DefaultWindow& defaultWindow);

}  // namespace shell
