#include "framework/native/wx_platform.h"

#include <glib.h>
#include <pango/pangocairo.h>
#include <poll.h>

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/imagpng.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/mstream.h>
#include <wx/utils.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "wx_backend.h"
#include "wx_window.h"
#include "framework/posix_services.h"
#include "framework/posix_wait.h"
#include "framework/runtime.h"
#include "framework/window_list.h"
#include "framework/ui.h"

namespace native {
namespace detail {
namespace {

// Event-loop thread only.
struct BackendState {
  int inputHold = 0;            // nesting depth of synchronous waits
  bool quitRequested = false;   // a quit asked for and not yet taken by RunEventLoop
  bool inMainLoop = false;      // RunEventLoop is inside the toolkit's main loop
  std::exception_ptr failure;   // first exception thrown by model code from a native event
};

BackendState& State() {
  static BackendState state;
  return state;
}

void RequestMainLoopExit() noexcept {
  if (!wxTheApp || !State().inMainLoop) return;
  // ScheduleExit (not Exit) also ends the main loop while a nested loop runs.
  if (wxEventLoopBase* loop = wxTheApp->GetMainLoop()) loop->ScheduleExit(0);
}

// The longest a wait sleeps between yields when nothing else wakes it: the toolkit's own timers
// (a caret's blink, a button's transition) advance at least this often.
constexpr auto kMaxSleep = std::chrono::milliseconds(100);
// After display input the wait yields once more a frame later: the toolkit may have put a
// repaint off to its next frame.
constexpr auto kFrame = std::chrono::milliseconds(20);

// Pictures larger than this many pixels are refused before decoding.
constexpr int64_t kMaxPicturePixels = int64_t{1} << 26;

/// Holds user input off for the length of a synchronous wait. Keys and clicks that arrive
/// meanwhile are dropped (the toolkit would otherwise queue them and replay them afterwards).
class InputHold {
 public:
  InputHold() {
    // Yielding needs an active loop; a wait may run before the main loop starts.
    if (!wxEventLoopBase::GetActive()) {
      ownLoop_ = std::make_unique<wxGUIEventLoop>();
      activator_ = std::make_unique<wxEventLoopActivator>(ownLoop_.get());
    }
    ++State().inputHold;
    SyncWheelTimers();  // the wait turns the wheels itself
  }
  ~InputHold() {
    // Everything the toolkit queued during the wait is delivered now, while the hold still
    // swallows user input: so none of it reaches a control or a later dialog. Menu bars take
    // clicks without passing them through the toolkit's filter, so they are shut meanwhile.
    std::vector<wxMenuBar*> shut;
    for (wxWindow* w : wxTopLevelWindows) {
      auto* frame = dynamic_cast<wxFrame*>(w);
      wxMenuBar* bar = frame ? frame->GetMenuBar() : nullptr;
      if (bar && bar->IsThisEnabled()) {
        bar->Enable(false);
        shut.push_back(bar);
      }
    }
    Yield(wxEVT_CATEGORY_ALL);
    for (wxMenuBar* bar : shut) bar->Enable(true);
    --State().inputHold;
    SyncWheelTimers();
    activator_.reset();
    ownLoop_.reset();
  }
  InputHold(const InputHold&) = delete;
  InputHold& operator=(const InputHold&) = delete;

  /// Repaints windows and lets busy indicators turn; delivers nothing else.
  void KeepPainting() { Yield(wxEVT_CATEGORY_UI); }
  /// Whether KeepPainting reaches the toolkit: not when the wait runs inside a yield.
  static bool CanYield() {
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    return loop && !loop->IsYielding();
  }

 private:
  static void Yield(long categories) {
    if (CanYield()) wxEventLoopBase::GetActive()->YieldFor(categories);
  }

  std::unique_ptr<wxGUIEventLoop> ownLoop_;
  std::unique_ptr<wxEventLoopActivator> activator_;
};

/// The frame a message box belongs over: the active one, else the newest shown one.
KdFrame* DialogParent() {
  if (wxWindow* active = wxGetActiveWindow()) {
    auto* top = dynamic_cast<KdFrame*>(wxGetTopLevelParent(active));
    if (top && top->IsShown()) return top;
  }
  std::vector<fw::Ref<fw::Window>> windows = fw::OpenWindows();
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
    auto* frame = dynamic_cast<KdFrame*>((*it)->peer);
    if (frame && frame->IsShown()) return frame;
  }
  return nullptr;
}

class KdApp : public wxApp {
 public:
  bool OnInit() override {
    // No command-line parsing: the arguments belong to the launcher (and to test runners).
    SetExitOnFrameDelete(false);  // the model decides when the application ends
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxImage::AddHandler(new wxPNGHandler);
    return true;
  }

