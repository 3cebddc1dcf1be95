// Native windows built from the model: placement, controls, cue texts, fonts, menus, closing.
#include <gtk/gtk.h>

#include <wx/menu.h>
#include <wx/stattext.h>

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


// The real windows' sizes, decorations and control places are read from the running launcher by
// the end-to-end layout scenario; these tests keep what it cannot reach: placement, a control
// lying in another, and model changes after opening.

TEST_F(WindowTest, FixedFrameIsCentredOnTheScreen) {
  auto s = OpenSignIn();
  wxFrame* frame = FrameOf(*s->window);
  ASSERT_NE(frame, nullptr);
  // Placement 2: centred on the screen.
  wxRect screen = wxGetClientDisplayRect();
  wxRect r = frame->GetScreenRect();
  EXPECT_NEAR(r.x + r.width / 2, screen.x + screen.width / 2, 2);
  EXPECT_NEAR(r.y + r.height / 2, screen.y + screen.height / 2, 2);
}

TEST_F(WindowTest, ControlInsideAnotherKeepsWindowCoordinatesAndLiesAboveIt) {
  auto s = OpenSignIn(/*wheelShown=*/true);
  // The wheel is drawn inside the canvas's own window, hence over the picture; the group's
  // label is made after the group and so lies above it.
  EXPECT_EQ(ContentRect(*s->window, *s->wheel), wxRect(74, 68, 16, 16));
  EXPECT_EQ(NativeOf(*s->wheel)->GetParent(), NativeOf(*s->canvas));
  wxWindowList& siblings = ContentOf(FrameOf(*s->window))->GetChildren();
  EXPECT_LT(siblings.IndexOf(NativeOf(*s->group)), siblings.IndexOf(NativeOf(*s->userLabel)));

  // A model move lands natively; a child of the canvas keeps its window coordinates.
  s->connect->SetLeft(284);
  s->connect->SetWidth(148);
  EXPECT_EQ(ContentRect(*s->window, *s->connect), wxRect(284, 144, 148, 20));
  s->canvas->SetLeft(25);
  EXPECT_EQ(ContentRect(*s->window, *s->wheel), wxRect(74, 68, 16, 16));
}

TEST_F(WindowTest, StateChangesAfterOpeningReachTheNativeControls) {
  auto s = OpenSignIn();
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

TEST_F(WindowTest, LabelBreaksLinesAtCarriageReturnsAndMeasuresPointsAsPixels) {
  fw::Ref<fw::StaticText> notice;
  auto w = OpenWindow(
      [&](TestWindow& win) {
        notice = AddControl<fw::StaticText>(win, "StaticText2", 20, 229, 258, 57,
                                            {{"Text", fw::String("\xC2\xA9 2024 Maker\rKeldara is ours")},
                                             {"TextAlign", int32_t{1}}, {"MultiLine", true}});
        notice->SetTextSize(11);
        notice->SetTextUnit(2);
      });
  ASSERT_NE(w, nullptr);
  wxStaticText* label = LabelOf(*notice);
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->GetLabelText(), wxString::FromUTF8("\xC2\xA9 2024 Maker\nKeldara is ours"));
  // A layout point is a pixel: 11 of them high, whatever the screen's resolution.
  EXPECT_NEAR(Pixels(*label), 11.0, 0.05);
}

TEST_F(WindowTest, CueTextsShowWholeInTheirFields) {
  auto s = OpenSignIn();
  PumpFor(100);  // the fields' first size allocation
  for (fw::TextField* field : {s->user.get(), s->pass.get()}) {
    auto* entry = GTK_ENTRY(NativeOf(*field)->GetHandle());
    ASSERT_NE(entry, nullptr);
    GdkRectangle area;
    gtk_entry_get_text_area(entry, &area);
    PangoLayout* cue =
        gtk_widget_create_pango_layout(GTK_WIDGET(entry), field->Text("CueText").Bytes().c_str());
    int width = 0, height = 0;
    pango_layout_get_pixel_size(cue, &width, &height);
    g_object_unref(cue);
    EXPECT_LE(width, area.width) << field->Text("CueText").Bytes();
  }
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
