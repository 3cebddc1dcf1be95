#include "http_exchange.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include "framework/display.h"
#include "framework/unique_fd.h"
#include "openssl_owners.h"

namespace fw::http {
namespace {

using openssl::SslCtxPtr;
using openssl::SslPtr;

// The head start each connection attempt gets before the next address is tried beside it.
constexpr double kAttemptDelayMs = 250.0;
// Most bytes read in one pass before the windows get their turn again.
constexpr std::size_t kReadPerPass = std::size_t{1} << 20;

socklen_t ToSockaddr(const Endpoint& e, sockaddr_storage& out) {
  out = {};
  if (e.family == Endpoint::Family::V4) {
    auto* in = reinterpret_cast<sockaddr_in*>(&out);
    in->sin_family = AF_INET;
    in->sin_port = htons(e.port);
    std::memcpy(&in->sin_addr, e.address.data(), 4);
    return sizeof(sockaddr_in);
  }
  auto* in6 = reinterpret_cast<sockaddr_in6*>(&out);
  in6->sin6_family = AF_INET6;
  in6->sin6_port = htons(e.port);
  std::memcpy(&in6->sin6_addr, e.address.data(), 16);
  in6->sin6_scope_id = e.scope;
  return sizeof(sockaddr_in6);
}

// Drives one request on the calling thread, waiting only in fw::WaitBusy: resolve, connect,
// handshake, send, read the header block, read the page. Each step advances as far as it can
// without blocking.
class Exchange {
 public:
  Exchange(System& platform, const Target& target, bool secure, std::string_view request,
           std::string marker)
      : platform_(platform),
        target_(target),
        secure_(secure),
        request_(request),
        reader_(std::move(marker)) {}

  Exchange(const Exchange&) = delete;
  Exchange& operator=(const Exchange&) = delete;

  ~Exchange() {
    Close();
    ERR_clear_error();
  }

  HttpError Run(uint64_t timeoutTicks) {
    msPerTick_ = platform_.MillisecondsPerTick();
    if (!(msPerTick_ > 0.0)) msPerTick_ = 1000.0 / 60.0;
    attemptDelay_ = static_cast<uint64_t>(std::ceil(kAttemptDelayMs / msPerTick_));
    if (secure_ && !MakeContext()) return HttpError::TlsSetup;
    // The deadline runs from before the look-up starts: however long starting it takes counts.
    deadline_ = platform_.Ticks() + timeoutTicks;
    lookup_ = platform_.ResolveStream(target_.host, target_.port);
    step_ = Step::Resolving;
    for (;;) {
      const uint64_t pageBefore = reader_.PageBytes();
      moved_ = false;
      const Pass pass = Advance();
      if (step_ == Step::Done) break;
      const uint64_t now = platform_.Ticks();
      if (moved_ || reader_.PageBytes() > pageBefore) {
        deadline_ = now + timeoutTicks;
      } else if (now > deadline_) {
        error_ = HttpError::TimedOut;
        break;
      }
      Wait(pass, deadline_ + 1, now);
    }
    Close();
    return error_;
  }

  HttpAnswer Answer() const { return reader_.Result(); }

 private:
  enum class Step { Resolving, Connecting, Handshaking, Sending, ReadingHeader, ReadingPage, Done };
  // How a pass ended: waiting for a descriptor, or stopped only to let the windows paint.
  enum class Pass { Wait, Yield };

  struct Attempt {
    UniqueFd fd;
  };

  Pass Advance() {
    for (;;) {
      const Step before = step_;
      Pass pass = Pass::Wait;
      switch (step_) {
        case Step::Resolving: Resolve(); break;
        case Step::Connecting: Connect(); break;
        case Step::Handshaking: Handshake(); break;
        case Step::Sending: Send(); break;
        case Step::ReadingHeader:
        case Step::ReadingPage: pass = Read(); break;
        case Step::Done: return Pass::Wait;
      }
      if (step_ == before) return pass;
    }
  }

  void Wait(Pass pass, uint64_t deadline, uint64_t now) {
    if (pass == Pass::Yield) {
      fw::WaitBusy({}, 0);
      return;
    }
    uint64_t until = deadline;
    std::vector<Watch> watches;
    switch (step_) {
      case Step::Resolving:
        watches.push_back({lookup_->WaitFd(), Ready::Read});
        // Without a descriptor to wake it, the wait looks again at short intervals.
        if (watches.back().fd < 0) until = std::min(until, now + std::max<uint64_t>(1, attemptDelay_ / 5));
        break;
      case Step::Connecting:
        for (const Attempt& a : attempts_) watches.push_back({a.fd.get(), Ready::Write});
        if (next_ < order_.size()) until = std::min(until, std::max(nextAttemptAt_, now + 1));
        break;
      default:
        watches.push_back({fd_.get(), want_});
        break;
    }
    fw::WaitBusy(watches, WaitMilliseconds(until > now ? until - now : 1));
  }

