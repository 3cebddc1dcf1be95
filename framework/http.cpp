#include "framework/http.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <openssl/bio.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <memory>
#include <optional>

#include "framework/platform.h"

namespace fw {
namespace {

// ---- Owners ----------------------------------------------------------------------------------

// Owns one socket descriptor; closes it on destruction.
class SocketFd {
 public:
  SocketFd() = default;
  explicit SocketFd(int fd) : fd_(fd) {}
  SocketFd(SocketFd&& o) noexcept : fd_(std::exchange(o.fd_, -1)) {}
  SocketFd& operator=(SocketFd&& o) noexcept {
    if (this != &o) {
      Reset();
      fd_ = std::exchange(o.fd_, -1);
    }
    return *this;
  }
  SocketFd(const SocketFd&) = delete;
  SocketFd& operator=(const SocketFd&) = delete;
  ~SocketFd() { Reset(); }

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  void Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

struct SslCtxFree {
  void operator()(SSL_CTX* p) const { SSL_CTX_free(p); }
};
struct SslFree {
  void operator()(SSL* p) const { SSL_free(p); }
};
using SslCtxPtr = std::unique_ptr<SSL_CTX, SslCtxFree>;
using SslPtr = std::unique_ptr<SSL, SslFree>;

// ---- A socket BIO that never raises SIGPIPE ------------------------------------------------------
//
// OpenSSL's own socket BIO writes with write(2), which raises SIGPIPE when the server has gone;
// this one sends with MSG_NOSIGNAL. It does not own the descriptor.

struct BioSocket {
  int fd = -1;
  bool eof = false;
};

int BioSocketCreate(BIO* b) {
  BIO_set_data(b, new BioSocket);
  BIO_set_init(b, 1);
  return 1;
}

int BioSocketDestroy(BIO* b) {
  delete static_cast<BioSocket*>(BIO_get_data(b));
  BIO_set_data(b, nullptr);
  return 1;
}

int BioSocketWrite(BIO* b, const char* data, size_t len, size_t* written) {
  auto* s = static_cast<BioSocket*>(BIO_get_data(b));
  BIO_clear_retry_flags(b);
  for (;;) {
    ssize_t r = ::send(s->fd, data, len, MSG_NOSIGNAL);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK) BIO_set_retry_write(b);
      return 0;
    }
    *written = static_cast<size_t>(r);
    return 1;
  }
}

int BioSocketRead(BIO* b, char* data, size_t len, size_t* readBytes) {
  auto* s = static_cast<BioSocket*>(BIO_get_data(b));
  BIO_clear_retry_flags(b);
  for (;;) {
    ssize_t r = ::recv(s->fd, data, len, 0);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK) BIO_set_retry_read(b);
      return 0;
    }
    if (r == 0) {
      s->eof = true;
      return 0;
    }
    *readBytes = static_cast<size_t>(r);
    return 1;
  }
}

long BioSocketCtrl(BIO* b, int cmd, long, void*) {
  auto* s = static_cast<BioSocket*>(BIO_get_data(b));
  switch (cmd) {
    case BIO_CTRL_FLUSH: return 1;
    case BIO_CTRL_EOF: return s && s->eof ? 1 : 0;
    default: return 0;
  }
}

// The method table lives for the whole process.
const BIO_METHOD* BioSocketMethod() {
  static BIO_METHOD* method = [] {
    BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK | BIO_TYPE_DESCRIPTOR,
                                 "keldara nosignal socket");
    if (m) {
      BIO_meth_set_create(m, BioSocketCreate);
      BIO_meth_set_destroy(m, BioSocketDestroy);
      BIO_meth_set_write_ex(m, BioSocketWrite);
      BIO_meth_set_read_ex(m, BioSocketRead);
      BIO_meth_set_ctrl(m, BioSocketCtrl);
    }
    return m;
  }();
  return method;
}

// ---- Address and request -------------------------------------------------------------------------

