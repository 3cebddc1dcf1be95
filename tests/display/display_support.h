// Helpers for the display tests: model windows built in place (with the launcher's own menu bar),
// event pumping, native look-ups.
#pragma once

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/uiaction.h>
#include <wx/window.h>

#include <chrono>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "framework/runtime.h"
#include "framework/ui.h"
#include "shell/kd_menu_bar.h"

namespace display_test {

/// A window whose layout and controls the test gives as functions.
class TestWindow : public fw::Window {
 public:
  std::function<void(TestWindow&)> layout;
  std::function<void(TestWindow&)> controls;
  int closeEvents = 0;
  void Layout() override {
    if (layout) layout(*this);
  }
  void CreateControls() override {
    if (controls) controls(*this);
  }
  void Event_Close() override { ++closeEvents; }
};

using Props = std::initializer_list<std::pair<const char*, fw::PropertyValue>>;

/// The sign-in window's frame: 473 x 174, centred, fixed size, close and minimise buttons.
inline void SignInLayout(TestWindow& w) {
  w.Set("Placement", int32_t{2});
  w.Set("Width", int32_t{473});
  w.Set("Height", int32_t{174});
  w.Set("MinWidth", int32_t{64});
  w.Set("MinHeight", int32_t{64});
  w.Set("MaxWidth", int32_t{32000});
  w.Set("MaxHeight", int32_t{32000});
  w.Set("Title", fw::String("Keldara Launcher"));
  w.Set("Visible", true);
  w.Set("CloseButton", true);
  w.Set("Resizeable", false);
  w.Set("MaximizeButton", false);
  w.Set("MinimizeButton", true);
}

/// Makes, registers and sets up a control the way the layout sequence does.
template <class T>
fw::Ref<T> AddControl(fw::Window& w, const char* name, int32_t left, int32_t top, int32_t width,
                      int32_t height, Props props = {}) {
  auto c = std::static_pointer_cast<T>(w.NewControl(T::Record()));
  c->Constructor();
  w.AddControl(name, c);
  c->Set("Name", fw::String(name));
  c->Set("Left", left);
  c->Set("Top", top);
  c->Set("Width", width);
  c->Set("Height", height);
  for (const auto& [key, value] : props) c->Set(key, value);
  return c;
}

/// Constructs a window of the given layout and controls (shown, with its native frame).
inline fw::Ref<TestWindow> OpenWindow(std::function<void(TestWindow&)> controls,
                                      std::function<void(TestWindow&)> layout = SignInLayout) {
  auto w = fw::MakeObject<TestWindow>(fw::Window::Record());
  w->layout = std::move(layout);
  w->controls = std::move(controls);
  w->Constructor();
  return w;
}

/// Runs the toolkit's events until `done` holds or `timeoutMs` passes; gives `done()`.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 3000) {
  wxEventLoopBase* loop = wxEventLoopBase::GetActive();
  std::unique_ptr<wxGUIEventLoop> own;
  std::unique_ptr<wxEventLoopActivator> activate;
  if (!loop) {
    own = std::make_unique<wxGUIEventLoop>();
    activate = std::make_unique<wxEventLoopActivator>(own.get());
    loop = own.get();
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return done();
    loop->DispatchTimeout(10);
    if (wxTheApp) wxTheApp->ProcessPendingEvents();
  }
  return true;
}

/// Runs the toolkit's events for `ms` milliseconds.
inline void PumpFor(int ms) { PumpUntil([] { return false; }, ms); }

inline wxFrame* FrameOf(const fw::Window& w) { return dynamic_cast<wxFrame*>(w.peer); }
inline wxWindow* NativeOf(const fw::RectControl& c) { return dynamic_cast<wxWindow*>(c.peer); }

/// The frame's content area (the parent of the window's own controls).
inline wxWindow* ContentOf(wxFrame* frame) {
  for (wxWindow* child : frame->GetChildren()) {
    if (dynamic_cast<wxPanel*>(child)) return child;
  }
  return nullptr;
}

/// Where a control's native window sits in its frame's content area.
inline wxRect ContentRect(const fw::Window& w, const fw::RectControl& c) {
  wxWindow* native = NativeOf(c);
  wxPoint origin = ContentOf(FrameOf(w))->GetScreenPosition();
  return wxRect(native->GetScreenPosition() - origin, native->GetSize());
}

/// Shows the frame and puts the keyboard focus into `target`; false when the focus never came.
inline bool FocusInto(const fw::Window& w, wxWindow* target) {
  wxFrame* frame = FrameOf(w);
  frame->Raise();
  PumpUntil([&] { return frame->IsShownOnScreen(); });
  target->SetFocus();
  return PumpUntil([&] { return wxWindow::FindFocus() == target; });
}

inline fw::Ref<fw::Delegate> VoidHandler(std::function<void()> fn) {
  return fw::RuntimeCreateDelegate(std::move(fn), fw::kSigVoid);
}

/// A window laid out like the sign-in window, with counters on its events.
struct SignIn {
  fw::Ref<TestWindow> window;
  fw::Ref<fw::GroupBox> group;
  fw::Ref<fw::StaticText> userLabel;
  fw::Ref<fw::TextField> pass, user;
  fw::Ref<fw::PushButton> connect, cancel;
  fw::Ref<fw::Canvas> canvas;
  fw::Ref<fw::ProgressWheel> wheel;
  fw::Ref<fw::CheckBox> control;
  fw::Ref<fw::StaticText> link;
  int connects = 0, cancels = 0, userChanges = 0;
  std::vector<bool> controlValues;  ///< chk_control.Value as each Action saw it
  std::vector<std::string> linkEvents;
};