  int WaitMilliseconds(uint64_t ticks) const {
    double ms = std::ceil(static_cast<double>(ticks) * msPerTick_);
    return static_cast<int>(std::clamp(ms, 1.0, static_cast<double>(INT_MAX)));
  }

  void Finish(HttpError e) {
    error_ = e;
    step_ = Step::Done;
  }

  // ---- Resolve

  void Resolve() {
    if (!lookup_->Done()) return;
    // An answer that comes in after the deadline is not used, however soon the wait notices it.
    if (platform_.Ticks() > deadline_) return Finish(HttpError::TimedOut);
    order_ = InterleaveFamilies(lookup_->Take());
    lookup_.reset();
    if (order_.empty()) return Finish(HttpError::NotResolved);
    step_ = Step::Connecting;
  }

  // ---- Connect

  // Starts a non-blocking connection to `e`; false when it failed at once.
  bool StartAttempt(const Endpoint& e) {
    sockaddr_storage sa;
    const socklen_t len = ToSockaddr(e, sa);
    UniqueFd fd(::socket(sa.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd) return false;
    int r;
    do {
      r = ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&sa), len);
    } while (r != 0 && errno == EINTR);
    if (r != 0 && errno != EINPROGRESS) return false;
    attempts_.push_back({std::move(fd)});
    return true;
  }

  enum class Link { Pending, Up, Down };