struct Target {
  std::string hostPart;  // as written in the address: the Host header's value
  std::string host;      // the name to resolve and to check the certificate against
  uint16_t port = 0;
  std::string path;
};

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

// ---- Answer parsing ------------------------------------------------------------------------------

// The first line's line end, or nothing when it cannot be told yet (no CR or LF, or a CR as the
// last byte while more may follow).
std::optional<std::string_view> LineEnd(std::string_view raw, bool complete) {
  std::size_t i = raw.find_first_of("\r\n");
  if (i == std::string_view::npos) return std::nullopt;
  if (raw[i] == '\n') return std::string_view("\n");
  if (i + 1 < raw.size()) return raw[i + 1] == '\n' ? std::string_view("\r\n") : std::string_view("\r");
  if (complete) return std::string_view("\r");
  return std::nullopt;
}

struct HeaderBlock {
  std::size_t firstLineEnd = 0;
  std::size_t bodyStart = 0;
};

// Where the header block ends; nothing when it has not ended in `raw`. With `complete` false the
// answer may still grow, and a result is given only when more bytes cannot change it.
std::optional<HeaderBlock> FindHeaderBlock(std::string_view raw, bool complete) {
  auto eol = LineEnd(raw, complete);
  if (!eol) return std::nullopt;
  HeaderBlock h;
  h.firstLineEnd = raw.find(*eol);
  if (h.firstLineEnd == 0) {
    h.bodyStart = eol->size();
    return h;
  }
  std::string twice = std::string(*eol) + std::string(*eol);
  std::size_t at = raw.find(twice);
  if (at == std::string_view::npos) return std::nullopt;
  h.bodyStart = at + twice.size();
  return h;
}

int32_t StatusOf(std::string_view firstLine) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  std::size_t i = 0;
  while (i < firstLine.size() && blank(firstLine[i])) ++i;
  while (i < firstLine.size() && !blank(firstLine[i])) ++i;
  while (i < firstLine.size() && blank(firstLine[i])) ++i;
  uint32_t v = 0;
  for (; i < firstLine.size() && firstLine[i] >= '0' && firstLine[i] <= '9'; ++i) {
    v = v * 10u + static_cast<uint32_t>(firstLine[i] - '0');
  }
  return static_cast<int32_t>(v);
}

// ---- One exchange --------------------------------------------------------------------------------

constexpr uint64_t kTicksPerSecond = 60;

// Drives one request over one connection (after trying the addresses in order) on the calling
// thread, waiting only in Platform::WaitBusy.
class Exchange {
 public:
  Exchange(Platform& platform, const Target& target, bool secure, std::string_view request)
      : platform_(platform), target_(target), secure_(secure), request_(request) {}

  Exchange(const Exchange&) = delete;
  Exchange& operator=(const Exchange&) = delete;

  ~Exchange() {
    Close();
    ERR_clear_error();
  }

  // Runs the exchange to its end; the answer bytes are left in raw().
  HttpError Run(uint64_t timeoutTicks) {
    addresses_ = platform_.ResolveStream(target_.host, target_.port);
    if (addresses_.empty()) return HttpError::NotResolved;
    if (secure_ && !MakeContext()) return HttpError::TlsSetup;
    if (!ConnectNext()) return HttpError::ConnectFailed;

    uint64_t deadline = platform_.Ticks() + timeoutTicks;
    for (;;) {
      const std::size_t pageBefore = PageSize();
      changed_ = false;
      Step();
      if (done_) break;
      const uint64_t now = platform_.Ticks();
      if (changed_ || PageSize() > pageBefore) {
        deadline = now + timeoutTicks;
      } else if (now > deadline) {
        error_ = HttpError::TimedOut;
        break;
      }
      platform_.WaitBusy(fd_.get(), want_, WaitMilliseconds(deadline + 1 - now));
    }
    Close();
    return error_;
  }

  std::string& raw() { return raw_; }

