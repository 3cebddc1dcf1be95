// The input rule, the Connect/Control switch, the link's look and click, Cancel and Close.
#include "framework/display.h"
#include "framework/system.h"
#include "framework/runtime.h"
#include "shell/layout.h"
#include "signin/account.h"
#include "signin/main_window.h"

namespace {

constexpr fw::Color kBlue{0, 0, 255};
constexpr fw::Color kBlack{0, 0, 0};

// The Connect button's two switched placements; the laid-out one (350/260) is never restored.
struct ButtonPlacement {
  const char* caption;
  int32_t connectWidth;
  int32_t connectLeft;
  int32_t cancelLeft;
};
constexpr ButtonPlacement kTicked{"Connect and Control", 148, 284, 195};
constexpr ButtonPlacement kCleared{"Connect", 80, 352, 263};

}  // namespace

void MainWindow::ApplyInputRule() {
  using shell::Find;
  bool filled = false;
  if (fw::Len(Find<fw::TextField>(*this, "txt_user")->TextValue()) > 0) {
    filled = fw::Len(Find<fw::TextField>(*this, "txt_pass")->TextValue()) > 0;
  }
  Find<fw::PushButton>(*this, "btn_connect")->SetEnabled(filled);
  const bool hasUser = fw::Len(Find<fw::TextField>(*this, "txt_user")->TextValue()) > 0;
  Find<fw::StaticText>(*this, "txt_forget")->SetVisible(hasUser);
}

void MainWindow::txt_user_TextChange() { ApplyInputRule(); }

void MainWindow::txt_pass_TextChange() { ApplyInputRule(); }

void MainWindow::chk_control_Action() {
  using shell::Find;
  const ButtonPlacement& p = Find<fw::CheckBox>(*this, "chk_control")->Value() ? kTicked : kCleared;
  Find<fw::PushButton>(*this, "btn_connect")->SetCaption(fw::String(p.caption));
  Find<fw::PushButton>(*this, "btn_connect")->SetWidth(p.connectWidth);
  Find<fw::PushButton>(*this, "btn_connect")->SetLeft(p.connectLeft);
  Find<fw::PushButton>(*this, "btn_cancel")->SetLeft(p.cancelLeft);
}

void MainWindow::txt_forget_MouseEnter() {
  using shell::Find;
  Find<fw::StaticText>(*this, "txt_forget")->SetTextColor(kBlue);
  Find<fw::StaticText>(*this, "txt_forget")->SetUnderline(true);
  Find<fw::StaticText>(*this, "txt_forget")->SetMouseCursor(fw::MouseCursor::FingerPointer);
}

void MainWindow::txt_forget_MouseExit() {
  using shell::Find;
  Find<fw::StaticText>(*this, "txt_forget")->SetTextColor(kBlack);
  Find<fw::StaticText>(*this, "txt_forget")->SetUnderline(false);
  Find<fw::StaticText>(*this, "txt_forget")->SetMouseCursor(fw::MouseCursor::StandardPointer);
}

bool MainWindow::txt_forget_MouseDown(int32_t, int32_t) {
  const fw::String account =
      signin::AccountName(shell::Find<fw::TextField>(*this, "txt_user")->TextValue());
  fw::ShowURL(signin::ControlPageAddress(signin::AccountHost(account)));
  return false;
}

void MainWindow::btn_cancel_Action() { fw::Quit(0); }

void MainWindow::Event_Close() { fw::Quit(0); }