  // Checked on every pass, whatever the wait reported: a connect that finished at once is
  // noticed on the first pass, and a spurious wake-up finds the socket still connecting.
  static Link LinkOf(int fd) {
    int err = 0;
    socklen_t len = sizeof err;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) return Link::Down;
    if (err != 0) return Link::Down;
    sockaddr_storage peer{};
    socklen_t plen = sizeof peer;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &plen) != 0) {
      return errno == ENOTCONN ? Link::Pending : Link::Down;
    }
    return Link::Up;
  }

  void Connect() {
    for (;;) {
      const uint64_t now = platform_.Ticks();
      // The next address gets its turn when nothing is under way or the last one's head start
      // is over; one that fails at once hands on at once.
      while (next_ < order_.size() && (attempts_.empty() || now >= nextAttemptAt_)) {
        if (StartAttempt(order_[next_++])) nextAttemptAt_ = now + attemptDelay_;
      }
      bool failed = false;
      for (auto it = attempts_.begin(); it != attempts_.end();) {
        const Link link = LinkOf(it->fd.get());
        if (link == Link::Up) {
          fd_ = std::move(it->fd);
          attempts_.clear();  // the others are closed
          moved_ = true;      // the connection came up
          if (!secure_) {
            step_ = Step::Sending;
            return;
          }
          if (!MakeSession()) return Finish(HttpError::TlsSetup);
          step_ = Step::Handshaking;
          return;
        }
        if (link == Link::Down) {
          it = attempts_.erase(it);
          failed = true;
        } else {
          ++it;
        }
      }
      if (attempts_.empty() && next_ >= order_.size()) return Finish(HttpError::ConnectFailed);
      if (!failed || next_ >= order_.size()) return;
      nextAttemptAt_ = now;  // a failure hands on at once
    }
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
    // The socket BIO writes with write(2): SIGPIPE is ignored process-wide (SetUpProcess).
    if (SSL_set_fd(ssl_.get(), fd_.get()) != 1) return false;
    SSL_set_connect_state(ssl_.get());
    return true;
  }

  // ---- Handshake

  void Handshake() {
    ERR_clear_error();
    int r = SSL_do_handshake(ssl_.get());
    if (r != 1) {
      int err = SSL_get_error(ssl_.get(), r);
      if (err == SSL_ERROR_WANT_READ) {
        want_ = Ready::Read;
        return;
      }
      if (err == SSL_ERROR_WANT_WRITE) {
        want_ = Ready::Write;
        return;
      }
      fatal_ = true;
      return Finish(HttpError::TlsHandshake);
    }
    // SSL_VERIFY_PEER already fails the handshake on a refused certificate; checked again so
    // that nothing is ever sent over an unverified session.
    if (SSL_get_verify_result(ssl_.get()) != X509_V_OK || !SSL_get0_peer_certificate(ssl_.get())) {
      return Finish(HttpError::TlsHandshake);
    }
    handshakeDone_ = true;
    moved_ = true;  // the secure connection is up
    step_ = Step::Sending;
  }

  // ---- Send

  void Send() {
    while (sent_ < request_.size()) {
      std::size_t n = 0;
      int io = Write(request_.substr(sent_), n);
      if (io == 0) {
        want_ = wantAfterIo_;
        return;
      }
      if (io < 0) {
        return Finish(HttpError::SendFailed);
      }
      sent_ += n;
    }
    step_ = Step::ReadingHeader;
    want_ = Ready::Read;
  }

  // 1: some bytes written; 0: try again when `wantAfterIo_` is ready; -1: broken.
  int Write(std::string_view data, std::size_t& n) {
    if (ssl_) {
      ERR_clear_error();
      if (SSL_write_ex(ssl_.get(), data.data(), data.size(), &n) == 1) return 1;
      return SslRetry();
    }
    for (;;) {
      ssize_t r = ::send(fd_.get(), data.data(), data.size(), 0);
      if (r >= 0) {
        n = static_cast<std::size_t>(r);
        return 1;
      }
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) {
        wantAfterIo_ = Ready::Write;
        return 0;
      }
      return -1;
    }
  }

  // ---- Read the header block, then the page

  Pass Read() {
    char buf[16384];
    std::size_t thisPass = 0;
    for (;;) {
      if (thisPass >= kReadPerPass) return Pass::Yield;
      std::size_t n = 0;
      int io = Receive(buf, sizeof buf, n);
      if (io == 0) {
        want_ = wantAfterIo_;
        return Pass::Wait;
      }
      if (io < 0) {
        Finish(io == -1 ? HttpError::None : HttpError::ReceiveFailed);
        return Pass::Wait;
      }
      thisPass += n;
      reader_.Feed(std::string_view(buf, n));
      step_ = reader_.HeaderEnded() ? Step::ReadingPage : Step::ReadingHeader;
    }
  }

  // 1: some bytes read; 0: try again when `wantAfterIo_` is ready; -1: closed by the server;
  // -2: broken.
  int Receive(char* buf, std::size_t size, std::size_t& n) {
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
        wantAfterIo_ = Ready::Read;
        return 0;
      }
      return -2;
    }
  }

  int SslRetry() {
    int err = SSL_get_error(ssl_.get(), 0);
    if (err == SSL_ERROR_WANT_READ) {
      wantAfterIo_ = Ready::Read;
      return 0;
    }
    if (err == SSL_ERROR_WANT_WRITE) {
      wantAfterIo_ = Ready::Write;
      return 0;
    }
    fatal_ = true;
    return -1;
  }

  void Close() {
    if (ssl_ && handshakeDone_ && !fatal_) {
      ERR_clear_error();
      SSL_shutdown(ssl_.get());  // one try at close_notify; not waited for
    }
    ssl_.reset();
    fd_.Reset();
    attempts_.clear();
    lookup_.reset();  // an unfinished look-up is abandoned
  }

  System& platform_;
  const Target& target_;
  const bool secure_;
  const std::string_view request_;

  Step step_ = Step::Resolving;
  std::optional<PendingLookup> lookup_;
  std::vector<Endpoint> order_;   // the addresses in the order they are tried
  std::size_t next_ = 0;          // the next of order_ to try
  std::vector<Attempt> attempts_; // connections under way, oldest first
  uint64_t nextAttemptAt_ = 0;    // tick at which the next address gets its turn
  double msPerTick_ = 1000.0 / 60.0;  // the clock's, read once per request
  uint64_t attemptDelay_ = 15;
  // Declared before the session so that the session is freed first.
  UniqueFd fd_;
  SslCtxPtr ctx_;
  SslPtr ssl_;

  Ready want_ = Ready::Write;
  Ready wantAfterIo_ = Ready::Read;
  bool handshakeDone_ = false;
  bool fatal_ = false;  // after a fatal TLS error no close_notify may be sent
  bool moved_ = false;  // the connection came up or was secured in this pass
  uint64_t deadline_ = 0;  // tick after which the wait gives up
  HttpError error_ = HttpError::None;
  std::size_t sent_ = 0;
  AnswerReader reader_;
};


}  // namespace

HttpError RunExchange(System& system, const Target& target, bool secure, std::string_view request,
                      std::string marker, uint64_t timeoutTicks, HttpAnswer& answer) {
  Exchange exchange(system, target, secure, request, std::move(marker));
  const HttpError error = exchange.Run(timeoutTicks);
  answer = exchange.Answer();
  return error;
}

}  // namespace fw::http
