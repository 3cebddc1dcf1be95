// The loopback TLS fixtures of tls_server.h. One file, as the header is one fixture: the
// certificate authority issues what the server presents, and both share the OpenSSL owners and
// the one way a fixture fails (an exception naming what could not be set up).
#include "tests/support/tls_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "framework/http/openssl_owners.h"

namespace testing_support {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

using Pkey = fw::openssl::PkeyPtr;
using Cert = fw::openssl::X509Ptr;
using Bio = fw::openssl::BioPtr;
using SslCtx = fw::openssl::SslCtxPtr;
using Ssl = fw::openssl::SslPtr;

[[noreturn]] void Fail(const std::string& what) {
  ERR_clear_error();
  throw std::runtime_error("test TLS fixture: " + what);
}

void Check(bool ok, const char* what) {
  if (!ok) Fail(what);
}

Pkey NewKey() {
  Pkey key(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
  Check(key != nullptr, "key generation failed");
  return key;
}

void AddExtension(X509* cert, X509* issuer, int nid, const char* value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
  X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
  Check(ext != nullptr, "certificate extension refused");
  bool ok = X509_add_ext(cert, ext, -1) == 1;
  X509_EXTENSION_free(ext);
  Check(ok, "certificate extension not added");
}

// The subjectAltName is built by hand so that any bytes (UTF-8 names included) can be issued.
void AddDnsNames(X509* cert, const std::vector<std::string>& names) {
  GENERAL_NAMES* gens = sk_GENERAL_NAME_new_null();
  Check(gens != nullptr, "out of memory");
  for (const auto& n : names) {
    GENERAL_NAME* g = GENERAL_NAME_new();
    ASN1_IA5STRING* s = ASN1_IA5STRING_new();
    if (!g || !s || ASN1_STRING_set(s, n.data(), static_cast<int>(n.size())) != 1) {
      GENERAL_NAME_free(g);
      ASN1_IA5STRING_free(s);
      GENERAL_NAMES_free(gens);
      Fail("subjectAltName entry");
    }
    GENERAL_NAME_set0_value(g, GEN_DNS, s);
    sk_GENERAL_NAME_push(gens, g);
  }
  bool ok = X509_add1_ext_i2d(cert, NID_subject_alt_name, gens, 0, X509V3_ADD_DEFAULT) == 1;
  GENERAL_NAMES_free(gens);
  Check(ok, "subjectAltName not added");
}

// A certificate for `key` named `commonName`, signed by `issuerKey` as `issuer` (itself when nil).
Cert MakeCertificate(EVP_PKEY* key, const std::string& commonName, bool isCa,
                     const std::vector<std::string>& dnsNames, long validFrom, long validUntil,
                     X509* issuer, EVP_PKEY* issuerKey) {
  Cert cert(X509_new());
  Check(cert != nullptr, "out of memory");
  X509* x = cert.get();
  Check(X509_set_version(x, 2) == 1, "version");
  unsigned char serial[16];
  Check(RAND_bytes(serial, sizeof serial) == 1, "random serial");
  serial[0] &= 0x7F;  // positive
  BIGNUM* bn = BN_bin2bn(serial, sizeof serial, nullptr);
  Check(bn && BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(x)) != nullptr, "serial");
  BN_free(bn);
  Check(X509_gmtime_adj(X509_getm_notBefore(x), validFrom) != nullptr, "notBefore");
  Check(X509_gmtime_adj(X509_getm_notAfter(x), validUntil) != nullptr, "notAfter");
  Check(X509_set_pubkey(x, key) == 1, "public key");
  X509_NAME* name = X509_get_subject_name(x);
  Check(X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                                   reinterpret_cast<const unsigned char*>(commonName.c_str()), -1,
                                   -1, 0) == 1,
        "common name");
  X509* signer = issuer ? issuer : x;
  Check(X509_set_issuer_name(x, X509_get_subject_name(signer)) == 1, "issuer name");
  AddExtension(x, signer, NID_basic_constraints, isCa ? "critical,CA:TRUE" : "critical,CA:FALSE");
  AddExtension(x, signer, NID_key_usage,
               isCa ? "critical,keyCertSign,cRLSign" : "critical,digitalSignature");
  AddExtension(x, signer, NID_subject_key_identifier, "hash");
  AddExtension(x, signer, NID_authority_key_identifier, "keyid:always");
  if (!isCa) AddExtension(x, signer, NID_ext_key_usage, "serverAuth");
  if (!dnsNames.empty()) AddDnsNames(x, dnsNames);
  Check(X509_sign(x, issuerKey ? issuerKey : key, EVP_sha256()) > 0, "signing");
  return cert;
}