 private:
  enum class Phase { Connecting, Handshake, Sending, Receiving };

  int WaitMilliseconds(uint64_t ticks) const {
    double perTick = platform_.MillisecondsPerTick();
    if (!(perTick > 0.0)) perTick = 1000.0 / 60.0;
    double ms = std::ceil(static_cast<double>(ticks) * perTick);
    return static_cast<int>(std::clamp(ms, 1.0, static_cast<double>(INT_MAX)));
  }

  std::size_t PageSize() const { return header_ ? raw_.size() - header_->bodyStart : 0; }

  void Finish(HttpError e) {
    error_ = e;
    done_ = true;
  }

  bool MakeContext() {
    ctx_.reset(SSL_CTX_new(TLS_client_method()));
    if (!ctx_) return false;
    SSL_CTX_set_min_proto_version(ctx_.get(), TLS1_2_VERSION);
    SSL_CTX_set_verify(ctx_.get(), SSL_VERIFY_PEER, nullptr);
    // HTTP/1.0: the server's close ends the page, with or without a close_notify.
    SSL_CTX_set_options(ctx_.get(), SSL_OP_IGNORE_UNEXPECTED_EOF);
    SSL_CTX_set_mode(ctx_.get(), SSL_MODE_ENABLE_PARTIAL_WRITE);
    return SSL_CTX_set_default_verify_paths(ctx_.get()) == 1;
  }

