// Reads one 2 GiB page from a loopback TLS server at full speed and reports the time taken and
// the process's peak memory before and after: the client keeps only the page's first MiB.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>

#include "framework/http.h"
#include "framework/runtime.h"
#include "tests/support/fake_platform.h"
#include "tests/support/tls_server.h"

namespace {

long PeakKiB() {
  rusage u{};
  ::getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

}  // namespace

int main() {
  using namespace testing_support;
  constexpr uint64_t kPage = uint64_t{2} << 30;
  const std::string host = "alice.keldara.example";
  TestCertificateAuthority ca("Keldara Bench CA");
  TrustFileScope trust(ca.BundlePath());
  PlatformScope scope;
  TlsServer server(ca.Issue({host}),
                   AnswerScript().Send("HTTP/1.0 200 OK\r\n\r\n").Flood(kPage - 3).Send("404"));
  scope->routes[host] = server.port();

  auto client = fw::RuntimeCheckCast<fw::HTTPSecureSocket>(
      fw::RuntimeNewObject(fw::HTTPSecureSocket::Record()), fw::HTTPSecureSocket::Record());
  client->Constructor();
  client->SetPageMarker("404");
  const long before = PeakKiB();
  const auto start = std::chrono::steady_clock::now();
  const fw::String page = client->Get("http://" + host, 15);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("status %d, error \"%s\", marker %s, page kept %zu bytes\n", client->HTTPStatusCode(),
              std::string(to_string(client->LastError())).c_str(),
              client->PageHasMarker() ? "found" : "missing", page.ByteLength());
  std::printf("2 GiB in %.1f s (%.0f MiB/s); peak RSS %ld KiB before, %ld KiB after\n", seconds,
              2048.0 / seconds, before, PeakKiB());
  return client->PageHasMarker() ? 0 : 1;
}