std::string CertPem(X509* cert) {
  Bio bio(BIO_new(BIO_s_mem()));
  Check(bio && PEM_write_bio_X509(bio.get(), cert) == 1, "certificate PEM");
  char* data = nullptr;
  long n = BIO_get_mem_data(bio.get(), &data);
  return std::string(data, static_cast<std::size_t>(n));
}

std::string KeyPem(EVP_PKEY* key) {
  Bio bio(BIO_new(BIO_s_mem()));
  Check(bio && PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr) == 1,
        "key PEM");
  char* data = nullptr;
  long n = BIO_get_mem_data(bio.get(), &data);
  return std::string(data, static_cast<std::size_t>(n));
}

TlsIdentity LeafIdentity(const std::vector<std::string>& dnsNames, long validFrom, long validUntil,
                         X509* issuer, EVP_PKEY* issuerKey) {
  Pkey key = NewKey();
  std::string cn = dnsNames.empty() ? std::string("keldara test server") : dnsNames.front();
  Cert cert = MakeCertificate(key.get(), cn, false, dnsNames, validFrom, validUntil, issuer,
                              issuerKey);
  return TlsIdentity{CertPem(cert.get()), KeyPem(key.get())};
}

}  // namespace

// ---- Certificate authority ----------------------------------------------------------------------

struct TestCertificateAuthority::Impl {
  Pkey key;
  Cert cert;
  std::string pem;
  std::string bundlePath;
};

TestCertificateAuthority::TestCertificateAuthority(const std::string& commonName)
    : impl_(std::make_unique<Impl>()) {
  impl_->key = NewKey();
  impl_->cert = MakeCertificate(impl_->key.get(), commonName, true, {}, -86400, 30 * 86400,
                                nullptr, nullptr);
  impl_->pem = CertPem(impl_->cert.get());
}

TestCertificateAuthority::~TestCertificateAuthority() {
  if (!impl_->bundlePath.empty()) ::unlink(impl_->bundlePath.c_str());
}

TlsIdentity TestCertificateAuthority::Issue(const std::vector<std::string>& dnsNames,
                                            long validFrom, long validUntil) const {
  TlsIdentity id =
      LeafIdentity(dnsNames, validFrom, validUntil, impl_->cert.get(), impl_->key.get());
  id.certificatePem += impl_->pem;
  return id;
}

TlsIdentity TestCertificateAuthority::IssueExpired(const std::vector<std::string>& dnsNames) const {
  return Issue(dnsNames, -10 * 86400, -86400);
}

const std::string& TestCertificateAuthority::CertificatePem() const { return impl_->pem; }

const std::string& TestCertificateAuthority::BundlePath() {
  if (impl_->bundlePath.empty()) {
    std::string tmpl = (std::filesystem::temp_directory_path() / "kd-test-ca-XXXXXX").string();
    int fd = ::mkstemp(tmpl.data());
    Check(fd >= 0, "cannot make the bundle file");
    const std::string& pem = impl_->pem;
    bool ok = ::write(fd, pem.data(), pem.size()) == static_cast<ssize_t>(pem.size());
    ::close(fd);
    if (!ok) {
      ::unlink(tmpl.c_str());
      Fail("cannot write the bundle file");
    }
    impl_->bundlePath = tmpl;
  }
  return impl_->bundlePath;
}

TlsIdentity SelfSignedIdentity(const std::vector<std::string>& dnsNames) {
  return LeafIdentity(dnsNames, -3600, 86400, nullptr, nullptr);
}

TrustFileScope::TrustFileScope(const std::string& path) {
  if (const char* old = std::getenv("SSL_CERT_FILE")) previous_ = old;
  ::setenv("SSL_CERT_FILE", path.c_str(), 1);
}

TrustFileScope::~TrustFileScope() {
  if (previous_) {
    ::setenv("SSL_CERT_FILE", previous_->c_str(), 1);
  } else {
    ::unsetenv("SSL_CERT_FILE");
  }
}

// ---- Answer scripts ------------------------------------------------------------------------------

AnswerScript& AnswerScript::Send(std::string bytes) {
  Step s;
  s.kind = Step::Kind::Send;
  s.bytes = std::move(bytes);
  return Add(std::move(s));
}

AnswerScript& AnswerScript::Drip(const std::string& bytes, std::size_t chunkSize, milliseconds gap) {
  if (chunkSize == 0) chunkSize = 1;
  for (std::size_t at = 0; at < bytes.size(); at += chunkSize) {
    if (at > 0) Pause(gap);
    Send(bytes.substr(at, chunkSize));
  }
  return *this;
}

