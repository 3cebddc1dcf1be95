// Reads long answers from a loopback TLS server at full speed and reports the time taken and the
// process's peak memory before and after each: a 2 GiB page (the client keeps its first MiB) and
// a 2 GiB header block (the client keeps none of it).
#include <sys/resource.h>

#include <chrono>
#include <cstdio>

#include "framework/http.h"
#include "framework/runtime.h"
#include "tests/support/fake_platform.h"
#include "tests/support/tls_server.h"

namespace {

using namespace testing_support;

constexpr uint64_t kTwoGiB = uint64_t{2} << 30;
const std::string kHost = "alice.keldara.example";

long PeakKiB() {
  rusage u{};
  ::getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

// One request against `script`; true when it gave `status` and, if `marker`, found "404".
bool Run(const char* what, TestCertificateAuthority& ca, AnswerScript script, int32_t status,
         bool marker) {
  PlatformScope scope;
  TlsServer server(ca.Issue({kHost}), std::move(script));
  scope->routes[kHost] = server.port();
  auto client = fw::RuntimeCheckCast<fw::HTTPSecureSocket>(
      fw::RuntimeNewObject(fw::HTTPSecureSocket::Record()), fw::HTTPSecureSocket::Record());
  client->Constructor();
  client->SetPageMarker("404");
  const long before = PeakKiB();
  const auto start = std::chrono::steady_clock::now();
  const fw::String page = client->Get("http://" + kHost, 15);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%s: status %d, error \"%s\", marker %s, page kept %zu bytes\n", what,
              client->HTTPStatusCode(), std::string(to_string(client->LastError())).c_str(),
              client->PageHasMarker() ? "found" : "missing", page.ByteLength());
  std::printf("%s: 2 GiB in %.1f s (%.0f MiB/s); peak RSS %ld KiB before, %ld KiB after\n", what,
              seconds, 2048.0 / seconds, before, PeakKiB());
  return client->HTTPStatusCode() == status && client->PageHasMarker() == marker;
}

}  // namespace

int main() {
  TestCertificateAuthority ca("Keldara Bench CA");
  TrustFileScope trust(ca.BundlePath());
  const bool header = Run("long header block", ca,
                          AnswerScript()
                              .Send("HTTP/1.0 401 Unauthorized\r\nX-Long: ")
                              .Flood(kTwoGiB)
                              .Send("\r\n\r\nwho?"),
                          401, false);
  const bool page =
      Run("long page", ca,
          AnswerScript().Send("HTTP/1.0 200 OK\r\n\r\n").Flood(kTwoGiB - 3).Send("404"), 200,
          true);
  return header && page ? 0 : 1;
}
