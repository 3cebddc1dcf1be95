// KDMenuBar: the application's one menu bar, an Edit menu with the About item.
#pragma once

#include "framework/ui.h"

/// The menu bar class; its constructor builds the fixed tree.
class KDMenuBar : public fw::Registered<KDMenuBar, fw::MenuBar> {
 public:
  /// The class's own record: its name, operations and introspection entries.
  static fw::ClassRecord Define();
  /// The shared instance; nil until the accessor first runs and after shutdown.
  static fw::Ref<KDMenuBar> _implicitInstance;
  /// Drops the shared instance; module shutdown calls it last.
  static void implicitInstance_Exit();

  /// Calls Untitled0 and nothing else.
  void Constructor() override;
  /// Builds the menu tree; only the constructor calls it.
  void Untitled0();
};

/// The shared instance, built on first call; the caller gets a reference of its own.
fw::Ref<KDMenuBar> KDMenuBar_KDMenuBar();
