// The synchronous wait, the busy wheel, the event loop's end and failures escaping it.
#include <gtk/gtk.h>
#include <poll.h>
#include <unistd.h>

#include <wx/button.h>
#include <wx/menu.h>
#include <wx/textctrl.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>

#include "framework/display.h"
#include "tests/display/display_support.h"

namespace display_test {
namespace {

using WaitTest = DisplayTest;

/// Both ends of a pipe, closed at scope end.
struct Pipe {
  int fds[2] = {-1, -1};
  Pipe() { EXPECT_EQ(::pipe(fds), 0); }
  ~Pipe() {
    ::close(fds[0]);
    ::close(fds[1]);
  }
};

/// Writes one byte into `fd` from another thread `delay` after construction: an event to order
/// the end of a wait against. Joined at scope end.
class WriteLater {
 public:
  WriteLater(int fd, std::chrono::milliseconds delay)
      : thread_([fd, delay] {
          std::this_thread::sleep_for(delay);
          EXPECT_EQ(::write(fd, "x", 1), 1);
        }) {}
  ~WriteLater() { thread_.join(); }

 private:
  std::thread thread_;
};

/// A busy wait for `fd` to turn readable; true when it did within `ms`.
bool WaitToRead(int fd, int ms) {
  fw::Watch readable{fd, fw::Ready::Read};
  return fw::CurrentDisplay().WaitBusy({&readable, 1}, ms);
}

bool Readable(int fd) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, 0) == 1;
}

void Drain(int fd) {
  char byte;
  while (Readable(fd)) ASSERT_EQ(::read(fd, &byte, 1), 1);
}

TEST_F(WaitTest, IdlePipeWaitsOutItsTimeOutWhileWindowsRepaintAndReadinessEndsIt) {
  auto s = OpenSignIn(/*wheelShown=*/true);
  wxWindow* canvas = NativeOf(*s->canvas);
  auto paints = std::make_shared<int>(0);
  canvas->Bind(wxEVT_PAINT, [paints](wxPaintEvent& e) {
    ++*paints;
    e.Skip();
  });
  Pipe pipe, event;
  canvas->Refresh();
  {
    WriteLater later(event.fds[1], std::chrono::milliseconds(200));
    EXPECT_FALSE(WaitToRead(pipe.fds[0], 600));
    EXPECT_TRUE(Readable(event.fds[0])) << "the wait ended before an event that came 200 ms into it";
  }
  EXPECT_GT(*paints, 0) << "no repaint during the wait";

  // Readiness that comes during a wait ends it, long before its time-out, with the poll flags.
  WriteLater ready(pipe.fds[1], std::chrono::milliseconds(50));
  EXPECT_TRUE(WaitToRead(pipe.fds[0], 10000));
}

TEST_F(WaitTest, WheelTurnsDuringAWaitAndBetweenWaitsAndRestsWhenHidden) {
  auto s = OpenSignIn(/*wheelShown=*/true);
  wxWindow* wheel = NativeOf(*s->wheel);
  ASSERT_NE(wheel, nullptr);
  // Assistive technology (and the end-to-end suite) finds it as a busy animation.
  EXPECT_EQ(atk_object_get_role(gtk_widget_get_accessible(wheel->GetHandle())), ATK_ROLE_ANIMATION);
  // The third turn counted makes the pipe readable, which ends a wait on it.
  auto pipe = std::make_shared<Pipe>();
  auto paints = std::make_shared<int>(0);
  wheel->Bind(wxEVT_PAINT, [paints, pipe](wxPaintEvent& e) {
    if (++*paints == 3) {
      EXPECT_EQ(::write(pipe->fds[1], "x", 1), 1);
    }
    e.Skip();
  });
  PumpFor(100);
  Drain(pipe->fds[0]);
  // During a wait the loop yields no timer events: the wait itself turns the wheel.
  *paints = 0;
  EXPECT_TRUE(WaitToRead(pipe->fds[0], 10000))
      << "the wheel stands still during a wait";
  // Outside a wait (a message box's loop, say) its timer turns it.
  *paints = 0;
  EXPECT_TRUE(PumpUntil([&] { return *paints >= 3; })) << "the wheel stands still between waits";
  s->wheel->SetVisible(false);
  PumpFor(50);
  Drain(pipe->fds[0]);
  *paints = 0;
  PumpFor(400);
  EXPECT_FALSE(WaitToRead(pipe->fds[0], 300));
  EXPECT_EQ(*paints, 0) << "a hidden wheel still turns";
}

