// KDMenuBar: the system's one menu bar, an Edit menu with the About item.
#pragma once

#include "framework/ui.h"

/// The menu bar class; its constructor builds the fixed tree.
class KDMenuBar : public fw::MenuBar {
 public:
  /// KDMenuBar.__Lookup: the class record, registered on first use.
  static const fw::ClassRecord* Lookup();
  /// KDMenuBar.__ctblinit: registers the class once; a later call changes nothing.
  static void ctblinit();
  /// KDMenuBar.__ctbl.
  static const fw::ClassRecord* ctbl;
  /// The shared instance; nil until the accessor first runs and after shutdown.
  static fw::Ref<KDMenuBar> _implicitInstance;
  /// KDMenuBar._implicitInstance.__Exit: drops the shared instance.
  static void implicitInstance_Exit();

  /// Calls Untitled0 and nothing else.
  void Constructor() override;
  /// Builds the menu tree.
  void Untitled0();
};

/// KDMenuBar.KDMenuBar: the shared instance, built on first call.
fw::Ref<KDMenuBar> KDMenuBar_KDMenuBar();