  bool MakeSession() {
    ssl_.reset(SSL_new(ctx_.get()));
    if (!ssl_) return false;
    in6_addr ip{};
    const bool literal = ::inet_pton(AF_INET, target_.host.c_str(), &ip) == 1 ||
                         ::inet_pton(AF_INET6, target_.host.c_str(), &ip) == 1;
    if (literal) {
      // An address literal is checked against the certificate's IP entries and sends no SNI.
      if (X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_.get()), target_.host.c_str()) != 1) {
        return false;
      }
    } else {
      if (SSL_set_tlsext_host_name(ssl_.get(), target_.host.c_str()) != 1) return false;
      SSL_set_hostflags(ssl_.get(), X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
      if (SSL_set1_host(ssl_.get(), target_.host.c_str()) != 1) return false;
    }
    BIO* bio = BIO_new(BioSocketMethod());
    if (!bio) return false;
    static_cast<BioSocket*>(BIO_get_data(bio))->fd = fd_.get();
    SSL_set_bio(ssl_.get(), bio, bio);
    SSL_set_connect_state(ssl_.get());
    return true;
  }

  // Starts a connection to the next address that takes one; false when none is left.
  bool ConnectNext() {
    while (next_ < addresses_.size()) {
      const SocketAddress& a = addresses_[next_++];
      fd_ = SocketFd(::socket(reinterpret_cast<const sockaddr*>(a.storage)->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
      if (!fd_) continue;
      int r;
      do {
        r = ::connect(fd_.get(), reinterpret_cast<const sockaddr*>(a.storage), a.length);
      } while (r != 0 && errno == EINTR);
      if (r == 0 || errno == EINPROGRESS) {
        phase_ = Phase::Connecting;
        want_ = POLLOUT;
        return true;
      }
      fd_.Reset();
    }
    return false;
  }

  // Advances as far as the connection allows without blocking.
  void Step() {
    if (phase_ == Phase::Connecting) {
      // Checked on every pass, whatever the wait reported: a connect that finished at once is
      // noticed on the first pass, and a spurious wake-up finds the socket still connecting.
      int err = 0;
      socklen_t len = sizeof err;
      if (::getsockopt(fd_.get(), SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
      if (err == 0) {
        sockaddr_storage peer{};
        socklen_t plen = sizeof peer;
        if (::getpeername(fd_.get(), reinterpret_cast<sockaddr*>(&peer), &plen) != 0) {
          if (errno == ENOTCONN) return;  // still on its way
          err = errno;
        }
      }
      if (err != 0) {
        fd_.Reset();
        if (!ConnectNext()) Finish(HttpError::ConnectFailed);
        return;
      }
      changed_ = true;  // the connection came up
      if (secure_) {
        if (!MakeSession()) return Finish(HttpError::TlsSetup);
        phase_ = Phase::Handshake;
      } else {
        phase_ = Phase::Sending;
      }
    }
    if (phase_ == Phase::Handshake) {
      ERR_clear_error();
      int r = SSL_do_handshake(ssl_.get());
      if (r != 1) {
        int err = SSL_get_error(ssl_.get(), r);
        if (err == SSL_ERROR_WANT_READ) {
          want_ = POLLIN;
          return;
        }
        if (err == SSL_ERROR_WANT_WRITE) {
          want_ = POLLOUT;
          return;
        }
        fatal_ = true;
        changed_ = true;
        return Finish(HttpError::TlsHandshake);
      }
      // SSL_VERIFY_PEER already fails the handshake on a refused certificate; checked again so
      // that nothing is ever sent over an unverified session.
      if (SSL_get_verify_result(ssl_.get()) != X509_V_OK || !SSL_get0_peer_certificate(ssl_.get())) {
        changed_ = true;
        return Finish(HttpError::TlsHandshake);
      }
      handshakeDone_ = true;
      phase_ = Phase::Sending;
    }
    if (phase_ == Phase::Sending) {
      while (sent_ < request_.size()) {
        std::size_t n = 0;
        int io = Write(request_.substr(sent_), n);
        if (io == 0) {
          want_ = wantAfterIo_;
          return;
        }
        if (io < 0) {
          changed_ = true;
          return Finish(HttpError::SendFailed);
        }
        sent_ += n;
      }
      phase_ = Phase::Receiving;
      want_ = POLLIN;
    }
    Receive();
  }

  // 1: some bytes written; 0: try again when `wantAfterIo_` is ready; -1: broken.
  int Write(std::string_view data, std::size_t& n) {
    if (ssl_) {
      ERR_clear_error();
      if (SSL_write_ex(ssl_.get(), data.data(), data.size(), &n) == 1) return 1;
      return SslRetry();
    }
    for (;;) {
      ssize_t r = ::send(fd_.get(), data.data(), data.size(), MSG_NOSIGNAL);
      if (r >= 0) {
        n = static_cast<std::size_t>(r);
        return 1;
      }
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) {
        wantAfterIo_ = POLLOUT;
        return 0;
      }
      return -1;
    }
  }

  // 1: some bytes read; 0: try again when `wantAfterIo_` is ready; -1: closed by the server;
  // -2: broken.
  int Read(char* buf, std::size_t size, std::size_t& n) {
    if (ssl_) {
      ERR_clear_error();
      if (SSL_read_ex(ssl_.get(), buf, size, &n) == 1) return 1;
      if (SSL_get_error(ssl_.get(), 0) == SSL_ERROR_ZERO_RETURN) return -1;
      int r = SslRetry();
      return r == 0 ? 0 : -2;
    }
    for (;;) {
      ssize_t r = ::recv(fd_.get(), buf, size, 0);
      if (r > 0) {
        n = static_cast<std::size_t>(r);
        return 1;
      }
      if (r == 0) return -1;
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) {
        wantAfterIo_ = POLLIN;
        return 0;
      }
      return -2;
    }
  }

  int SslRetry() {
    int err = SSL_get_error(ssl_.get(), 0);
    if (err == SSL_ERROR_WANT_READ) {
      wantAfterIo_ = POLLIN;
      return 0;
    }
    if (err == SSL_ERROR_WANT_WRITE) {
      wantAfterIo_ = POLLOUT;
      return 0;
    }
    fatal_ = true;
    return -1;
  }

  void Receive() {
    char buf[16384];
    for (;;) {
      std::size_t n = 0;
      int io = Read(buf, sizeof buf, n);
      if (io == 0) {
        want_ = wantAfterIo_;
        return;
      }
      if (io < 0) {
        changed_ = true;  // the connection went down
        return Finish(io == -1 ? HttpError::None : HttpError::ReceiveFailed);
      }
      raw_.append(buf, n);
      if (!header_) {
        header_ = FindHeaderBlock(raw_, false);
        if (!header_ && raw_.size() > HTTPSecureSocket::kMaxHeader) {
          return Finish(HttpError::HeaderTooLarge);
        }
      }
      if (header_ && PageSize() > HTTPSecureSocket::kMaxPage) {
        raw_.resize(header_->bodyStart + HTTPSecureSocket::kMaxPage);
        return Finish(HttpError::PageTooLarge);
      }
    }
  }

  void Close() {
    if (ssl_ && handshakeDone_ && !fatal_) {
      ERR_clear_error();
      SSL_shutdown(ssl_.get());  // one try at close_notify; not waited for
    }
    ssl_.reset();
    fd_.Reset();
  }

  Platform& platform_;
  const Target& target_;
  const bool secure_;
  const std::string_view request_;

  std::vector<SocketAddress> addresses_;
  std::size_t next_ = 0;
  // Declared before the session so that the session is freed first.
  SocketFd fd_;
  SslCtxPtr ctx_;
  SslPtr ssl_;

  Phase phase_ = Phase::Connecting;
  short want_ = POLLOUT;
  short wantAfterIo_ = POLLIN;
  bool handshakeDone_ = false;
  bool fatal_ = false;  // after a fatal TLS error no close_notify may be sent
  bool changed_ = false;
  bool done_ = false;
  HttpError error_ = HttpError::None;
  std::size_t sent_ = 0;
  std::string raw_;
  std::optional<HeaderBlock> header_;
};

// Wipes a buffer that held a credential before its memory goes back.
struct Wipe {
  std::string& s;
  ~Wipe() {
    if (!s.empty()) OPENSSL_cleanse(s.data(), s.size());
  }
};

}  // namespace

