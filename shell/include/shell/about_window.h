// AboutWindow: the About box with the picture, the product line, the version line and the notice.
#pragma once

#include "framework/ui.h"

/// The About window. Each opening makes a new one; only the framework's window list holds it.
class AboutWindow : public fw::Window {
 public:
  /// The class record, registered on first use.
  static const fw::ClassRecord* Lookup();
  /// Registers the class once; a later call changes nothing.
  static void ctblinit();
  /// Same as Lookup; lets shell::Find and RuntimeCheckCast name the class generically.
  static const fw::ClassRecord* Record() { return Lookup(); }
  /// The class record; nil until the class is registered.
  static const fw::ClassRecord* ctbl;

  /// Applies the window's list; sets no menu bar.
  void Layout() override;
  /// Calls CreateControls0 and nothing else.
  void CreateControls() override;
  /// Creates Canvas1, StaticText1, StaticText2 and VerTxt, in that order.
  virtual void CreateControls0();
  /// Writes the version line into VerTxt.
  void Event_Open() override;
};