AnswerScript& AnswerScript::Pause(milliseconds duration) {
  Step s;
  s.kind = Step::Kind::Pause;
  s.duration = duration;
  return Add(std::move(s));
}

AnswerScript& AnswerScript::Flood(uint64_t count) {
  Step s;
  s.kind = Step::Kind::Flood;
  s.count = count;
  return Add(std::move(s));
}

AnswerScript& AnswerScript::HoldOpen(milliseconds limit) {
  Step s;
  s.kind = Step::Kind::HoldOpen;
  s.duration = limit;
  return Add(std::move(s));
}

AnswerScript& AnswerScript::Add(Step step) {
  steps_.push_back(std::move(step));
  return *this;
}

AnswerScript& AnswerScript::WithoutReadingRequest() {
  readsRequest_ = false;
  return *this;
}

AnswerScript AnswerScript::Answer(std::string raw) { return AnswerScript().Send(std::move(raw)); }

AnswerScript AnswerScript::Status(int code, std::string page) {
  return Answer("HTTP/1.0 " + std::to_string(code) + " Status\r\nContent-Type: text/html\r\n\r\n" +
                std::move(page));
}

AnswerScript AnswerScript::CloseWithoutAnswer() { return AnswerScript(); }

AnswerScript& AnswerScript::DelayHandshake(milliseconds delay) {
  handshakeDelay_ = delay;
  return *this;
}

AnswerScript AnswerScript::Silent(milliseconds limit) { return AnswerScript().HoldOpen(limit); }

// ---- Server --------------------------------------------------------------------------------------

namespace {

constexpr milliseconds kHandshakeLimit{5000};
constexpr milliseconds kRequestLimit{5000};
constexpr milliseconds kConnectionLimit{60000};
constexpr std::size_t kRequestCap = 1 << 16;

enum class Wait { Ready, TimedOut, Stopped };

int SslCaptureServerName(SSL* ssl, int*, void*) {
  auto* out = static_cast<std::string*>(SSL_get_app_data(ssl));
  const char* name = SSL_get_servername(ssl, TLSEXT_NAMETYPE_host_name);
  if (out && name) *out = name;
  return SSL_TLSEXT_ERR_OK;
}

// One accepted connection, driven by the server thread alone.
class Session {
 public:
  Session(int fd, int stopFd, SSL_CTX* ctx, ServedConnection& rec)
      : fd_(fd), stopFd_(stopFd), rec_(rec), end_(Clock::now() + kConnectionLimit) {
    if (ctx) {
      ssl_.reset(SSL_new(ctx));
      if (ssl_) {
        SSL_set_fd(ssl_.get(), fd);
        SSL_set_app_data(ssl_.get(), &rec_.serverName);
        SSL_set_accept_state(ssl_.get());
      }
    }
  }

  void Run(const AnswerScript& script) {
    if (script.handshakeDelay().count() > 0) {
      pollfd stop{stopFd_, POLLIN, 0};
      if (::poll(&stop, 1, static_cast<int>(script.handshakeDelay().count())) != 0) return;
    }
    if (!Handshake()) return;
    rec_.handshakeDone = true;
    if (script.readsRequest()) ReadRequest();
    bool open = !gone_;
    for (const auto& step : script.steps()) {
      if (!open) break;
      switch (step.kind) {
        case AnswerScript::Step::Kind::Send: open = SendAll(step.bytes); break;
        case AnswerScript::Step::Kind::Pause:
        case AnswerScript::Step::Kind::HoldOpen: open = Idle(step.duration); break;
        case AnswerScript::Step::Kind::Flood: open = Flood(step.count); break;
      }
    }
    if (ssl_ && !broken_) {
      ERR_clear_error();
      SSL_shutdown(ssl_.get());
    }
  }

  ~Session() { ERR_clear_error(); }

 private:
  Wait WaitFor(short events, Clock::time_point until) {
    for (;;) {
      auto now = Clock::now();
      if (until > end_) until = end_;
      if (now >= until) return Wait::TimedOut;
      auto ms = std::chrono::duration_cast<milliseconds>(until - now).count() + 1;
      pollfd p[2] = {{fd_, events, 0}, {stopFd_, POLLIN, 0}};
      int r = ::poll(p, 2, static_cast<int>(ms));
      if (r < 0 && errno == EINTR) continue;
      if (r < 0) return Wait::Stopped;
      if (p[1].revents) return Wait::Stopped;
      if (p[0].revents) return Wait::Ready;
    }
  }

