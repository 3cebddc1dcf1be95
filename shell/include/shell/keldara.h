// Keldara: the application class, with the About command.
#pragma once

#include "framework/ui.h"

/// The application object's class. Its one instance is registered with the framework at start-up
/// and held by it until the runtime exits.
class Keldara : public fw::Registered<Keldara, fw::Application> {
 public:
  /// The class's own record: its name, operations and introspection entries.
  static fw::ClassRecord Define();

  /// The About command: opens a new About window when fewer than 2 windows are open. Always
  /// reports the command as handled.
  virtual bool AboutKeldaraLauncher_Action();
};

/// The registered application object as a Keldara, or nil (no nil test here; callers make it).
fw::Ref<Keldara> App();
