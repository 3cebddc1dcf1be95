// Shared set-up for the network tests: a headless platform, a test CA trusted through
// SSL_CERT_FILE, and a client made the way the sign-in handler makes it.
#pragma once

#include <gtest/gtest.h>

#include <chrono>  // the answer scripts' durations
#include <string>

#include "framework/http.h"
#include "tests/support/fake_platform.h"
#include "tests/support/tls_server.h"

namespace network_tests {

using namespace std::chrono_literals;
using testing_support::AnswerScript;
using testing_support::ServedConnection;
using testing_support::TestCertificateAuthority;
using testing_support::TlsIdentity;
using testing_support::TlsServer;

/// The account host the tests sign in to.
inline const std::string kHost = "alice.keldara.example";

/// The CA every test trusts; made once per test process.
inline TestCertificateAuthority& TrustedCa() {
  static TestCertificateAuthority ca("Keldara Network Test CA");
  return ca;
}

/// A fresh platform and runtime per test, with the test CA as the only extra trust anchor.
class NetworkTest : public ::testing::Test {
 protected:
  testing_support::PlatformScope scope_;
  testing_support::TrustFileScope trust_{TrustedCa().BundlePath()};

  /// Sends `host` to 127.0.0.1:`port`.
  void Route(const std::string& host, uint16_t port) { scope_->routes[host] = port; }

  /// A client set up as the sign-in handler sets it up, for `account` and `password`.
  static fw::Ref<fw::HTTPSecureSocket> SignInClient(const std::string& account,
                                                    const std::string& password) {
    auto obj = fw::RuntimeNewObject(fw::HTTPSecureSocket::Record());
    auto client = fw::RuntimeCheckCast<fw::HTTPSecureSocket>(obj, fw::HTTPSecureSocket::Record());
    client->Constructor();
    client->SetSecure(true);
    client->SetRequestHeader("User-Agent", "Keldara Launcher");
    client->SetRequestHeader("Authorization",
                             fw::String("Basic ") + fw::EncodeBase64(account + ":" + password, 76));
    return client;
  }

  /// A TLS server for `host` with a certificate from the trusted CA.
  static std::unique_ptr<TlsServer> GoodServer(const std::string& host, AnswerScript script) {
    return std::make_unique<TlsServer>(TrustedCa().Issue({host}), std::move(script));
  }
};

}  // namespace network_tests
