// Loopback TLS test fixtures: a throwaway certificate authority made at test time and a scripted
// server that records what each client sent. Everything here talks to 127.0.0.1 only, and every
// wait is bounded, so a misbehaving client cannot hang a test.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

/// A private key with its certificate (and any chain above it), both PEM-encoded.
struct TlsIdentity {
  std::string certificatePem;  ///< leaf certificate first, then its issuers (if any)
  std::string keyPem;          ///< the leaf's private key
};

/// A certificate authority made at test time (EC P-256), trusted only where a test says so.
class TestCertificateAuthority {
 public:
  /// Makes a fresh CA key and a self-signed CA certificate named `commonName`.
  explicit TestCertificateAuthority(const std::string& commonName = "Keldara Test CA");
  /// Removes the bundle file, when one was written.
  ~TestCertificateAuthority();
  TestCertificateAuthority(const TestCertificateAuthority&) = delete;
  TestCertificateAuthority& operator=(const TestCertificateAuthority&) = delete;

  /// A server certificate for `dnsNames` (subjectAltName DNS entries; the first is also the common
  /// name), valid from `validFrom` to `validUntil` seconds relative to now.
  TlsIdentity Issue(const std::vector<std::string>& dnsNames, long validFrom = -3600,
                    long validUntil = 86400) const;
  /// A server certificate for `dnsNames` whose validity ended a day ago.
  TlsIdentity IssueExpired(const std::vector<std::string>& dnsNames) const;
  /// The CA certificate, PEM-encoded.
  const std::string& CertificatePem() const;
  /// A temporary file holding the CA certificate, written on first use, removed by the destructor.
  const std::string& BundlePath();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

/// A self-signed server certificate for `dnsNames`, issued by no authority.
TlsIdentity SelfSignedIdentity(const std::vector<std::string>& dnsNames);

/// Points OpenSSL's default trust file (SSL_CERT_FILE) at `path` for its scope; restores after.
class TrustFileScope {
 public:
  /// Sets SSL_CERT_FILE to `path`.
  explicit TrustFileScope(const std::string& path);
  /// Restores the earlier value (or its absence).
  ~TrustFileScope();
  TrustFileScope(const TrustFileScope&) = delete;
  TrustFileScope& operator=(const TrustFileScope&) = delete;

 private:
  std::optional<std::string> previous_;
};

/// How the server answers one connection: steps run in order, then the server closes (after a
/// TLS close_notify). An empty script closes without answering.
class AnswerScript {
 public:
  /// One step of the answer.
  struct Step {
    enum class Kind { Send, Pause, Flood, HoldOpen };
    Kind kind = Kind::Send;                  ///< what the step does
    std::string bytes;                       ///< Send: the bytes
    std::chrono::milliseconds duration{0};   ///< Pause: how long; HoldOpen: the longest wait
    uint64_t count = 0;                      ///< Flood: number of filler bytes
  };

  /// Sends `bytes` as they are.
  AnswerScript& Send(std::string bytes);
  /// Sends `bytes` in chunks of `chunkSize`, pausing `gap` before every chunk after the first.
  AnswerScript& Drip(const std::string& bytes, std::size_t chunkSize, std::chrono::milliseconds gap);
  /// Sends nothing for `duration`; cut short when the client closes or the server stops.
  AnswerScript& Pause(std::chrono::milliseconds duration);
  /// Sends `count` filler bytes ('x'), stopping early when the client goes away.
  AnswerScript& Flood(uint64_t count);
  /// Sends nothing until the client closes, `limit` passes or the server stops.
  AnswerScript& HoldOpen(std::chrono::milliseconds limit);
  /// Starts answering at once instead of first reading the request's header block.
  AnswerScript& WithoutReadingRequest();
  /// Holds the TLS handshake back for `delay` after the connection is accepted.
  AnswerScript& DelayHandshake(std::chrono::milliseconds delay);

  /// The raw bytes `raw`, then close.
  static AnswerScript Answer(std::string raw);
  /// "HTTP/1.0 <code> Status\r\nContent-Type: text/html\r\n\r\n" + page, then close.
  static AnswerScript Status(int code, std::string page);
  /// Close as soon as the request has arrived, sending nothing.
  static AnswerScript CloseWithoutAnswer();
  /// Accept, then say nothing until the client gives up (or `limit` passes).
  static AnswerScript Silent(std::chrono::milliseconds limit);

