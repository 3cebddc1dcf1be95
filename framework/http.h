// HTTPSecureSocket: the framework's synchronous HTTP client over TLS.
//
// Sends an HTTP/1.0 GET of the address's path to the address's host, port 443 unless the address
// names one, over TLS (SNI, system trust store, chain and host-name checks, TLS 1.2 or later),
// with the request headers in the order they were set, each once; "Host" is added when sending.
// Reads the answer until the server closes it. Follows no redirects, retries nothing.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "framework/object.h"
#include "framework/text.h"

namespace fw {

/// A parsed answer: status code (0 when no header block arrived) and the page.
struct HttpAnswer {
  int32_t status = 0;
  bool headerComplete = false;
  std::string page;
};

/// Parses raw answer bytes: line end CR LF when present, else LF, else CR; the header block ends
/// at the first empty line; the status is the second blank-separated field of the first line
/// (0 when it does not begin with a number); the page is every byte after the empty line.
HttpAnswer ParseHttpAnswer(std::string_view raw);

/// The Base64 form of the text's bytes as one unbroken line (`lineWidth` is accepted and ignored:
/// the result never holds a line break).
String EncodeBase64(const String& text, int32_t lineWidth);

/// The framework's HTTP client.
class HTTPSecureSocket : public Object {
 public:
  static const ClassRecord* Record();
  static constexpr int32_t DefaultPort = 443;
  /// Most page bytes kept; past it the client stops reading and judges what arrived.
  static constexpr std::size_t kMaxPage = 1 << 20;

  /// HTTPSecureSocket.Constructor: TLS on, port 443, headers "Accept" and "Accept-Language".
  void Constructor();
  /// SSLSocket.Secure.Set.
  void SetSecure(bool secure) { secure_ = secure; }
  /// Sets a request header, replacing an earlier value of that name; an empty value deletes it.
  void SetRequestHeader(const String& name, const String& value);
  /// Synchronous GET with an inactivity time-out in seconds; gives the page (what arrived) and
  /// leaves the status code in HTTPStatusCode.
  String Get(const String& url, int32_t timeoutSeconds);
  /// The last answer's status code; 0 when no answer came.
  int32_t HTTPStatusCode() const { return status_; }

 private:
  bool secure_ = true;
  std::vector<std::pair<std::string, std::string>> headers_;
  int32_t status_ = 0;
};

}  // namespace fw