  int FilterEvent(wxEvent& event) override {
    if (InputHeld() && event.GetEventCategory() == wxEVT_CATEGORY_USER_INPUT) {
      return Event_Processed;  // handled: neither wx nor the native widget acts on it
    }
    return Event_Skip;
  }

  bool OnExceptionInMainLoop() override {
    HandlerFailed(std::current_exception());
    return true;  // the failure has asked the main loop to end
  }
};

class WxDisplay final : public fw::Display {
 public:
  void RunEventLoop() override {
    BackendState& s = State();
    RethrowFailure();
    if (s.quitRequested) {
      s.quitRequested = false;
      return;
    }
    struct InMainLoop {
      explicit InMainLoop(BackendState& st) : s(st) { s.inMainLoop = true; }
      ~InMainLoop() { s.inMainLoop = false; }
      BackendState& s;
    } inside(s);
    wxTheApp->MainLoop();
    s.quitRequested = false;
    RethrowFailure();
  }

  void QuitEventLoop() override {
    State().quitRequested = true;
    RequestMainLoopExit();
  }

  void WindowCreated(fw::Window& window) override {
    if (dynamic_cast<KdFrame*>(window.peer)) return;
    new KdFrame(window);  // owned by wxWidgets; becomes window.peer
  }

  void WindowClosed(fw::Window& window) override {
    if (auto* frame = dynamic_cast<KdFrame*>(window.peer)) {
      frame->Detach();
      frame->Hide();
      frame->Destroy();  // deferred: the close may come from one of the frame's own events
    }
  }

  void MsgBox(const fw::String& text) override {
    // An alert without a title of its own, as the framework's message boxes have: its text says
    // it all, and it is not mistaken for the window it belongs over.
    wxMessageDialog dialog(DialogParent(), LineFeeds(ToWx(text)), wxString(), wxOK | wxCENTRE);
    dialog.ShowModal();
  }

  void Beep() override { wxBell(); }

  bool EditCommand(const fw::String& itemName) override { return RunEditCommand(itemName.Bytes()); }

  bool WaitBusy(std::span<fw::Watch> watches, int timeoutMs) override {
    if (!wxTheApp) return fw::PlainWait(watches, timeoutMs);
    using Clock = WheelClock;
    const Clock::time_point deadline = timeoutMs >= 0
                                           ? Clock::now() + std::chrono::milliseconds(timeoutMs)
                                           : Clock::time_point::max();
    InputHold hold;
    // Sleeps until a watched descriptor is ready, the display sends something, a wheel's step is
    // due or the time is up; each wake turns the wheels and yields to the toolkit once. The
    // display connection is the last entry.
    std::vector<pollfd> p;
    p.reserve(watches.size() + 1);
    for (fw::Watch& w : watches) {
      w.got = fw::Ready::None;
      p.push_back({w.fd, fw::PollEvents(w.want), 0});
    }
    const std::size_t display = p.size();
    p.push_back({DisplayConnectionFd(), POLLIN, 0});
    // Display input that no yield would take in would wake the wait over and over.
    nfds_t count = p[display].fd >= 0 && InputHold::CanYield() ? p.size() : display;
    Clock::time_point followUp = Clock::time_point::max();
    for (;;) {
      const Clock::time_point step = TurnWheels(Clock::now());
      hold.KeepPainting();
      const Clock::time_point now = Clock::now();
      Clock::time_point wake = std::min({deadline, step, followUp, now + kMaxSleep});
      followUp = Clock::time_point::max();
      // A round trip since the yield may have read events off the connection: they wait in
      // memory, where poll does not see them.
      if (count > display && DisplayEventsQueued()) wake = now;
      const auto sleepMs =
          wake <= now ? 0
                      : std::chrono::ceil<std::chrono::milliseconds>(wake - now).count();
      for (pollfd& one : p) one.revents = 0;
      const int r = ::poll(p.data(), count, static_cast<int>(sleepMs));
      if (r < 0 && errno != EINTR) return false;
      bool ready = false;
      for (std::size_t i = 0; r > 0 && i < display; ++i) {
        watches[i].got = fw::ReadinessOf(p[i].revents);
        ready = ready || fw::Any(watches[i].got);
      }
      if (ready) return true;
      if (r > 0 && count > display && p[display].revents) {
        if (p[display].revents & (POLLERR | POLLHUP | POLLNVAL)) {
          count = display;  // the display is gone: only the time wakes the wait from now on
        } else {
          followUp = Clock::now() + kFrame;
        }
      }
      if (Clock::now() >= deadline) return false;
    }
  }

