// The framework model: class records, casts, delegates, events, windows and the quit request.
#include <gtest/gtest.h>

#include "framework/runtime.h"
#include "framework/window_list.h"
#include "framework/ui.h"
#include "tests/support/fake_platform.h"

namespace {

using testing_support::PlatformScope;

class ProbeWindow : public fw::Window {
 public:
  static const fw::ClassRecord* Record() {
    static const fw::ClassRecord* slot = nullptr;
    fw::ClassRecord record;
    record.name = "ProbeWindow.ProbeWindow";
    record.base = fw::Window::Record();
    record.implicitInstance = true;
    record.allocate = [] { return fw::MakeObject<ProbeWindow>(slot); };
    return fw::RuntimeNewClass(slot, std::move(record));
  }
  std::vector<std::string> events;
  void Layout() override { events.push_back("Layout"); }
  void CreateControls() override {
    events.push_back("CreateControls");
    auto b = NewControl(fw::PushButton::Record());
    AddControl("ok", b);
  }
  void Event_Open() override {
    events.push_back(ControlByName("ok") ? "Open with controls" : "Open");
  }
  void Event_Close() override { events.push_back("Close"); }
};

TEST(Model, ClassRecordsRegisterOnceAndCastChecksTheClass) {
  const fw::ClassRecord* first = ProbeWindow::Record();
  EXPECT_EQ(ProbeWindow::Record(), first);
  EXPECT_TRUE(first->IsA(fw::Window::Record()));
  fw::Ref<fw::Object> w = fw::RuntimeNewObject(first);
  ASSERT_TRUE(w);
  EXPECT_TRUE(fw::RuntimeCheckCast<fw::Window>(w, fw::Window::Record()));
  EXPECT_FALSE(fw::RuntimeCheckCast<fw::PushButton>(w, fw::PushButton::Record()));
  EXPECT_FALSE(fw::RuntimeNewObject(nullptr));
  EXPECT_FALSE(fw::RuntimeNewObject(fw::RectControl::Record()));  // abstract
}

TEST(Model, ConstructionRaisesLayoutControlsOpenAndCloseLeavesTheList) {
  PlatformScope scope;
  auto w = fw::RuntimeCheckCast<ProbeWindow>(fw::RuntimeNewObject(ProbeWindow::Record()),
                                             ProbeWindow::Record());
  EXPECT_EQ(fw::WindowCount(), 0);
  w->Constructor();
  EXPECT_EQ(w->events, (std::vector<std::string>{"Layout", "CreateControls", "Open with controls"}));
  EXPECT_EQ(fw::WindowCount(), 1);
  EXPECT_EQ(fw::GetImplicitWindow("ProbeWindow.ProbeWindow"), w);
  EXPECT_EQ(scope->windowsCreated, 1);
  EXPECT_TRUE(w->UserClose());
  EXPECT_EQ(w->events.back(), "Close");
  EXPECT_EQ(fw::WindowCount(), 0);
  EXPECT_FALSE(fw::GetImplicitWindow("ProbeWindow.ProbeWindow"));
  w->Close();  // a second close does nothing
  EXPECT_EQ(std::count(w->events.begin(), w->events.end(), "Close"), 1);
}

TEST(Model, CloseIsRefusedWhileAHandlerRuns) {
  PlatformScope scope;
  auto w = fw::RuntimeCheckCast<ProbeWindow>(fw::RuntimeNewObject(ProbeWindow::Record()),
                                             ProbeWindow::Record());
  w->Constructor();
  auto button = std::static_pointer_cast<fw::PushButton>(w->ControlByName("ok"));
  bool refused = false;
  button->InstallEventHandler("Action", fw::RuntimeCreateDelegate(
                                            std::function<void()>([&] { refused = !w->UserClose(); }),
                                            fw::kSigVoid));
  button->Push();
  EXPECT_TRUE(refused);
  EXPECT_TRUE(w->IsOpen());
}

TEST(Model, HandlersMustMatchTheEventSignature) {
  auto label = fw::RuntimeCheckCast<fw::StaticText>(fw::RuntimeNewObject(fw::StaticText::Record()),
                                                    fw::StaticText::Record());
  auto voidHandler = fw::RuntimeCreateDelegate(std::function<void()>([] {}), fw::kSigVoid);
  EXPECT_THROW(label->InstallEventHandler("MouseDown", voidHandler),
               fw::UnsupportedOperationException);
  EXPECT_THROW(label->InstallEventHandler("Action", voidHandler), fw::UnsupportedOperationException);
  int seen = 0;
  label->InstallEventHandler(
      "MouseDown", fw::RuntimeCreateDelegate(std::function<bool(int32_t, int32_t)>(
                                                 [&](int32_t x, int32_t y) { seen = x + y; return true; }),
                                             fw::kSigInt32Int32Boolean));
  EXPECT_TRUE(label->MouseDown(3, 4));
  EXPECT_EQ(seen, 7);
}

TEST(Model, BoundMethodOfAGoneTargetRaisesNilObject) {
  struct Target : fw::Object {
    int calls = 0;
    void Hit() { ++calls; }
  };
  auto t = std::make_shared<Target>();
  auto d = fw::BindMethod(t, &Target::Hit, fw::kSigVoid);
  d->Invoke();
  EXPECT_EQ(t->calls, 1);
  t.reset();
  EXPECT_THROW(d->Invoke(), fw::NilObjectException);
}

TEST(Model, TextChangeOnEveryChangeAndUndoWalksBack) {
  auto field = fw::RuntimeCheckCast<fw::TextField>(fw::RuntimeNewObject(fw::TextField::Record()),
                                                   fw::TextField::Record());
  int changes = 0;
  field->InstallEventHandler(
      "TextChange", fw::RuntimeCreateDelegate(std::function<void()>([&] { ++changes; }), fw::kSigVoid));
  field->UserEdit("b");
  field->UserEdit("bo");
  field->SetText("bo");  // no change, no event
  field->SetText("bob");
  EXPECT_EQ(changes, 3);
  EXPECT_TRUE(field->Undo());
  EXPECT_EQ(field->TextValue(), fw::String("b"));
  EXPECT_TRUE(field->Undo());
  EXPECT_EQ(field->TextValue(), fw::String(""));
  EXPECT_FALSE(field->Undo());
  EXPECT_EQ(changes, 5);
}

TEST(Model, UndoIsBoundedAndPasswordFieldsKeepNoHistory) {
  auto field = fw::RuntimeCheckCast<fw::TextField>(fw::RuntimeNewObject(fw::TextField::Record()),
                                                   fw::TextField::Record());
  for (std::size_t i = 1; i <= fw::TextField::kUndoDepth + 20; ++i) {
    field->UserEdit(std::string(i, 'x'));
  }
  std::size_t undone = 0;
  while (field->Undo()) ++undone;
  EXPECT_EQ(undone, fw::TextField::kUndoDepth);
  EXPECT_EQ(fw::Len(field->TextValue()), 20);

  auto secret = fw::RuntimeCheckCast<fw::TextField>(fw::RuntimeNewObject(fw::TextField::Record()),
                                                    fw::TextField::Record());
  secret->Set("Password", true);
  secret->UserEdit("hunter2");
  secret->UserEdit("hunter22");
  EXPECT_FALSE(secret->CanUndo());
  EXPECT_FALSE(secret->Undo());
  EXPECT_EQ(secret->TextValue(), fw::String("hunter22"));
}

TEST(Model, CheckBoxValueIsNewStateWhenActionRuns) {
  auto box = fw::RuntimeCheckCast<fw::CheckBox>(fw::RuntimeNewObject(fw::CheckBox::Record()),
                                                fw::CheckBox::Record());
  std::vector<bool> seen;
  box->InstallEventHandler(
      "Action", fw::RuntimeCreateDelegate(std::function<void()>([&] { seen.push_back(box->Value()); }),
                                          fw::kSigVoid));
  box->Click();
  box->Click();
  EXPECT_EQ(seen, (std::vector<bool>{true, false}));
  box->SetEnabled(false);
  box->Click();
  EXPECT_EQ(seen.size(), 2u);
}

TEST(Model, QuitKeepsTheFirstCodeAndTheExitStatusFollows) {
  PlatformScope scope;
  EXPECT_FALSE(fw::Quitting());
  fw::Quit(0);
  fw::Quit(7);
  EXPECT_TRUE(fw::Quitting());
  EXPECT_EQ(std::count(scope->log.begin(), scope->log.end(), "quit"), 1);
  EXPECT_EQ(fw::RuntimeExit(), 0);
}

TEST(Model, UnhandledExceptionWithoutQuitExitsNonZero) {
  PlatformScope scope;
  fw::RuntimeUnhandledException(fw::NilObjectException());
  EXPECT_EQ(fw::RuntimeExit(), 1);
}

TEST(Model, MenuHandlersAreBoundByName) {
  PlatformScope scope;
  auto app = fw::RuntimeCheckCast<fw::Application>(fw::RuntimeNewObject(fw::Application::Record()),
                                                   fw::Application::Record());
  auto about = fw::RuntimeCheckCast<fw::MenuItem>(fw::RuntimeNewObject(fw::AppleMenuItem::Record()),
                                                  fw::MenuItem::Record());
  about->SetName("AboutX");
  auto cut = fw::RuntimeCheckCast<fw::MenuItem>(fw::RuntimeNewObject(fw::MenuItem::Record()),
                                                fw::MenuItem::Record());
  cut->SetName("EditCut");
  EXPECT_THROW(app->AddMenuHandler("AboutX", fw::RuntimeCreateDelegate(std::function<void()>([] {}),
                                                                       fw::kSigVoid)),
               fw::UnsupportedOperationException);
  int calls = 0;
  app->AddMenuHandler("AboutX", fw::RuntimeCreateDelegate(std::function<bool()>([&] {
                                                            ++calls;
                                                            return true;
                                                          }),
                                                          fw::kSigBoolean));
  EXPECT_TRUE(app->HandleMenuCommand(*about));
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(app->HandleMenuCommand(*cut));  // the framework's own edit command
  EXPECT_EQ(scope->log.back(), "edit:EditCut");
}

}  // namespace
