// Keldara: the application class, with the About command.
#pragma once

#include "framework/ui.h"

/// The application object's class. Its one instance is registered with the framework at start-up
/// and held by it until the runtime exits.
class Keldara : public fw::Application {
 public:
  /// The class record, registered on first use.
  static const fw::ClassRecord* Lookup();
  /// Registers the class once; a later call changes nothing.
  static void ctblinit();
  /// Same as Lookup; lets shell::Find and RuntimeCheckCast name the class generically.
  static const fw::ClassRecord* Record() { return Lookup(); }
  /// The class record; nil until the class is registered.
  static const fw::ClassRecord* ctbl;

  /// The About command: opens a new About window when fewer than 2 windows are open. Always
  /// reports the command as handled.
  virtual bool AboutKeldaraLauncher_Action();
};

/// The registered application object as a Keldara, or nil (no nil test here; callers make it).
fw::Ref<Keldara> App();