  bool DecodePicture(fw::Picture& picture) override {
    const int32_t oldWidth = picture.width, oldHeight = picture.height;
    auto refuse = [&] {
      picture.width = oldWidth;
      picture.height = oldHeight;
      return false;
    };
    // The header check first, so that a huge declared size is refused before any allocation.
    if (!fw::ReadPngSize(picture.bytes, picture.width, picture.height)) return refuse();
    if (int64_t{picture.width} * picture.height > kMaxPicturePixels) return refuse();
    wxLogNull quiet;
    wxMemoryInputStream in(picture.bytes.data(), picture.bytes.size());
    wxImage image;
    if (!image.LoadFile(in, wxBITMAP_TYPE_PNG) || !image.IsOk()) return refuse();
    picture.width = image.GetWidth();
    picture.height = image.GetHeight();
    KeepDecodedPicture(picture, image);  // drawn from this decode, not a second one
    return true;
  }

 private:
  static void RethrowFailure() {
    if (std::exception_ptr failure = std::exchange(State().failure, nullptr)) {
      std::rethrow_exception(failure);
    }
  }
};

void AssertToStderr(const wxString& file, int line, const wxString& func, const wxString& cond,
                    const wxString& msg) {
  std::fprintf(stderr, "wxWidgets assertion \"%s\" failed in %s (%s:%d): %s\n",
               static_cast<const char*>(cond.utf8_str()), static_cast<const char*>(func.utf8_str()),
               static_cast<const char*>(file.utf8_str()), line,
               static_cast<const char*>(msg.utf8_str()));
}

}  // namespace

bool InputHeld() { return State().inputHold > 0; }

void HandlerFailed(std::exception_ptr e) noexcept {
  BackendState& s = State();
  if (!s.failure) s.failure = std::move(e);
  RequestMainLoopExit();
}

wxString ToWx(const fw::String& s) {
  const std::string& b = s.Bytes();
  if (b.empty()) return wxString();
  // The toolkit takes only valid UTF-8; every invalid byte becomes one U+FFFD, so the text shown
  // has as many characters as fw::Len counts.
  std::unique_ptr<gchar, decltype(&g_free)> valid(g_utf8_make_valid(b.data(), b.size()), g_free);
  return wxString::FromUTF8(valid.get());
}

fw::String FromWx(const wxString& s) {
  const wxScopedCharBuffer utf8 = s.utf8_str();
  return fw::String(std::string_view(utf8.data(), utf8.length()));
}

wxString LineFeeds(const wxString& s) {
  wxString out = s;
  out.Replace("\r\n", "\n");
  out.Replace("\r", "\n");
  return out;
}

}  // namespace detail

void InstallWxPlatform(int argc, char** argv) {
  // wxEntryStart keeps a reference to the count for the life of the application.
  static int s_argc;
  static char s_name[] = "keldara-launcher";
  static char* s_fallback[] = {s_name, nullptr};
  if (argc < 1 || !argv || !argv[0]) {
    argc = 1;
    argv = s_fallback;
  }
  s_argc = argc;
  wxSetAssertHandler(detail::AssertToStderr);
  wxApp::SetInstance(new detail::KdApp);
  if (!wxEntryStart(s_argc, argv)) {
    throw std::runtime_error("cannot start the graphical interface (is DISPLAY set?)");
  }
  // The toolkit's font map, made now: it loads the font configuration on a thread of its own
  // while the first window is built, instead of when that window first measures its text.
  pango_cairo_font_map_get_default();
  if (!wxTheApp->CallOnInit()) {
    wxEntryCleanup();
    throw std::runtime_error("cannot start the graphical interface");
  }
  // Toolkit messages go to standard error, never into dialogs of their own.
  delete wxLog::SetActiveTarget(new wxLogStderr);
  fw::SetDisplay(std::make_shared<detail::WxDisplay>());
  fw::SetSystem(std::make_shared<fw::PosixServices>());
}

void UninstallWxPlatform() {
  if (!wxTheApp) return;
  wxWindowList windows = wxTopLevelWindows;
  for (wxWindow* w : windows) {
    if (auto* frame = dynamic_cast<detail::KdFrame*>(w)) frame->Detach();
    w->Destroy();
  }
  if (fw::HasDisplay() && dynamic_cast<detail::WxDisplay*>(&fw::CurrentDisplay())) {
    fw::SetDisplay(nullptr);
    fw::SetSystem(nullptr);
  }
  detail::State() = detail::BackendState{};
  detail::ForgetDecodedPictures();
  wxTheApp->OnExit();
  wxEntryCleanup();
}

}  // namespace native

#if defined(__SANITIZE_ADDRESS__)
// The font library keeps its caches for the life of the process; leak checks of any program that
// shows windows must not count them.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif
