// The process start: install the native platform, then run the launcher.
#include "framework/native/wx_platform.h"
#include "shell/startup.h"
#include "signin/main_window.h"

int main(int argc, char** argv) {
  native::InstallWxPlatform(argc, argv);
  return shell::main({&MainWindow::ctblinit, [] { return fw::Ref<fw::Window>(MainWindow_MainWindow()); }});
}
