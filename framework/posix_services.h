// The system services of the platform on Linux: browser, version query, name look-up, the
// executable's path, picture checks, the tick clock and plain waiting.
#pragma once

#include <string>
#include <vector>

#include "framework/platform.h"

namespace fw {

/// The Linux half of every platform; the native backend adds windows and the event loop.
class PosixServices : public Platform {
 public:
  /// A plain poll(2): nothing to paint.
  bool WaitBusy(std::span<Watch> watches, int timeoutMs) override;
  /// Starts `xdg-open` with the address as its one argument, without a shell; not waited for,
  /// never left as a zombie.
  void ShowURL(const String& url) override;
  /// Reports 10.4.0: the release whose services this layer provides.
  bool Gestalt(std::string_view selector, int32_t& result) override;
  /// The system resolver (NSS: the hosts file, DNS as resolv.conf says) on a worker thread,
  /// waited for in WaitBusy.
  String LookupIPAddress(const String& host) override;
  /// The system resolver on a worker thread.
  PendingLookup ResolveStream(const std::string& host, uint16_t port) override;
  std::string ExecutablePath() override;
  /// Accepts a PNG whose header block is whole; fills its size.
  bool DecodePicture(Picture& picture) override;
  uint64_t Ticks() override;
};

/// Makes the process's memory private to it: no core file is written and no process of the same
/// user may trace it or read its memory, since it holds typed passwords. A program it executes
/// starts ordinary again. Call once, first thing in main.
void KeepMemoryPrivate();

/// poll(2) event flags for a watch, and a watch's readiness from poll's result flags.
short PollEvents(Ready want);
Ready ReadinessOf(short revents);

/// Starts `argv[0]` (looked up on PATH) detached: not waited for and reaped at once. False when it
/// could not be started.
bool SpawnDetached(const std::vector<std::string>& argv);

}  // namespace fw
