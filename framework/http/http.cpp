#include "framework/http.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "framework/secret.h"
#include "framework/system.h"
#include "http_exchange.h"

namespace fw {
namespace {

// ---- Address and request -------------------------------------------------------------------------

using http::Target;

// Bytes that may not appear in a host part or path: controls, blank, DEL.
bool UnsafeByte(unsigned char c) { return c <= 0x20 || c == 0x7F; }

bool SafeText(std::string_view s) {
  return std::none_of(s.begin(), s.end(), [](char c) { return UnsafeByte(static_cast<unsigned char>(c)); });
}

std::optional<Target> ParseAddress(std::string_view url, int32_t defaultPort) {
  std::size_t scheme = url.find("://");
  if (scheme == std::string_view::npos) return std::nullopt;
  std::string_view rest = url.substr(scheme + 3);
  std::size_t slash = rest.find('/');
  Target t;
  std::string_view hostPart = rest.substr(0, slash);
  t.path = slash == std::string_view::npos ? std::string("/") : std::string(rest.substr(slash));
  if (hostPart.empty() || !SafeText(hostPart) || !SafeText(t.path)) return std::nullopt;
  std::size_t colon = hostPart.find(':');
  std::string_view host = hostPart.substr(0, colon);
  // A leading dot is no host name, and the certificate check would read it as "any subdomain".
  if (host.empty() || host.front() == '.') return std::nullopt;
  if (colon == std::string_view::npos) {
    if (defaultPort < 1 || defaultPort > 65535) return std::nullopt;
    t.port = static_cast<uint16_t>(defaultPort);
  } else {
    std::string_view digits = hostPart.substr(colon + 1);
    if (digits.empty() || digits.size() > 5) return std::nullopt;
    uint32_t port = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return std::nullopt;
      port = port * 10 + static_cast<uint32_t>(c - '0');
    }
    if (port < 1 || port > 65535) return std::nullopt;
    t.port = static_cast<uint16_t>(port);
  }
  t.hostPart = std::string(hostPart);
  t.host = std::string(host);
  return t;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// A header name is a token: visible ASCII without ':'.
bool SafeHeaderName(std::string_view name) {
  if (name.empty()) return false;
  return std::all_of(name.begin(), name.end(), [](char ch) {
    auto c = static_cast<unsigned char>(ch);
    return c > 0x20 && c < 0x7F && c != ':';
  });
}

// A header value may hold tabs but nothing else below blank, and no DEL.
bool SafeHeaderValue(std::string_view value) {
  return std::all_of(value.begin(), value.end(), [](char ch) {
    auto c = static_cast<unsigned char>(ch);
    return (c >= 0x20 && c != 0x7F) || c == '\t';
  });
}

constexpr uint64_t kTicksPerSecond = 60;  // the rate of System::Ticks

}  // namespace

String EncodeBase64(const String& text, int32_t) {
  const std::string& in = text.Bytes();
  std::string out(4 * ((in.size() + 2) / 3) + 1, '\0');
  // EVP_EncodeBlock takes an int length: encode whole groups of three in bounded chunks.
  constexpr std::size_t kChunk = 3u << 20;
  std::size_t read = 0, written = 0;
  while (read < in.size()) {
    std::size_t n = std::min(kChunk, in.size() - read);
    int r = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data() + written),
                            reinterpret_cast<const unsigned char*>(in.data() + read),
                            static_cast<int>(n));
    written += static_cast<std::size_t>(r);
    read += n;
  }
  out.resize(written);
  return String(std::move(out));
}

std::string_view to_string(HttpError error) {
  switch (error) {
    case HttpError::None: return "none";
    case HttpError::BadAddress: return "bad address";
    case HttpError::BadHeader: return "bad request header";
    case HttpError::NotResolved: return "host not resolved";
    case HttpError::ConnectFailed: return "connection failed";
    case HttpError::TlsSetup: return "TLS setup failed";
    case HttpError::TlsHandshake: return "TLS handshake failed";
    case HttpError::SendFailed: return "sending failed";
    case HttpError::ReceiveFailed: return "receiving failed";
    case HttpError::TimedOut: return "timed out";
  }
  return "unknown";
}

const ClassRecord* HTTPSecureSocket::Record() {
  static const ClassRecord* slot = nullptr;
  if (!slot) {
    ClassRecord record;
    record.base = Object::Record();
    record.name = "HTTPSecureSocket";
    record.allocate = []() -> Ref<Object> { return MakeObject<HTTPSecureSocket>(slot); };
    RuntimeNewClass(slot, std::move(record));
  }
  return slot;
}

HTTPSecureSocket::~HTTPSecureSocket() {
  for (auto& [name, value] : headers_) {
    Wipe(value);
  }
}

void HTTPSecureSocket::Constructor() {
  secure_ = true;
  port_ = DefaultPort;
  headers_ = {{"Accept", "*/*"}, {"Accept-Language", "en"}};
  status_ = 0;
  error_ = HttpError::None;
}

void HTTPSecureSocket::SetRequestHeader(const String& name, const String& value) {
  const std::string& n = name.Bytes();
  if (n.empty()) return;
  auto it = std::find_if(headers_.begin(), headers_.end(),
                         [&](const auto& h) { return EqualNoCase(h.first, n); });
  if (value.IsEmpty()) {
    if (it != headers_.end()) {
      Wipe(it->second);
      headers_.erase(it);
    }
  } else if (it != headers_.end()) {
    Wipe(it->second);
    it->second = value.Bytes();
  } else {
    headers_.emplace_back(n, value.Bytes());
  }
}

String HTTPSecureSocket::Get(const String& url, int32_t timeoutSeconds) {
  status_ = 0;
  markerFound_ = false;
  auto target = ParseAddress(url.Bytes(), port_);
  if (!target) {
    error_ = HttpError::BadAddress;
    return String();
  }
  if (!HasSystem()) {
    error_ = HttpError::ConnectFailed;
    return String();
  }
  // Reserved whole so that no partial copy of a header value is left behind by growth.
  std::size_t size = target->path.size() + target->hostPart.size() + 32;
  for (const auto& [name, value] : headers_) size += name.size() + value.size() + 4;
  std::string request;
  WipeOnExit wipe(request);
  request.reserve(size);
  request.append("GET ").append(target->path).append(" HTTP/1.0\r\nHost: ");
  request.append(target->hostPart).append("\r\n");
  for (const auto& [name, value] : headers_) {
    if (!SafeHeaderName(name) || !SafeHeaderValue(value)) {
      error_ = HttpError::BadHeader;
      return String();
    }
    if (EqualNoCase(name, "Host")) continue;  // the address decides the host
    request += name;
    request += ": ";
    request += value;
    request += "\r\n";
  }
  request += "\r\n";

  const uint64_t timeoutTicks = static_cast<uint64_t>(std::max<int32_t>(timeoutSeconds, 0)) * kTicksPerSecond;
  HttpAnswer answer;
  error_ =
      http::RunExchange(CurrentSystem(), *target, secure_, request, marker_, timeoutTicks, answer);
  status_ = answer.status;
  markerFound_ = answer.markerFound;
  return String(std::move(answer.page));
}

}  // namespace fw