  /// The steps, in order.
  const std::vector<Step>& steps() const { return steps_; }
  /// Whether the request's header block is read before the first step.
  bool readsRequest() const { return readsRequest_; }
  /// How long the handshake is held back.
  std::chrono::milliseconds handshakeDelay() const { return handshakeDelay_; }

 private:
  AnswerScript& Add(Step step);
  std::vector<Step> steps_;
  bool readsRequest_ = true;
  std::chrono::milliseconds handshakeDelay_{0};
};

/// What one connection saw, recorded once the server has finished with it.
struct ServedConnection {
  bool served = false;         ///< false: still in the listen queue when the server stopped
  bool handshakeDone = false;  ///< TLS came up (always true for a plain server once served)
  std::string serverName;      ///< the SNI host name the client sent, "" when none
  std::string request;         ///< every application byte received from the client, in order
  uint64_t bytesSent = 0;      ///< answer bytes handed to the connection
  bool clientWentAway = false; ///< the client closed or reset while the server was still sending
};

/// A scripted server on 127.0.0.1 (ephemeral port), serving connections one after another on a
/// background thread. Thread-safe; the destructor stops and joins it within a bounded time.
class TlsServer {
 public:
  /// A TLS server presenting `identity`; every connection is answered with `script`.
  TlsServer(TlsIdentity identity, AnswerScript script);
  /// A plain TCP server; every connection is answered with `script`.
  explicit TlsServer(AnswerScript script);
  /// Stops and joins.
  ~TlsServer();
  TlsServer(const TlsServer&) = delete;
  TlsServer& operator=(const TlsServer&) = delete;

  /// The listening port on 127.0.0.1.
  uint16_t port() const { return port_; }
  /// The script for connections accepted from now on.
  void SetScript(AnswerScript script);
  /// Waits until `count` connections have been recorded or `limit` passes; true when they have.
  bool WaitForConnections(std::size_t count,
                          std::chrono::milliseconds limit = std::chrono::seconds(10));
  /// The connections recorded so far, oldest first.
  std::vector<ServedConnection> Connections() const;
  /// Stops accepting, cuts the running connection short and joins; connections still queued are
  /// recorded unserved, so after Stop every client that connected is counted. Idempotent.
  void Stop();

 private:
  struct Tls;
  void Start(AnswerScript script);
  void Run();
  void Serve(int fd);

  std::unique_ptr<Tls> tls_;
  int listenFd_ = -1;
  int stopFd_ = -1;
  uint16_t port_ = 0;
  mutable std::mutex mutex_;
  std::condition_variable recorded_;
  AnswerScript script_;
  std::vector<ServedConnection> connections_;
  std::thread thread_;
  bool stopped_ = false;
};

/// A loopback port that refuses connections: bound (so no one else takes it) but not listening.
class RefusingPort {
 public:
  /// Binds an ephemeral port on 127.0.0.1 without listening.
  RefusingPort();
  /// Releases the port.
  ~RefusingPort();
  RefusingPort(const RefusingPort&) = delete;
  RefusingPort& operator=(const RefusingPort&) = delete;
  /// The port number.
  uint16_t port() const { return port_; }

 private:
  uint16_t port_ = 0;  // before the descriptor: the constructor fills both at once
  int fd_ = -1;
};

/// A loopback port that swallows connection attempts: it listens with its one queue place taken,
/// so the kernel drops every further SYN and a connect stays pending, as behind a broken route.
class BlackHolePort {
 public:
  BlackHolePort();
  ~BlackHolePort();
  BlackHolePort(const BlackHolePort&) = delete;
  BlackHolePort& operator=(const BlackHolePort&) = delete;
  /// The port number on 127.0.0.1.
  uint16_t port() const { return port_; }

 private:
  uint16_t port_ = 0;  // before the descriptors: the constructor fills it with the first
  int listenFd_ = -1;
  int fillerFd_ = -1;
};

}  // namespace testing_support
