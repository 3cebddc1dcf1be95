// The system services on Linux: browser, version query, name look-ups, the executable's path and
// the tick clock; and the process-wide settings the framework relies on.
#pragma once

#include <string>
#include <vector>

#include "framework/system.h"

namespace fw {

/// The system services of every Linux platform, headless or not.
class PosixServices : public System {
 public:
  /// Starts `xdg-open` with the address as its one argument, without a shell; not waited for,
  /// never left as a zombie.
  void ShowURL(const String& url) override;
  /// Reports version 10.4.0, the lowest the application accepts: every service it relies on is
  /// provided here.
  bool Gestalt(std::string_view selector, int32_t& result) override;
  /// The system resolver (NSS: the hosts file, DNS as resolv.conf says) on a worker thread,
  /// waited for in the display's busy wait; the empty text at once when no thread can be made.
  String LookupIPAddress(const String& host) override;
  /// The system resolver on a worker thread; no addresses at once when no thread can be made.
  PendingLookup ResolveStream(const std::string& host, uint16_t port) override;
  std::string ExecutablePath() override;
  uint64_t Ticks() override;

 protected:
  /// Makes the look-ups' worker threads; a test platform may refuse them.
  PendingLookup::ThreadStarter lookupThreads_ = PendingLookup::StartDetachedThread;
};

/// Settles the process-wide policies the framework relies on; call first thing in main.
/// - Its memory is private: no core file is written and no process of the same user may trace it
///   or read its memory, since it holds typed passwords.
/// - SIGPIPE is ignored, so a write to a peer that has gone fails with EPIPE instead of ending
///   the process.
/// A program the process starts (the browser, a script) begins with both back at their defaults.
void SetUpProcess();

/// Starts `argv[0]` (looked up on PATH) detached: not waited for and reaped at once, with the
/// default SIGPIPE disposition. False when it could not be started.
bool SpawnDetached(const std::vector<std::string>& argv);

}  // namespace fw
