#include "signin/main_window.h"

#include <array>
#include <string>
#include <string_view>
#include <utility>

#include "framework/object.h"
#include "framework/runtime.h"
#include "framework/window_list.h"
#include "shell/kd_menu_bar.h"
#include "shell/layout.h"
#include "shell/property_lists.h"

namespace {

constexpr std::string_view kClassName = "MainWindow.MainWindow";

struct MethodEntry {
  std::string_view name;
  std::string_view signature;
};

// The class's own operations, in the order the runtime lists them after the base's.
constexpr std::array<MethodEntry, 24> kMethods{{
    {"Layout", "%%o<MainWindow.MainWindow>"},
    {"CreateControls", "%%o<MainWindow.MainWindow>"},
    {"CreateControls0", "%%o<MainWindow.MainWindow>"},
    {"txt_pass_TextChange", "%%o<MainWindow.MainWindow>"},
    {"btn_connect_Action", "%%o<MainWindow.MainWindow>"},
    {"btn_cancel_Action", "%%o<MainWindow.MainWindow>"},
    {"txt_user_TextChange", "%%o<MainWindow.MainWindow>"},
    {"chk_control_Action", "%%o<MainWindow.MainWindow>"},
    {"txt_forget_MouseEnter", "%%o<MainWindow.MainWindow>"},
    {"txt_forget_MouseExit", "%%o<MainWindow.MainWindow>"},
    {"txt_forget_MouseDown", "b%%o<MainWindow.MainWindow>ii"},
    {"EditMenu", "o<MenuItem>%%o<MainWindow.MainWindow>"},
    {"AboutKeldaraLauncher", "o<AppleMenuItem>%%o<MainWindow.MainWindow>"},
    {"UntitledSeparator", "o<MenuItem>%%o<MainWindow.MainWindow>"},
    {"EditSelectAll", "o<MenuItem>%%o<MainWindow.MainWindow>"},
    {"UntitledMenu0", "o<MenuItem>%%o<MainWindow.MainWindow>"},
    {"EditClear", "o<MenuItem>%%o<MainWindow.MainWindow>"},
    {"EditPaste", "o<MenuItem>%%o<MainWindow.MainWindow>"},
    {"EditCopy", "o<MenuItem>%%o<MainWindow.MainWindow>"},
    {"EditCut", "o<MenuItem>%%o<MainWindow.MainWindow>"},
    {"UntitledMenu1", "o<MenuItem>%%o<MainWindow.MainWindow>"},
    {"EditUndo", "o<MenuItem>%%o<MainWindow.MainWindow>"},
    {"Event_Close", "%%o<MainWindow.MainWindow>"},
    {"Event_Open", "%%o<MainWindow.MainWindow>"},
}};

// The twelve controls, as members of their control classes, in creation order.
constexpr std::array<MethodEntry, 12> kControls{{
    {"GroupBox1", "GroupBox"},
    {"StaticText2", "StaticText"},
    {"StaticText1", "StaticText"},
    {"txt_pass", "TextField"},
    {"btn_connect", "PushButton"},
    {"btn_cancel", "PushButton"},
    {"txt_user", "TextField"},
    {"Canvas1", "Canvas"},
    {"kdProgress", "ProgressWheel"},
    {"chk_pw", "CheckBox"},
    {"chk_control", "CheckBox"},
    {"txt_forget", "StaticText"},
}};

// Text unit 0, the default (text sizes in points, one point to a pixel), set on every control
// with text.
constexpr shell::CodeSettings kTextUnit{.textUnit = 0};

}  // namespace

fw::ClassRecord MainWindow::Define() {
  fw::ClassRecord record;
  record.name = std::string(kClassName);
  record.implicitInstance = true;
  record.attributes.push_back({"", "", "__Scope", "Public"});
  for (const MethodEntry& m : kMethods) {
    record.operations.emplace_back(m.name);
    record.attributes.push_back({std::string(m.name), std::string(m.signature), "__Scope", "Public"});
    if (m.name == "CreateControls0") {
      record.attributes.push_back({std::string(m.name), std::string(m.signature), "Hidden", ""});
    }
  }
  for (const MethodEntry& c : kControls) {
    record.attributes.push_back({std::string(c.name), std::string(c.signature), "__Scope", "Public"});
  }
  return record;
}

fw::Ref<MainWindow> MainWindow_MainWindow() {
  fw::Ref<fw::Window> window = fw::GetImplicitWindow(kClassName);
  if (!window) {
    window = fw::RuntimeCheckCast<fw::Window>(fw::RuntimeNewObject(MainWindow::Lookup()),
                                              MainWindow::Lookup());
    fw::NotNil(window)->Constructor();
  }
  return fw::RuntimeCheckCast<MainWindow>(window, MainWindow::Lookup());
}

void MainWindow::Layout() {
  SetMenuBar(KDMenuBar_KDMenuBar());
  shell::SetProperties(*this, shell::lists::kMainWindow);
}

void MainWindow::CreateControls() { CreateControls0(); }

