// MainWindow: the sign-in window, the application's default window. Its controls belong to the
// window and every handler reaches them by name at the moment of use; the class keeps no fields.
#pragma once

#include <cstdint>

#include "framework/ui.h"

/// The sign-in window. One implicit instance, held by the framework's window lists.
class MainWindow : public fw::Window {
 public:
  /// The class record, registered on first use.
  static const fw::ClassRecord* Lookup();
  /// Registers the class once; a later call changes nothing.
  static void ctblinit();
  /// Same as Lookup; lets shell::Find and RuntimeCheckCast name the class generically.
  static const fw::ClassRecord* Record() { return Lookup(); }
  /// The class record; nil until the class is registered.
  static const fw::ClassRecord* ctbl;

  /// Sets the shared menu bar, then applies the window's list.
  void Layout() override;
  /// Calls CreateControls0 and nothing else.
  void CreateControls() override;
  /// Creates the twelve controls in their fixed order, each followed by its handlers.
  virtual void CreateControls0();

  /// The input rule: Connect enabled while both fields hold text, the link shown while the user
  /// field does.
  void txt_pass_TextChange();
  /// Signs in: one authenticated request to the account host, then its outcome.
  void btn_connect_Action();
  /// Asks to quit with exit code 0.
  void btn_cancel_Action();
  /// The input rule, as txt_pass_TextChange.
  void txt_user_TextChange();
  /// Switches the Connect button between "Connect" and "Connect and Control".
  void chk_control_Action();
  /// The link's hover look: blue, underlined, finger pointer.
  void txt_forget_MouseEnter();
  /// The link's resting look after a hover: black, plain, standard pointer.
  void txt_forget_MouseExit();
  /// Opens the control page of the account typed now; always gives false.
  bool txt_forget_MouseDown(int32_t x, int32_t y);

  /// The menu-bar item of the accessor's own name; raises NilObjectException without a menu bar.
  fw::Ref<fw::MenuItem> EditMenu();
  fw::Ref<fw::AppleMenuItem> AboutKeldaraLauncher();
  fw::Ref<fw::MenuItem> UntitledSeparator();
  fw::Ref<fw::MenuItem> EditSelectAll();
  fw::Ref<fw::MenuItem> UntitledMenu0();
  fw::Ref<fw::MenuItem> EditClear();
  fw::Ref<fw::MenuItem> EditPaste();
  fw::Ref<fw::MenuItem> EditCopy();
  fw::Ref<fw::MenuItem> EditCut();
  fw::Ref<fw::MenuItem> UntitledMenu1();
  fw::Ref<fw::MenuItem> EditUndo();

  /// Asks to quit with exit code 0.
  void Event_Close() override;
  /// Refuses systems older than 10.4 and warns when the management host cannot be looked up.
  void Event_Open() override;

 private:
  void ApplyInputRule();
  fw::Ref<fw::MenuItem> MenuBarItem(const char* name, const fw::ClassRecord* cls);
};

/// The implicit instance: the one the framework holds, else a new, constructed one.
fw::Ref<MainWindow> MainWindow_MainWindow();