HttpAnswer ParseHttpAnswer(std::string_view raw) {
  HttpAnswer a;
  auto h = FindHeaderBlock(raw, true);
  if (!h) return a;
  a.headerComplete = true;
  a.status = StatusOf(raw.substr(0, h->firstLineEnd));
  a.page = std::string(raw.substr(h->bodyStart));
  return a;
}

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
    case HttpError::PageTooLarge: return "page too large";
    case HttpError::HeaderTooLarge: return "header block too large";
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
    if (!value.empty()) OPENSSL_cleanse(value.data(), value.size());
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
      OPENSSL_cleanse(it->second.data(), it->second.size());
      headers_.erase(it);
    }
  } else if (it != headers_.end()) {
    OPENSSL_cleanse(it->second.data(), it->second.size());
    it->second = value.Bytes();
  } else {
    headers_.emplace_back(n, value.Bytes());
  }
}

String HTTPSecureSocket::Get(const String& url, int32_t timeoutSeconds) {
  status_ = 0;
  auto target = ParseAddress(url.Bytes(), port_);
  if (!target) {
    error_ = HttpError::BadAddress;
    return String();
  }
  if (!HasPlatform()) {
    error_ = HttpError::ConnectFailed;
    return String();
  }
  // Reserved whole so that no partial copy of a header value is left behind by growth.
  std::size_t size = target->path.size() + target->hostPart.size() + 32;
  for (const auto& [name, value] : headers_) size += name.size() + value.size() + 4;
  std::string request;
  Wipe wipe{request};
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
  Exchange exchange(CurrentPlatform(), *target, secure_, request);
  error_ = exchange.Run(timeoutTicks);
  if (error_ == HttpError::HeaderTooLarge) return String();
  HttpAnswer answer = ParseHttpAnswer(exchange.raw());
  status_ = answer.status;
  return String(std::move(answer.page));
}

}  // namespace fw
