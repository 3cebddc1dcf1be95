// Reading answers: the parser's known answers, and what the client reports for each kind of
// server behaviour (codes, early close, refusal, no such host, TLS refusal, flood).
#include "tests/network/network_fixture.h"

namespace network_tests {
namespace {

struct ParseCase {
  const char* name;
  std::string raw;
  int32_t status;
  bool complete;
  std::string page;
};
void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.name; }


class ParseAnswer : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseAnswer, KnownAnswer) {
  const ParseCase& c = GetParam();
  fw::HttpAnswer a = fw::ParseHttpAnswer(c.raw);
  EXPECT_EQ(a.status, c.status);
  EXPECT_EQ(a.headerComplete, c.complete);
  EXPECT_EQ(a.page, c.page);
}

const std::string kBinary("\0\r\n\r\n\xff\x80", 7);

INSTANTIATE_TEST_SUITE_P(
    Answers, ParseAnswer,
    ::testing::Values(
        ParseCase{"CrLf", "HTTP/1.0 401 Unauthorized\r\nA: b\r\n\r\npage\r\n", 401, true, "page\r\n"},
        ParseCase{"Lf", "HTTP/1.1 501 Not Implemented\nA: b\n\nx\ny", 501, true, "x\ny"},
        ParseCase{"Cr", "HTTP/1.0 403 Forbidden\rA: b\r\rbody", 403, true, "body"},
        // The first line's own line end rules: a CR LF in the body does not change it.
        ParseCase{"LfHeaderCrLfBody", "HTTP/1.0 200 OK\n\n404\r\n", 200, true, "404\r\n"},
        ParseCase{"NoHeaderBlock", "HTTP/1.0 200 OK\r\nA: b\r\n", 0, false, ""},
        ParseCase{"NoLineEnd", "HTTP/1.0 200 OK", 0, false, ""},
        ParseCase{"Empty", "", 0, false, ""},
        ParseCase{"EmptyPage", "HTTP/1.0 302 Found\r\nLocation: /x\r\n\r\n", 302, true, ""},
        ParseCase{"StatusNotNumber", "HTTP/1.0 OK 200\r\n\r\np", 0, true, "p"},
        ParseCase{"StatusSigned", "HTTP/1.0 -401 X\r\n\r\n", 0, true, ""},
        ParseCase{"StatusDigitsThenText", "HTTP/1.0 401abc X\r\n\r\n", 401, true, ""},
        ParseCase{"NoSecondField", "HTTP/1.0\r\n\r\n", 0, true, ""},
        ParseCase{"BlanksAndTabs", "  HTTP/1.0 \t 404  Not Found\r\n\r\n", 404, true, ""},
        ParseCase{"EmptyFirstLine", "\r\nHTTP/1.0 200 OK\r\n\r\n", 0, true, "HTTP/1.0 200 OK\r\n\r\n"},
        // Full 32-bit value: the sign-in narrows to 16 bits itself (65937 -> 401).
        ParseCase{"Above16Bits", "HTTP/1.0 65937 X\r\n\r\n", 65937, true, ""},
        ParseCase{"Exactly65536", "HTTP/1.0 65536 X\r\n\r\n", 65536, true, ""},
        ParseCase{"WrapsAt32Bits", "HTTP/1.0 4294967797 X\r\n\r\n", 501, true, ""},
        ParseCase{"PageBytesExact", "HTTP/1.0 200 OK\r\n\r\n" + kBinary, 200, true, kBinary},
        ParseCase{"ContentLengthIgnored", "HTTP/1.0 200 OK\r\nContent-Length: 1\r\n\r\nabc", 200,
                  true, "abc"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Outcomes over the wire ------------------------------------------------------------------

struct CodeCase {
  int code;
  std::string page;
};
void PrintTo(const CodeCase& c, std::ostream* os) { *os << c.code; }


class Outcome : public NetworkTest, public ::testing::WithParamInterface<CodeCase> {};

TEST_P(Outcome, CodeAndPageAsSentWithOneConnection) {
  const CodeCase& c = GetParam();
  std::string raw = "HTTP/1.0 " + std::to_string(c.code) + " Reason\r\n";
  if (c.code == 302) raw += "Location: https://elsewhere.keldara.example/\r\n";
  if (c.code == 401) raw += "WWW-Authenticate: Basic realm=\"k\"\r\n";
  raw += "Content-Length: 1\r\n\r\n" + c.page;
  auto server = GoodServer(kHost, AnswerScript::Answer(raw));
  Route(kHost, server->port());
  Route("elsewhere.keldara.example", server->port());

  auto client = SignInClient("alice", "secret");
  fw::String page = client->Get("http://" + kHost, 15);
  EXPECT_EQ(client->HTTPStatusCode(), c.code);
  EXPECT_EQ(page.Bytes(), c.page);
  EXPECT_EQ(client->LastError(), fw::HttpError::None);
  // No redirect followed, no retry after 401.
  server->Stop();
  EXPECT_EQ(server->Connections().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Codes, Outcome,
                         ::testing::Values(CodeCase{200, "<html>404 not here</html>"},
                                           CodeCase{302, "moved"}, CodeCase{401, "who?"},
                                           CodeCase{403, "no"}, CodeCase{404, "none"},
                                           CodeCase{500, "oops"}, CodeCase{501, "mounted"}),
                         [](const auto& info) { return std::to_string(info.param.code); });

TEST_F(NetworkTest, NoAnswerEndsAsStatusZeroWithoutWaiting) {
  struct Case {
    const char* name;
    AnswerScript script;
  } cases[] = {
      {"close at once", AnswerScript::CloseWithoutAnswer()},
      {"close inside the header block", AnswerScript::Answer("HTTP/1.0 501 OK\r\nA: b\r\n")},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto server = GoodServer(kHost, c.script);
    Route(kHost, server->port());
    auto client = SignInClient("alice", "secret");
    fw::String page;
    auto ms = TimeMs([&] { page = client->Get("http://" + kHost, 15); });
    EXPECT_EQ(client->HTTPStatusCode(), 0);
    EXPECT_EQ(page.Bytes(), "");
    EXPECT_LT(ms, 5000);
  }
}

TEST_F(NetworkTest, RefusedAndUnresolvedEndAtOnce) {
  testing_support::RefusingPort closed;
  Route(kHost, closed.port());
  auto client = SignInClient("alice", "secret");
  auto ms = TimeMs([&] { client->Get("http://" + kHost, 15); });
  EXPECT_EQ(client->HTTPStatusCode(), 0);
  EXPECT_EQ(client->LastError(), fw::HttpError::ConnectFailed);

  ms += TimeMs([&] { client->Get("http://nobody.keldara.example", 15); });
  EXPECT_EQ(client->HTTPStatusCode(), 0);
  EXPECT_EQ(client->LastError(), fw::HttpError::NotResolved);
  EXPECT_LT(ms, 5000);
}

// ---- TLS refusal: nothing of the request may leave ---------------------------------------------

struct CertCase {
  const char* name;
  TlsIdentity (*identity)();
};
void PrintTo(const CertCase& c, std::ostream* os) { *os << c.name; }


class CertificateRefused : public NetworkTest, public ::testing::WithParamInterface<CertCase> {};

TEST_P(CertificateRefused, NoRequestByteReachesTheServer) {
  TlsServer server(GetParam().identity(), AnswerScript::Status(501, "mounted"));
  Route(kHost, server.port());
  auto client = SignInClient("alice", "secret");
  fw::String page = client->Get("http://" + kHost, 15);
  EXPECT_EQ(client->HTTPStatusCode(), 0);
  EXPECT_EQ(page.Bytes(), "");
  EXPECT_EQ(client->LastError(), fw::HttpError::TlsHandshake);
  ASSERT_TRUE(server.WaitForConnections(1));
  ServedConnection conn = server.Connections().at(0);
  EXPECT_FALSE(conn.handshakeDone);
  EXPECT_EQ(conn.request, "");
}

INSTANTIATE_TEST_SUITE_P(
    Certificates, CertificateRefused,
    ::testing::Values(
        CertCase{"SelfSigned", [] { return testing_support::SelfSignedIdentity({kHost}); }},
        CertCase{"UntrustedCa",
                 [] { return TestCertificateAuthority("Stranger CA").Issue({kHost}); }},
        CertCase{"WrongHost",
                 [] { return TrustedCa().Issue({"bob.keldara.example", "keldara.example"}); }},
        CertCase{"WildcardTooDeep", [] { return TrustedCa().Issue({"*.example"}); }},
        CertCase{"Expired", [] { return TrustedCa().IssueExpired({kHost}); }},
        CertCase{"NotYetValid", [] { return TrustedCa().Issue({kHost}, 86400, 2 * 86400); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(NetworkTest, WildcardCertificateForTheDomainIsAccepted) {
  TlsServer server(TrustedCa().Issue({"*.keldara.example"}), AnswerScript::Status(501, ""));
  Route(kHost, server.port());
  auto client = SignInClient("alice", "secret");
  client->Get("http://" + kHost, 15);
  EXPECT_EQ(client->HTTPStatusCode(), 501) << to_string(client->LastError());
}

// ---- A page without end --------------------------------------------------------------------------

TEST_F(NetworkTest, FloodStopsAtThePageLimit) {
  constexpr uint64_t kGiB = uint64_t(1) << 30;
  auto server = GoodServer(kHost, AnswerScript().Send("HTTP/1.0 200 OK\r\n\r\n").Flood(kGiB));
  Route(kHost, server->port());
  auto client = SignInClient("alice", "secret");
  fw::String page;
  auto ms = TimeMs([&] { page = client->Get("http://" + kHost, 15); });
  EXPECT_EQ(client->HTTPStatusCode(), 200);
  EXPECT_EQ(client->LastError(), fw::HttpError::PageTooLarge);
  EXPECT_EQ(page.ByteLength(), fw::HTTPSecureSocket::kMaxPage);
  EXPECT_EQ(page.Bytes().find_first_not_of('x'), std::string::npos);
  EXPECT_LT(ms, 10000);
  // The client hung up, so the server stopped long before the GiB.
  ASSERT_TRUE(server->WaitForConnections(1));
  ServedConnection conn = server->Connections().at(0);
  EXPECT_TRUE(conn.clientWentAway);
  EXPECT_LT(conn.bytesSent, uint64_t(64) << 20);
}

TEST_F(NetworkTest, EndlessHeaderBlockIsCutOff) {
  auto server = GoodServer(kHost, AnswerScript().Send("HTTP/1.0 200 OK\r\n").Flood(uint64_t(1) << 30));
  Route(kHost, server->port());
  auto client = SignInClient("alice", "secret");
  fw::String page = client->Get("http://" + kHost, 15);
  EXPECT_EQ(client->HTTPStatusCode(), 0);
  EXPECT_EQ(client->LastError(), fw::HttpError::HeaderTooLarge);
  EXPECT_EQ(page.Bytes(), "");
}

}  // namespace
}  // namespace network_tests
