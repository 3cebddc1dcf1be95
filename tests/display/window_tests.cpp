// Native windows built from the model: frame geometry, control placement, menus, closing.
#include <wx/menu.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <cstdlib>
#include <string>

#include "tests/display/display_support.h"

namespace display_test {
namespace {

using WindowTest = DisplayTest;

/// The native text inside a label control.
wxStaticText* LabelOf(const fw::StaticText& control) {
  for (wxWindow* child : NativeOf(control)->GetChildren()) {
    if (auto* t = dynamic_cast<wxStaticText*>(child)) return t;
  }
  return nullptr;
}

/// The height of a label's font in screen pixels.
double Pixels(const wxStaticText& label) {
  return label.GetFont().GetFractionalPointSize() * wxGetDisplayPPI().y / 72.0;
}

TEST_F(WindowTest, SignInFrameHasExactClientSizeAndCannotBeResized) {
  auto s = OpenSignIn();
  wxFrame* frame = FrameOf(*s->window);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->GetTitle(), "Keldara Launcher");
  EXPECT_EQ(frame->GetClientSize(), wxSize(473, 174));
  EXPECT_EQ(ContentOf(frame)->GetSize(), wxSize(473, 174));
  EXPECT_FALSE(frame->HasFlag(wxRESIZE_BORDER));
  EXPECT_TRUE(frame->HasFlag(wxMINIMIZE_BOX));
  EXPECT_FALSE(frame->HasFlag(wxMAXIMIZE_BOX));
  EXPECT_TRUE(frame->HasFlag(wxCLOSE_BOX));
  EXPECT_EQ(frame->GetMinClientSize(), wxSize(473, 174));
  EXPECT_EQ(frame->GetMaxClientSize(), wxSize(473, 174));
  // Placement 2: centred on the screen.
  wxRect screen = wxGetClientDisplayRect();
  wxRect r = frame->GetScreenRect();
  EXPECT_NEAR(r.x + r.width / 2, screen.x + screen.width / 2, 2);
  EXPECT_NEAR(r.y + r.height / 2, screen.y + screen.height / 2, 2);

  if (const char* shot = std::getenv("KD_DISPLAY_SCREENSHOT")) {
    PumpFor(300);
    std::string command = "import -window root '" + std::string(shot) + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
  }
}

TEST_F(WindowTest, ControlsSitAtTheirContentCoordinatesAboveTheirParents) {
  auto s = OpenSignIn(/*wheelShown=*/true);
  const struct {
    fw::RectControl* control;
    wxRect rect;
  } expected[] = {
      {s->group.get(), {155, 4, 293, 128}},   {s->userLabel.get(), {171, 34, 100, 22}},
      {s->user.get(), {250, 38, 170, 22}},    {s->pass.get(), {250, 78, 170, 22}},
      {s->connect.get(), {350, 144, 80, 20}}, {s->cancel.get(), {260, 144, 80, 20}},
      {s->canvas.get(), {15, 4, 128, 128}},   {s->wheel.get(), {74, 68, 16, 16}},
      {s->control.get(), {15, 134, 128, 20}},
  };
  for (const auto& e : expected) {
    ASSERT_NE(NativeOf(*e.control), nullptr) << e.control->Name().Bytes();
    EXPECT_EQ(ContentRect(*s->window, *e.control), e.rect) << e.control->Name().Bytes();
  }
  // The wheel is drawn inside the canvas's own window, hence over the picture; the group's
  // label is made after the group and so lies above it.
  EXPECT_EQ(NativeOf(*s->wheel)->GetParent(), NativeOf(*s->canvas));
  wxWindowList& siblings = ContentOf(FrameOf(*s->window))->GetChildren();
  EXPECT_LT(siblings.IndexOf(NativeOf(*s->group)), siblings.IndexOf(NativeOf(*s->userLabel)));

  // A model move lands natively; a child of the canvas keeps its window coordinates.
  s->connect->SetLeft(284);
  s->connect->SetWidth(148);
  EXPECT_EQ(ContentRect(*s->window, *s->connect), wxRect(284, 144, 148, 20));
}

TEST_F(WindowTest, FieldsAndButtonsShowTheModel) {
  auto s = OpenSignIn();
  auto* pass = dynamic_cast<wxTextCtrl*>(NativeOf(*s->pass));
  auto* user = dynamic_cast<wxTextCtrl*>(NativeOf(*s->user));
  ASSERT_TRUE(pass && user);
  EXPECT_TRUE(pass->HasFlag(wxTE_PASSWORD));
  EXPECT_FALSE(user->HasFlag(wxTE_PASSWORD));
  EXPECT_EQ(user->GetHint(), "Enter Keldara Username");
  EXPECT_FALSE(NativeOf(*s->connect)->IsEnabled());
  EXPECT_TRUE(NativeOf(*s->cancel)->IsEnabled());
  EXPECT_FALSE(NativeOf(*s->wheel)->IsShown());
  s->connect->SetEnabled(true);
  s->wheel->SetVisible(true);
  EXPECT_TRUE(NativeOf(*s->connect)->IsEnabled());
  EXPECT_TRUE(NativeOf(*s->wheel)->IsShown());
  // Hiding a container hides what lies in it.
  s->group->SetVisible(false);
  EXPECT_FALSE(NativeOf(*s->userLabel)->IsShown());
  s->group->SetVisible(true);
  EXPECT_TRUE(NativeOf(*s->userLabel)->IsShown());
}

TEST_F(WindowTest, AboutStyleFrameHasNoMinimiseAndBreaksLabelLinesAtCarriageReturns) {
  fw::Ref<fw::StaticText> notice;
  auto w = OpenWindow(
      [&](TestWindow& win) {
        notice = AddControl<fw::StaticText>(win, "StaticText2", 20, 229, 258, 57,
                                            {{"Text", fw::String("\xC2\xA9 2024 Maker\rKeldara is ours")},
                                             {"TextAlign", int32_t{1}}, {"MultiLine", true}});
        notice->SetTextSize(11);
        notice->SetTextUnit(2);
      },
      [](TestWindow& win) {
        SignInLayout(win);
        win.Set("Width", int32_t{298});
        win.Set("Height", int32_t{300});
        win.Set("Frame", int32_t{7});
        win.Set("MinimizeButton", false);
      });
  wxFrame* frame = FrameOf(*w);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->GetClientSize(), wxSize(298, 300));
  EXPECT_FALSE(frame->HasFlag(wxMINIMIZE_BOX));
  EXPECT_FALSE(frame->HasFlag(wxRESIZE_BORDER));
  EXPECT_EQ(frame->GetMenuBar(), nullptr);
  wxStaticText* label = LabelOf(*notice);
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->GetLabelText(), wxString::FromUTF8("\xC2\xA9 2024 Maker\nKeldara is ours"));
  // A layout point is a pixel: 11 of them high, whatever the screen's resolution.
  EXPECT_NEAR(Pixels(*label), 11.0, 0.05);
}

