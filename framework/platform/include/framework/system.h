// The system side of the machine under the framework: the browser, the version query, name
// look-ups, the executable's path and the clock. One system is installed per process. Every call
// is made on the event-loop thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "framework/net.h"
#include "framework/text.h"

namespace fw {

class System {
 public:
  virtual ~System() = default;

  /// Opens the address in the user's default browser; not waited for.
  virtual void ShowURL(const String& url) = 0;
  /// The version of these services: "sys1" gives the major number, "sys2" the minor, "sys3" the
  /// bug-fix number; false (and `result` untouched) for any other selector.
  virtual bool Gestalt(std::string_view selector, int32_t& result) = 0;
  /// A host-name look-up, synchronous for the caller: the first address as text, or the empty
  /// text. The windows keep painting while it runs.
  virtual String LookupIPAddress(const String& host) = 0;
  /// Starts resolving `host` for a TCP connection to `port`; the answer is the addresses to try,
  /// in the resolver's order, none when the name cannot be resolved.
  virtual PendingLookup ResolveStream(const std::string& host, uint16_t port) = 0;
  /// The running executable's path.
  virtual std::string ExecutablePath() = 0;
  /// The tick clock: 60 ticks a second, monotonic.
  virtual uint64_t Ticks() = 0;
  /// Milliseconds per tick (1000/60 for the real clock).
  virtual double MillisecondsPerTick() { return 1000.0 / 60.0; }
};

/// Installs the process's system services (replacing any earlier ones); gives the previous ones.
std::shared_ptr<System> SetSystem(std::shared_ptr<System> system);
/// The installed system services; raises NilObjectException when none are installed.
System& CurrentSystem();
/// Whether system services are installed.
bool HasSystem();

/// Opens the address in the default browser.
void ShowURL(const String& url);
/// Fills `result` for a known version selector.
bool Gestalt(std::string_view selector, int32_t& result);
/// A synchronous host-name look-up; the empty text when the name does not resolve.
String LookupIPAddress(const String& host);
/// The tick count, 60 a second.
uint64_t Ticks();

}  // namespace fw