  // Waits as the last TLS call asked; false when the wait ended without readiness.
  bool WaitAsked(int err, Clock::time_point until) {
    short events = err == SSL_ERROR_WANT_WRITE ? POLLOUT : POLLIN;
    return WaitFor(events, until) == Wait::Ready;
  }

  bool Handshake() {
    if (!ssl_) return true;
    auto until = Clock::now() + kHandshakeLimit;
    for (;;) {
      ERR_clear_error();
      int r = SSL_do_handshake(ssl_.get());
      if (r == 1) return true;
      int err = SSL_get_error(ssl_.get(), r);
      if ((err != SSL_ERROR_WANT_READ && err != SSL_ERROR_WANT_WRITE) || !WaitAsked(err, until)) {
        broken_ = true;
        return false;
      }
    }
  }

  // Reads what is available: >0 bytes read, 0 nothing yet, -1 closed or broken.
  int ReadSome() {
    char buf[16384];
    for (int total = 0;;) {
      std::size_t n = 0;
      if (ssl_) {
        ERR_clear_error();
        if (SSL_read_ex(ssl_.get(), buf, sizeof buf, &n) != 1) {
          int err = SSL_get_error(ssl_.get(), 0);
          if (err == SSL_ERROR_WANT_READ || err == SSL_ERROR_WANT_WRITE) return total;
          if (err != SSL_ERROR_ZERO_RETURN) broken_ = true;
          gone_ = true;
          return -1;
        }
      } else {
        ssize_t r = ::recv(fd_, buf, sizeof buf, 0);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return total;
        if (r <= 0) {
          gone_ = true;
          return -1;
        }
        n = static_cast<std::size_t>(r);
      }
      if (rec_.request.size() < kRequestCap) {
        rec_.request.append(buf, std::min(n, kRequestCap - rec_.request.size()));
      }
      total += static_cast<int>(n);
    }
  }

  void ReadRequest() {
    auto until = Clock::now() + kRequestLimit;
    while (rec_.request.find("\r\n\r\n") == std::string::npos && rec_.request.size() < kRequestCap) {
      if (ReadSome() < 0) return;
      if (rec_.request.find("\r\n\r\n") != std::string::npos) return;
      if (WaitFor(POLLIN, until) != Wait::Ready) return;
    }
  }

  // Sends nothing for `d`, recording whatever arrives; false when the client went away or the
  // server stopped.
  bool Idle(milliseconds d) {
    auto until = Clock::now() + d;
    for (;;) {
      if (ReadSome() < 0) return false;
      Wait w = WaitFor(POLLIN, until);
      if (w == Wait::TimedOut) return true;
      if (w == Wait::Stopped) return false;
    }
  }

  bool SendAll(std::string_view data) {
    while (!data.empty()) {
      std::size_t n = 0;
      if (ssl_) {
        ERR_clear_error();
        if (SSL_write_ex(ssl_.get(), data.data(), data.size(), &n) != 1) {
          int err = SSL_get_error(ssl_.get(), 0);
          if (err == SSL_ERROR_WANT_READ || err == SSL_ERROR_WANT_WRITE) {
            if (WaitAsked(err, end_)) continue;
            return false;
          }
          broken_ = true;
          rec_.clientWentAway = true;
          return false;
        }
      } else {
        ssize_t r = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
          if (WaitFor(POLLOUT, end_) == Wait::Ready) continue;
          return false;
        }
        if (r < 0) {
          rec_.clientWentAway = true;
          return false;
        }
        n = static_cast<std::size_t>(r);
      }
      rec_.bytesSent += n;
      data.remove_prefix(n);
    }
    return true;
  }

  bool Flood(uint64_t count) {
    const std::string chunk(1 << 16, 'x');
    while (count > 0) {
      std::size_t n = count < chunk.size() ? static_cast<std::size_t>(count) : chunk.size();
      if (!SendAll(std::string_view(chunk.data(), n))) return false;
      count -= n;
    }
    return true;
  }

  int fd_;
  int stopFd_;
  ServedConnection& rec_;
  Clock::time_point end_;
  Ssl ssl_;
  bool broken_ = false;  // after a fatal TLS error no close_notify may be sent
  bool gone_ = false;
};

}  // namespace

struct TlsServer::Tls {
  SslCtx ctx;
};