TEST_F(WindowTest, HiddenLabelTakesItsFontWhenShown) {
  fw::Ref<fw::StaticText> note;
  auto w = OpenWindow([&](TestWindow& win) {
    note = AddControl<fw::StaticText>(win, "StaticText1", 20, 20, 200, 24,
                                      {{"Text", fw::String("Shown later")}, {"Visible", false}});
    note->SetTextSize(11);
  });
  wxStaticText* label = LabelOf(*note);
  ASSERT_NE(label, nullptr);
  note->SetVisible(true);
  EXPECT_NEAR(Pixels(*label), 11.0, 0.05);
  // A size given while hidden again reaches it too.
  note->SetVisible(false);
  note->SetTextSize(14);
  note->SetVisible(true);
  EXPECT_NEAR(Pixels(*label), 14.0, 0.05);
}

TEST_F(WindowTest, MenuBarShowsTheModelTreeAndAboutRunsTheApplicationsHandler) {
  auto app = fw::MakeObject<fw::Application>(fw::Application::Record());
  int abouts = 0;
  app->AddMenuHandler("AboutKeldaraLauncher", fw::RuntimeCreateDelegate(std::function<bool()>([&] {
                                                                            ++abouts;
                                                                            return true;
                                                                          }),
                                                                        fw::kSigBoolean));
  fw::RuntimeRegisterAppObject(app);
  auto s = OpenSignIn();
  wxFrame* frame = FrameOf(*s->window);
  wxMenuBar* menuBar = frame->GetMenuBar();
  ASSERT_NE(menuBar, nullptr);
  ASSERT_EQ(menuBar->GetMenuCount(), 1u);
  EXPECT_EQ(menuBar->GetMenuLabel(0), "&Edit");
  // Access keys stay marked, the command key is this platform's Ctrl, "-" is a separator line.
  const wxMenuItemList& items = menuBar->GetMenu(0)->GetMenuItems();
  ASSERT_EQ(items.size(), 10u);
  EXPECT_EQ(items[0]->GetItemLabel(), "&Undo\tCtrl+Z");
  EXPECT_TRUE(items[1]->IsSeparator());
  EXPECT_EQ(items[5]->GetItemLabel(), "&Delete");

  wxCommandEvent choose(wxEVT_MENU, items[9]->GetId());
  choose.SetEventObject(frame);
  frame->ProcessWindowEvent(choose);
  EXPECT_EQ(abouts, 1);
}

TEST_F(WindowTest, CloseRequestIsRefusedWhileAHandlerRuns) {
  auto s = OpenSignIn();
  wxFrame* frame = FrameOf(*s->window);
  {
    fw::BusyScope busy;
    EXPECT_FALSE(frame->Close());
  }
  EXPECT_TRUE(s->window->IsOpen());
  EXPECT_EQ(s->window->closeEvents, 0);
  EXPECT_TRUE(frame->IsShown());

  EXPECT_TRUE(frame->Close());
  EXPECT_FALSE(s->window->IsOpen());
  EXPECT_EQ(s->window->closeEvents, 1);
  EXPECT_EQ(s->window->peer, nullptr);
  EXPECT_EQ(s->connect->peer, nullptr);
  EXPECT_FALSE(frame->IsShown());
  // The frame goes; the model, still held here, outlives it unharmed.
  EXPECT_TRUE(PumpUntil([&] { return !wxTopLevelWindows.Member(frame); }));
  s->connect->SetEnabled(true);
  EXPECT_TRUE(s->connect->Enabled());
}

}  // namespace
}  // namespace display_test