void MainWindow::CreateControls0() {
  namespace lists = shell::lists;
  using shell::CreateControl;
  using shell::Find;
  const fw::Ref<MainWindow> self = std::static_pointer_cast<MainWindow>(shared_from_this());

  CreateControl(*this, fw::GroupBox::Record(), "GroupBox1", lists::kMainWindow_GroupBox1,
                kTextUnit);
  CreateControl(*this, fw::StaticText::Record(), "StaticText2", lists::kMainWindow_StaticText2,
                kTextUnit);
  CreateControl(*this, fw::StaticText::Record(), "StaticText1", lists::kMainWindow_StaticText1,
                kTextUnit);

  CreateControl(*this, fw::TextField::Record(), "txt_pass", lists::kMainWindow_txt_pass, kTextUnit);
  Find<fw::TextField>(*this, "txt_pass")
      ->InstallEventHandler("TextChange",
                            fw::BindMethod(self, &MainWindow::txt_pass_TextChange, fw::kSigVoid));

  CreateControl(*this, fw::PushButton::Record(), "btn_connect", lists::kMainWindow_btn_connect,
                kTextUnit);
  Find<fw::PushButton>(*this, "btn_connect")
      ->InstallEventHandler("Action",
                            fw::BindMethod(self, &MainWindow::btn_connect_Action, fw::kSigVoid));

  CreateControl(*this, fw::PushButton::Record(), "btn_cancel", lists::kMainWindow_btn_cancel,
                kTextUnit);
  Find<fw::PushButton>(*this, "btn_cancel")
      ->InstallEventHandler("Action",
                            fw::BindMethod(self, &MainWindow::btn_cancel_Action, fw::kSigVoid));

  CreateControl(*this, fw::TextField::Record(), "txt_user", lists::kMainWindow_txt_user, kTextUnit);
  Find<fw::TextField>(*this, "txt_user")
      ->InstallEventHandler("TextChange",
                            fw::BindMethod(self, &MainWindow::txt_user_TextChange, fw::kSigVoid));

  CreateControl(*this, fw::Canvas::Record(), "Canvas1", lists::kMainWindow_Canvas1,
                {.backdrop = true});
  CreateControl(*this, fw::ProgressWheel::Record(), "kdProgress", lists::kMainWindow_kdProgress,
                {});
  CreateControl(*this, fw::CheckBox::Record(), "chk_pw", lists::kMainWindow_chk_pw, kTextUnit);

  CreateControl(*this, fw::CheckBox::Record(), "chk_control", lists::kMainWindow_chk_control,
                kTextUnit);
  Find<fw::CheckBox>(*this, "chk_control")
      ->InstallEventHandler("Action",
                            fw::BindMethod(self, &MainWindow::chk_control_Action, fw::kSigVoid));

  CreateControl(*this, fw::StaticText::Record(), "txt_forget", lists::kMainWindow_txt_forget,
                {.textSize = 10.0f, .textUnit = 0});
  Find<fw::StaticText>(*this, "txt_forget")
      ->InstallEventHandler("MouseEnter",
                            fw::BindMethod(self, &MainWindow::txt_forget_MouseEnter, fw::kSigVoid));
  Find<fw::StaticText>(*this, "txt_forget")
      ->InstallEventHandler("MouseExit",
                            fw::BindMethod(self, &MainWindow::txt_forget_MouseExit, fw::kSigVoid));
  Find<fw::StaticText>(*this, "txt_forget")
      ->InstallEventHandler("MouseDown", fw::BindMethod(self, &MainWindow::txt_forget_MouseDown,
                                                        fw::kSigInt32Int32Boolean));
}

fw::Ref<fw::MenuItem> MainWindow::MenuBarItem(const char* name, const fw::ClassRecord* cls) {
  const fw::Ref<fw::MenuBar>& bar = MenuBar();
  if (!bar) fw::RaiseNilObjectException();
  return fw::RuntimeCheckCast<fw::MenuItem>(bar->Lookup(fw::String(name)), cls);
}

fw::Ref<fw::MenuItem> MainWindow::EditMenu() {
  return MenuBarItem("EditMenu", fw::MenuItem::Record());
}
fw::Ref<fw::AppleMenuItem> MainWindow::AboutKeldaraLauncher() {
  return std::static_pointer_cast<fw::AppleMenuItem>(
      MenuBarItem("AboutKeldaraLauncher", fw::AppleMenuItem::Record()));
}
fw::Ref<fw::MenuItem> MainWindow::UntitledSeparator() {
  return MenuBarItem("UntitledSeparator", fw::MenuItem::Record());
}
fw::Ref<fw::MenuItem> MainWindow::EditSelectAll() {
  return MenuBarItem("EditSelectAll", fw::MenuItem::Record());
}
fw::Ref<fw::MenuItem> MainWindow::UntitledMenu0() {
  return MenuBarItem("UntitledMenu0", fw::MenuItem::Record());
}
fw::Ref<fw::MenuItem> MainWindow::EditClear() {
  return MenuBarItem("EditClear", fw::MenuItem::Record());
}
fw::Ref<fw::MenuItem> MainWindow::EditPaste() {
  return MenuBarItem("EditPaste", fw::MenuItem::Record());
}
fw::Ref<fw::MenuItem> MainWindow::EditCopy() {
  return MenuBarItem("EditCopy", fw::MenuItem::Record());
}
fw::Ref<fw::MenuItem> MainWindow::EditCut() {
  return MenuBarItem("EditCut", fw::MenuItem::Record());
}
fw::Ref<fw::MenuItem> MainWindow::UntitledMenu1() {
  return MenuBarItem("UntitledMenu1", fw::MenuItem::Record());
}
fw::Ref<fw::MenuItem> MainWindow::EditUndo() {
  return MenuBarItem("EditUndo", fw::MenuItem::Record());
}