TlsServer::TlsServer(TlsIdentity identity, AnswerScript script) : tls_(std::make_unique<Tls>()) {
  tls_->ctx.reset(SSL_CTX_new(TLS_server_method()));
  SSL_CTX* ctx = tls_->ctx.get();
  Check(ctx != nullptr, "server context");
  SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
  Bio certs(BIO_new_mem_buf(identity.certificatePem.data(),
                            static_cast<int>(identity.certificatePem.size())));
  Check(certs != nullptr, "out of memory");
  Cert leaf(PEM_read_bio_X509(certs.get(), nullptr, nullptr, nullptr));
  Check(leaf && SSL_CTX_use_certificate(ctx, leaf.get()) == 1, "server certificate");
  while (X509* extra = PEM_read_bio_X509(certs.get(), nullptr, nullptr, nullptr)) {
    Check(SSL_CTX_add0_chain_cert(ctx, extra) == 1, "chain certificate");
  }
  Bio keyBio(BIO_new_mem_buf(identity.keyPem.data(), static_cast<int>(identity.keyPem.size())));
  Pkey key(keyBio ? PEM_read_bio_PrivateKey(keyBio.get(), nullptr, nullptr, nullptr) : nullptr);
  Check(key && SSL_CTX_use_PrivateKey(ctx, key.get()) == 1, "server key");
  SSL_CTX_set_tlsext_servername_callback(ctx, SslCaptureServerName);
  ERR_clear_error();
  Start(std::move(script));
}

TlsServer::TlsServer(AnswerScript script) { Start(std::move(script)); }

TlsServer::~TlsServer() { Stop(); }

void TlsServer::Start(AnswerScript script) {
  script_ = std::move(script);
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  Check(listenFd_ >= 0, "socket");
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = 0;
  socklen_t len = sizeof a;
  if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      ::listen(listenFd_, 64) != 0 ||
      ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    ::close(listenFd_);
    Fail("cannot listen on 127.0.0.1");
  }
  port_ = ntohs(a.sin_port);
  stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (stopFd_ < 0) {
    ::close(listenFd_);
    Fail("eventfd");
  }
  thread_ = std::thread([this] { Run(); });
}

void TlsServer::SetScript(AnswerScript script) {
  std::lock_guard<std::mutex> lock(mutex_);
  script_ = std::move(script);
}

void TlsServer::Run() {
  // A client that closes early makes writes fail with EPIPE; the signal stays off this thread.
  sigset_t pipe;
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
  for (;;) {
    pollfd p[2] = {{listenFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
    int r = ::poll(p, 2, -1);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0 || p[1].revents) return;
    int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) continue;
    Serve(fd);
  }
}

void TlsServer::Serve(int fd) {
  AnswerScript script;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    script = script_;
  }
  ServedConnection rec;
  rec.served = true;
  {
    Session session(fd, stopFd_, tls_ ? tls_->ctx.get() : nullptr, rec);
    session.Run(script);
  }
  ::close(fd);
  std::lock_guard<std::mutex> lock(mutex_);
  connections_.push_back(std::move(rec));
  recorded_.notify_all();
}

bool TlsServer::WaitForConnections(std::size_t count, milliseconds limit) {
  std::unique_lock<std::mutex> lock(mutex_);
  return recorded_.wait_for(lock, limit, [&] { return connections_.size() >= count; });
}

std::vector<ServedConnection> TlsServer::Connections() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return connections_;
}

void TlsServer::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopped_) return;
    stopped_ = true;
  }
  uint64_t one = 1;
  if (stopFd_ >= 0) (void)!::write(stopFd_, &one, sizeof one);
  if (thread_.joinable()) thread_.join();
  if (listenFd_ >= 0) {
    for (;;) {
      int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (fd < 0) break;
      ::close(fd);
      std::lock_guard<std::mutex> lock(mutex_);
      connections_.push_back(ServedConnection{});
    }
    ::close(listenFd_);
    listenFd_ = -1;
  }
  if (stopFd_ >= 0) ::close(stopFd_);
  stopFd_ = -1;
  recorded_.notify_all();
}

namespace {

// A TCP socket bound to an ephemeral port on 127.0.0.1; fills `port`.
int BindLoopback(uint16_t& port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  Check(fd >= 0, "socket");
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    ::close(fd);
    Fail("cannot bind 127.0.0.1");
  }
  port = ntohs(a.sin_port);
  return fd;
}

}  // namespace

RefusingPort::RefusingPort() : fd_(BindLoopback(port_)) {}

RefusingPort::~RefusingPort() { ::close(fd_); }

BlackHolePort::BlackHolePort() : listenFd_(BindLoopback(port_)) {
  Check(::listen(listenFd_, 0) == 0, "listen");
  // The filler's handshake completes in the kernel and takes the queue's one place for good.
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(port_);
  fillerFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  Check(fillerFd_ >= 0 && ::connect(fillerFd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0,
        "cannot fill the listen queue");
}

BlackHolePort::~BlackHolePort() {
  ::close(fillerFd_);
  ::close(listenFd_);
}

}  // namespace testing_support
