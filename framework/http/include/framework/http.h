// HTTPSecureSocket: the framework's synchronous HTTP client over TLS.
//
// Sends an HTTP/1.0 GET of the address's path to the address's host, port 443 unless the address
// names one, over TLS (SNI, system trust store, chain and host-name checks, TLS 1.2 or later),
// with the request headers in the order they were set, each once; "Host" is added when sending.
// Reads the answer until the server closes it. Follows no redirects, retries nothing.
//
// One Get goes through these steps, all inside one inactivity time-out: resolve the host (on a
// worker thread; without one the host counts as not resolved), connect (every address, the
// families taking turns, each new attempt 250 ms after the previous one or at once when it fails;
// the first connection up wins), handshake, send, read the header block, read the page. The
// time-out starts again when the connection comes up, when the handshake completes and when the
// page grows; a look-up answered after it has struck is not used. The connection going down ends
// the wait.
//
// The process must ignore SIGPIPE (fw::SetUpProcess): a write to a server that has gone, the
// request or a closing TLS alert, must fail rather than end the process.
//
// Threading: one client is used by one thread at a time (the event-loop thread); Get blocks that
// thread in fw::WaitBusy, which keeps the windows painted. Failures are kept as values
// (LastError); nothing is thrown to the caller and nothing is logged. Error texts never carry
// header values, so a credential handed to SetRequestHeader stays out of them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/http_answer.h"
#include "framework/object.h"
#include "framework/text.h"

namespace fw {

/// The Base64 form of the text's bytes as one unbroken line (`lineWidth` is accepted and ignored:
/// the result never holds a line break).
String EncodeBase64(const String& text, int32_t lineWidth);

/// Why the last request ended the way it did; none of these carries request or answer bytes.
enum class HttpError {
  None,            ///< an answer arrived and the server closed the connection
  BadAddress,      ///< no "://", an empty, unsafe or dot-led host, a bad port or an unsafe path
  BadHeader,       ///< a stored header name or value that could break the request apart
  NotResolved,     ///< the host name gave no address
  ConnectFailed,   ///< no address accepted the connection
  TlsSetup,        ///< the TLS context or session could not be made
  TlsHandshake,    ///< the handshake failed (certificate refused included); nothing was sent
  SendFailed,      ///< the connection broke while the request was being sent
  ReceiveFailed,   ///< the connection broke while the answer was arriving
  TimedOut,        ///< no progress within the time-out (the look-up included)
};

/// A short fixed name for the error ("none", "timed out", ...).
std::string_view to_string(HttpError error);

/// The framework's HTTP client.
class HTTPSecureSocket : public Object {
 public:
  static const ClassRecord* Record();
  static constexpr int32_t DefaultPort = 443;
  /// Most page bytes kept; the rest of the page is read to its end and searched, then dropped.
  static constexpr std::size_t kMaxPage = AnswerReader::kMaxPage;

  HTTPSecureSocket() = default;
  /// Wipes the stored header values: the Authorization header carries the credential.
  ~HTTPSecureSocket() override;

  /// Sets the defaults: TLS on, port 443, headers "Accept" and "Accept-Language".
  void Constructor();
  /// Whether Get speaks TLS (the default); without it the request goes out in the clear.
  void SetSecure(bool secure) { secure_ = secure; }
  /// Sets a request header, replacing an earlier value of that name; an empty value deletes it.
  void SetRequestHeader(const String& name, const String& value);
  /// Synchronous GET with an inactivity time-out in seconds (a value below 0 counts as 0); gives
  /// the page (what arrived) and leaves the status code in HTTPStatusCode.
  String Get(const String& url, int32_t timeoutSeconds);
  /// The last answer's status code; 0 when no answer came.
  int32_t HTTPStatusCode() const { return status_; }
  /// A text to look for in the whole page of the next Get, also past the part Get returns.
  void SetPageMarker(const String& text) { marker_ = text.Bytes(); }
  /// Whether the last Get's page held the marker text anywhere.
  bool PageHasMarker() const { return markerFound_; }
  /// Why the last Get ended; HttpError::None before the first.
  HttpError LastError() const { return error_; }
  /// The request headers in sending order (without "Host", which Get adds).
  const std::vector<std::pair<std::string, std::string>>& RequestHeaders() const { return headers_; }

 private:
  bool secure_ = true;
  int32_t port_ = DefaultPort;
  std::vector<std::pair<std::string, std::string>> headers_;
  int32_t status_ = 0;
  std::string marker_;
  bool markerFound_ = false;
  HttpError error_ = HttpError::None;
};

}  // namespace fw