/// Opens the sign-in-like window; the picture is the application's own when it can be read.
inline std::unique_ptr<SignIn> OpenSignIn(bool wheelShown = false) {
  auto s = std::make_unique<SignIn>();
  SignIn* p = s.get();
  s->window = OpenWindow(
      [p, wheelShown](TestWindow& w) {
    p->group = AddControl<fw::GroupBox>(w, "GroupBox1", 155, 4, 293, 128,
                                        {{"Caption", fw::String("Mount your Keldara disk on your desktop")}});
    AddControl<fw::StaticText>(w, "StaticText2", 171, 74, 100, 22,
                               {{"Text", fw::String("Password")}, {"InitialParent", fw::String("GroupBox1")}});
    p->userLabel = AddControl<fw::StaticText>(
        w, "StaticText1", 171, 34, 100, 22,
        {{"Text", fw::String("Username")}, {"InitialParent", fw::String("GroupBox1")}});
    p->pass = AddControl<fw::TextField>(w, "txt_pass", 250, 78, 170, 22,
                                        {{"TabStop", true}, {"Border", true}, {"Password", true},
                                         {"CueText", fw::String("Enter Keldara Password")},
                                         {"TabIndex", int32_t{1}}});
    p->connect = AddControl<fw::PushButton>(w, "btn_connect", 350, 144, 80, 20,
                                            {{"TabStop", true}, {"Caption", fw::String("Connect")},
                                             {"Default", true}, {"Enabled", false},
                                             {"TabIndex", int32_t{3}}});
    p->connect->InstallEventHandler("Action", VoidHandler([p] { ++p->connects; }));
    p->cancel = AddControl<fw::PushButton>(w, "btn_cancel", 260, 144, 80, 20,
                                           {{"TabStop", true}, {"Caption", fw::String("Cancel")},
                                            {"Cancel", true}, {"TabIndex", int32_t{4}}});
    p->cancel->InstallEventHandler("Action", VoidHandler([p] { ++p->cancels; }));
    p->user = AddControl<fw::TextField>(w, "txt_user", 250, 38, 170, 22,
                                        {{"TabStop", true}, {"Border", true},
                                         {"CueText", fw::String("Enter Keldara Username")},
                                         {"TabIndex", int32_t{0}}});
    p->user->InstallEventHandler("TextChange", VoidHandler([p] { ++p->userChanges; }));
    p->canvas = AddControl<fw::Canvas>(w, "Canvas1", 15, 4, 128, 128, {{"TabIndex", int32_t{6}}});
    p->canvas->SetBackdrop(fw::FolderItem::ForPath(KELDARA_SOURCE_DIR "/resources/Keldara final_128x128.png")
                               ->OpenAsPicture());
    p->wheel = AddControl<fw::ProgressWheel>(w, "kdProgress", 74, 68, 16, 16,
                                             {{"InitialParent", fw::String("Canvas1")},
                                              {"Visible", wheelShown}, {"Enabled", false}});
    p->control = AddControl<fw::CheckBox>(w, "chk_control", 15, 134, 128, 20,
                                          {{"TabStop", true}, {"Caption", fw::String("Keldara Control")},
                                           {"TabIndex", int32_t{7}}});
    p->control->InstallEventHandler("Action",
                                    VoidHandler([p] { p->controlValues.push_back(p->control->Value()); }));
    p->link = AddControl<fw::StaticText>(w, "txt_forget", 250, 106, 180, 20,
                                         {{"Text", fw::String("Forgotten your Password? Click Here")},
                                          {"TextAlign", int32_t{1}}, {"TextColor", fw::Color{0, 0, 255}},
                                          {"TabIndex", int32_t{8}}});
    p->link->SetTextSize(10);
    p->link->InstallEventHandler("MouseEnter", VoidHandler([p] { p->linkEvents.push_back("enter"); }));
    p->link->InstallEventHandler("MouseExit", VoidHandler([p] { p->linkEvents.push_back("exit"); }));
    p->link->InstallEventHandler(
        "MouseDown", fw::RuntimeCreateDelegate(std::function<bool(int32_t, int32_t)>([p](int32_t x, int32_t y) {
                                                 p->linkEvents.push_back("down " + std::to_string(x) + "," +
                                                                         std::to_string(y));
                                                 return false;
                                               }),
                                               fw::kSigInt32Int32Boolean));
      },
      [](TestWindow& w) {
        w.SetMenuBar(KDMenuBar_KDMenuBar());
        SignInLayout(w);
      });
  PumpUntil([p] { return FrameOf(*p->window) && FrameOf(*p->window)->IsShownOnScreen(); });
  return s;
}

/// Every test starts the runtime afresh and closes what it opened.
class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override { fw::RuntimeInit(); }
  void TearDown() override {
    for (const auto& w : fw::OpenWindows()) w->Close();
    fw::RuntimeRegisterAppObject(nullptr);
    KDMenuBar::implicitInstance_Exit();
    PumpFor(20);  // lets the closed frames go
  }
};

}  // namespace display_test