TEST_F(WaitTest, InputMadeDuringAWaitIsDroppedNotReplayed) {
  auto s = OpenSignIn();
  s->connect->SetEnabled(true);
  auto* user = dynamic_cast<wxTextCtrl*>(NativeOf(*s->user));
  ASSERT_TRUE(FocusInto(*s->window, user));
  wxFrame* frame = FrameOf(*s->window);
  auto opens = std::make_shared<int>(0);
  frame->Bind(wxEVT_MENU_OPEN, [opens](wxMenuEvent& e) {
    ++*opens;
    e.Skip();
  });
  Pipe pipe;
  wxUIActionSimulator sim;
  // The simulator delivers what is pending when it moves the pointer: so the move comes first,
  // and the keys and the click on the menu bar reach the process only once the wait runs.
  wxMenuBar* bar = frame->GetMenuBar();
  sim.MouseMove(bar->GetScreenPosition() + wxPoint(15, bar->GetSize().y / 2));
  sim.Text("abc");
  sim.Char(WXK_RETURN);
  sim.Char(WXK_ESCAPE);
  sim.MouseClick();
  ASSERT_EQ(user->GetValue(), "");
  ASSERT_EQ(*opens, 0);
  {
    fw::BusyScope handlerRunning;
    WaitToRead(pipe.fds[0], 400);
  }
  sim.Text("z");  // after the wait, input flows again
  ASSERT_TRUE(PumpUntil([&] { return s->user->TextValue() == fw::String("z"); }))
      << "field shows \"" << user->GetValue() << "\"; menus opened: " << *opens;
  PumpFor(100);
  EXPECT_EQ(user->GetValue(), "z");
  EXPECT_EQ(s->connects, 0);
  EXPECT_EQ(s->cancels, 0);
  EXPECT_EQ(*opens, 0) << "a click on the menu bar during the wait opened a menu";
}

TEST_F(WaitTest, QuitFromAHandlerEndsTheLoopOnceTheHandlerReturns) {
  auto s = OpenSignIn();
  bool handlerFinished = false;
  s->cancel->InstallEventHandler("Action", VoidHandler([&] {
                                   fw::Quit(0);
                                   handlerFinished = true;
                                 }));
  wxButton* cancel = dynamic_cast<wxButton*>(NativeOf(*s->cancel));
  wxTheApp->CallAfter([cancel] {
    wxCommandEvent press(wxEVT_BUTTON, cancel->GetId());
    press.SetEventObject(cancel);
    cancel->ProcessWindowEvent(press);
  });
  fw::RuntimeRun();
  EXPECT_TRUE(handlerFinished);
  EXPECT_TRUE(fw::Quitting());
}

TEST_F(WaitTest, ExceptionFromAHandlerLeavesTheEventLoop) {
  auto s = OpenSignIn();
  s->cancel->InstallEventHandler("Action", VoidHandler([] { throw fw::NilObjectException(); }));
  wxButton* cancel = dynamic_cast<wxButton*>(NativeOf(*s->cancel));
  wxTheApp->CallAfter([cancel] {
    wxCommandEvent press(wxEVT_BUTTON, cancel->GetId());
    press.SetEventObject(cancel);
    cancel->ProcessWindowEvent(press);
  });
  EXPECT_THROW(fw::CurrentDisplay().RunEventLoop(), fw::NilObjectException);
  // The next run is not poisoned by it.
  wxTheApp->CallAfter([] { fw::CurrentDisplay().QuitEventLoop(); });
  EXPECT_NO_THROW(fw::CurrentDisplay().RunEventLoop());
}

}  // namespace
}  // namespace display_test
