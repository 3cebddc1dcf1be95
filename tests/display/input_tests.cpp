// User input through the native controls, sent as real key and pointer events.
#include <wx/menu.h>
#include <wx/textctrl.h>

#include <memory>
#include <string>

#include "framework/display.h"
#include "framework/system.h"
#include "tests/display/display_support.h"

namespace display_test {
namespace {

using InputTest = DisplayTest;

wxTextCtrl* FieldOf(const fw::Ref<fw::TextField>& f) { return dynamic_cast<wxTextCtrl*>(NativeOf(*f)); }

wxPoint CentreOf(wxWindow* w) { return w->GetScreenRect().GetPosition() + w->GetSize() / 2; }

TEST_F(InputTest, TypingReachesTheModelAndUndoTakesItBack) {
  auto s = OpenSignIn();
  wxTextCtrl* user = FieldOf(s->user);
  ASSERT_TRUE(FocusInto(*s->window, user));
  wxUIActionSimulator sim;
  sim.Text("ab");
  ASSERT_TRUE(PumpUntil([&] { return s->user->TextValue() == fw::String("ab"); }));
  EXPECT_EQ(s->userChanges, 2);
  EXPECT_TRUE(s->user->CanUndo());

  // The Undo item's shortcut reaches the model's undo, and the field shows its result.
  sim.Char('Z', wxMOD_CONTROL);
  ASSERT_TRUE(PumpUntil([&] { return s->user->TextValue() == fw::String("a"); }));
  EXPECT_EQ(user->GetValue(), "a");
  EXPECT_TRUE(fw::CurrentDisplay().EditCommand("EditUndo"));
  EXPECT_EQ(user->GetValue(), "");
  EXPECT_FALSE(s->user->CanUndo());

  // A change made by the program is shown once, raises TextChange once and is not undoable.
  const int before = s->userChanges;
  s->user->SetText("xyz");
  EXPECT_EQ(user->GetValue(), "xyz");
  PumpFor(50);
  EXPECT_EQ(s->userChanges, before + 1);
  EXPECT_FALSE(s->user->CanUndo());

  // Select All then Delete from the Edit commands is a user edit.
  EXPECT_TRUE(fw::CurrentDisplay().EditCommand("EditSelectAll"));
  EXPECT_TRUE(fw::CurrentDisplay().EditCommand("EditClear"));
  EXPECT_EQ(s->user->TextValue(), fw::String(""));
  EXPECT_TRUE(s->user->CanUndo());
}

TEST_F(InputTest, UnusualTextCrossesIntactAndMalformedTextIsShownSafely) {
  auto s = OpenSignIn();
  wxTextCtrl* user = FieldOf(s->user);
  const struct {
    const char* name;
    std::string utf8;
  } cases[] = {
      {"non-ASCII", "Gr\xC3\xBC\xC3\x9F" "e \xE2\x9C\x93 \xF0\x9F\x94\x91"},
      {"control characters", std::string("a\tb\x01" "c")},
      {"long", std::string(20000, 'k')},
  };
  for (const auto& c : cases) {
    s->user->SetText("");
    user->SetInsertionPointEnd();
    user->WriteText(wxString::FromUTF8(c.utf8.data(), c.utf8.size()));  // a native edit
    EXPECT_EQ(s->user->TextValue().Bytes(), c.utf8) << c.name;
  }
  s->user->SetText(fw::String(std::string("ok\xFF\xC3", 4)));
  EXPECT_EQ(user->GetValue(), wxString("ok") + wxUniChar(0xFFFD) + wxUniChar(0xFFFD));
  EXPECT_EQ(s->user->TextValue().Bytes(), std::string("ok\xFF\xC3", 4));  // the model keeps its bytes
}

TEST_F(InputTest, EditItemsFollowTheFocusedFieldWhileTheMenuIsOpen) {
  auto s = OpenSignIn();
  wxFrame* frame = FrameOf(*s->window);
  wxMenu* edit = frame->GetMenuBar()->GetMenu(0);
  auto enabled = [&](const char* label) {
    return edit->FindItem(edit->FindItem(label))->IsEnabled();
  };
  auto open = [&](bool opening) {
    wxMenuEvent e(opening ? wxEVT_MENU_OPEN : wxEVT_MENU_CLOSE, 0, edit);
    frame->ProcessWindowEvent(e);
  };
  s->user->SetText("anna");
  ASSERT_TRUE(FocusInto(*s->window, FieldOf(s->user)));
  FieldOf(s->user)->SelectAll();
  open(true);
  EXPECT_TRUE(enabled("Cut"));
  EXPECT_TRUE(enabled("Copy"));
  EXPECT_TRUE(enabled("Select All"));
  EXPECT_FALSE(enabled("Undo"));  // the program's change is not undoable
  open(false);

  // A masked field gives nothing to the clipboard; an empty one has nothing to select.
  s->pass->SetText("secret");
  ASSERT_TRUE(FocusInto(*s->window, FieldOf(s->pass)));
  FieldOf(s->pass)->SelectAll();
  open(true);
  EXPECT_FALSE(enabled("Cut"));
  EXPECT_FALSE(enabled("Copy"));
  EXPECT_TRUE(enabled("Delete"));
  open(false);
  // Shut, every item is live again, so that its shortcut reaches the command.
  EXPECT_TRUE(enabled("Cut"));
  EXPECT_TRUE(enabled("Undo"));
}

TEST_F(InputTest, EscapePressesCancelButOnlyClosesAnOpenMenu) {
  auto s = OpenSignIn();
  wxFrame* frame = FrameOf(*s->window);
  ASSERT_TRUE(FocusInto(*s->window, FieldOf(s->user)));
  wxUIActionSimulator sim;
  sim.Char(WXK_ESCAPE);
  ASSERT_TRUE(PumpUntil([&] { return s->cancels == 1; }));

  auto opens = std::make_shared<int>(0), closes = std::make_shared<int>(0);
  frame->Bind(wxEVT_MENU_OPEN, [opens](wxMenuEvent& e) { ++*opens; e.Skip(); });
  frame->Bind(wxEVT_MENU_CLOSE, [closes](wxMenuEvent& e) { ++*closes; e.Skip(); });
  wxMenuBar* bar = frame->GetMenuBar();
  sim.MouseMove(bar->GetScreenPosition() + wxPoint(15, bar->GetSize().y / 2));
  sim.MouseClick();
  ASSERT_TRUE(PumpUntil([&] { return *opens > 0; }));
  sim.Char(WXK_ESCAPE);
  ASSERT_TRUE(PumpUntil([&] { return *closes > 0; }));
  PumpFor(100);
  EXPECT_EQ(s->cancels, 1);

  ASSERT_TRUE(FocusInto(*s->window, FieldOf(s->user)));
  sim.Char(WXK_ESCAPE);
  EXPECT_TRUE(PumpUntil([&] { return s->cancels == 2; }));
}

TEST_F(InputTest, EnterPressesTheDefaultButtonOnlyWhileItIsEnabled) {
  auto s = OpenSignIn();
  wxTextCtrl* user = FieldOf(s->user);
  ASSERT_TRUE(FocusInto(*s->window, user));
  wxUIActionSimulator sim;
  sim.Char(WXK_RETURN);
  sim.Text("x");  // delivered after the Enter: once it shows, the Enter has been handled
  ASSERT_TRUE(PumpUntil([&] { return user->GetValue() == "x"; }));
  EXPECT_EQ(s->connects, 0);

  s->connect->SetEnabled(true);
  sim.Char(WXK_RETURN);
  ASSERT_TRUE(PumpUntil([&] { return s->connects == 1; }));
  EXPECT_EQ(s->cancels, 0);
}

TEST_F(InputTest, CheckBoxActionSeesTheValueAfterTheClick) {
  auto s = OpenSignIn();
  wxUIActionSimulator sim;
  sim.MouseMove(NativeOf(*s->control)->GetScreenPosition() + wxPoint(8, 10));
  sim.MouseClick();
  ASSERT_TRUE(PumpUntil([&] { return s->controlValues.size() == 1; }));
  sim.MouseClick();
  ASSERT_TRUE(PumpUntil([&] { return s->controlValues.size() == 2; }));
  EXPECT_EQ(s->controlValues, (std::vector<bool>{true, false}));
  EXPECT_FALSE(s->control->Value());
}

TEST_F(InputTest, LabelReportsPointerEntryPressAndExit) {
  auto s = OpenSignIn();
  wxWindow* link = NativeOf(*s->link);
  wxUIActionSimulator sim;
  sim.MouseMove(link->GetScreenPosition() + wxPoint(30, 5));
  ASSERT_TRUE(PumpUntil([&] { return !s->linkEvents.empty(); }));
  sim.MouseClick();
  ASSERT_TRUE(PumpUntil([&] { return s->linkEvents.size() >= 2; }));
  PumpFor(100);  // the button's release ends the pointer grab; a move before it is not an exit
  sim.MouseMove(CentreOf(NativeOf(*s->canvas)));
  ASSERT_TRUE(PumpUntil([&] { return s->linkEvents.size() >= 3; })) << ::testing::PrintToString(s->linkEvents);
  EXPECT_EQ(s->linkEvents, (std::vector<std::string>{"enter", "down 30,5", "exit"}));
}

}  // namespace
}  // namespace display_test
