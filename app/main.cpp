// The process start: install the native platform, run the launcher, shut the toolkit down.
#include <cstdio>
#include <exception>

#include "framework/native/wx_platform.h"
#include "framework/posix_services.h"
#include "shell/startup.h"
#include "signin/main_window.h"

int main(int argc, char** argv) {
  fw::SetUpProcess();
  try {
    native::InstallWxPlatform(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "keldara-launcher: %s\n", e.what());
    return 1;
  }
  const int status =
      shell::main({&MainWindow::ctblinit, [] { return fw::Ref<fw::Window>(MainWindow_MainWindow()); }});
  native::UninstallWxPlatform();
  return status;
}
