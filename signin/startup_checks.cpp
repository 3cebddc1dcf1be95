// The checks made when the sign-in window opens: the system version, then the network.
#include "framework/display.h"
#include "framework/system.h"
#include "framework/runtime.h"
#include "signin/account.h"
#include "signin/main_window.h"

namespace {

constexpr const char* kTooOld =
    "Unfortunately the Keldara Launcher cannot work on this version of OS X, it is only "
    "compatible with OS X Tiger and above";
constexpr const char* kNotOnlineFirst = "Unable to contact Keldara Server";
constexpr const char* kNotOnlineSecond =
    "It looks like you are currently not online, Keldara Launcher may not be able to connect";

}  // namespace

void MainWindow::Event_Open() {
  // A query that fails leaves its number at 0, which counts as too old.
  int32_t major = 0;
  int32_t minor = 0;
  fw::Gestalt("sys1", major);
  fw::Gestalt("sys2", minor);

  if (major < 10 || (major == 10 && minor < 4)) {
    fw::Beep();
    fw::MsgBox(fw::String(kTooOld));
    // The quit happens after this handler returns, so the network check below still runs.
    fw::Quit(0);
  }

  if (fw::LookupIPAddress(fw::String(signin::kManagementHost)).IsEmpty()) {
    fw::MsgBox(fw::String(kNotOnlineFirst) + fw::EndOfLine() + fw::EndOfLine() +
               fw::String(kNotOnlineSecond));
  }
}
