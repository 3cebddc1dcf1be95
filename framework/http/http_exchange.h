// One request over the network: resolve, connect, secure, send, read until the server closes.
// Private to the HTTPS client.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/http.h"
#include "framework/system.h"

namespace fw::http {

/// Where a request goes, as read from its address.
struct Target {
  std::string hostPart;  ///< as written in the address: the Host header's value
  std::string host;      ///< the name to resolve and to check the certificate against
  uint16_t port = 0;
  std::string path;
};

/// Sends `request` to `target` (over TLS when `secure`) and reads the answer until the server
/// closes the connection, on the calling thread, waiting only in fw::WaitBusy; the steps and the
/// inactivity time-out (`timeoutTicks` of `system`'s clock) are those http.h describes. `answer`
/// gets what arrived, `marker` looked for in the whole page, whatever the error.
HttpError RunExchange(System& system, const Target& target, bool secure, std::string_view request,
                      std::string marker, uint64_t timeoutTicks, HttpAnswer& answer);

}  // namespace fw::http
