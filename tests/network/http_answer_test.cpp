// Reading answers: the parser's known answers, and what the client reports for each kind of
// server behaviour (codes, early close, refusal, no such host, TLS refusal, long pages).
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

// The whole answer at once, then the same bytes one at a time and in two halves: the pieces the
// network happens to deliver never change what the answer says.
TEST_P(ParseAnswer, KnownAnswerInAnyPieces) {
  const ParseCase& c = GetParam();
  const fw::HttpAnswer whole = fw::ParseHttpAnswer(c.raw, "404");
  EXPECT_EQ(whole.status, c.status);
  EXPECT_EQ(whole.headerComplete, c.complete);
  EXPECT_EQ(whole.page, c.page);
  EXPECT_EQ(whole.pageBytes, c.page.size());
  EXPECT_EQ(whole.markerFound, c.page.find("404") != std::string::npos);

  fw::AnswerReader bytewise("404"), halves("404");
  for (char ch : c.raw) bytewise.Feed(std::string_view(&ch, 1));
  halves.Feed(std::string_view(c.raw).substr(0, c.raw.size() / 2));
  halves.Feed(std::string_view(c.raw).substr(c.raw.size() / 2));
  for (const fw::AnswerReader* r : {&bytewise, &halves}) {
    const fw::HttpAnswer a = r->Result();
    EXPECT_EQ(a.status, whole.status);
    EXPECT_EQ(a.headerComplete, whole.headerComplete);
    EXPECT_EQ(a.page, whole.page);
    EXPECT_EQ(a.pageBytes, whole.pageBytes);
    EXPECT_EQ(a.markerFound, whole.markerFound);
    // What the exchange reads while the answer arrives agrees with the answer.
    EXPECT_EQ(r->HeaderEnded(), whole.headerComplete);
    EXPECT_EQ(r->PageBytes(), whole.pageBytes);
  }
}

const std::string kBinary("\0\r\n\r\n\xff\x80", 7);

// Header blocks longer than any buffer the reader holds: one 70,000-byte line, 20,000 lines.
std::string ManyLines(std::size_t count, std::string_view lineEnd) {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) (out += "X-Filler: ") += std::to_string(i) += lineEnd;
  return out;
}
const std::string kLongLine = "X-Long: " + std::string(70000, 'a');

INSTANTIATE_TEST_SUITE_P(
    Answers, ParseAnswer,
    ::testing::Values(
        ParseCase{"CrLf", "HTTP/1.0 401 Unauthorized\r\nA: b\r\n\r\npage\r\n", 401, true, "page\r\n"},
        ParseCase{"Lf", "HTTP/1.1 501 Not Implemented\nA: b\n\nx\ny", 501, true, "x\ny"},
        ParseCase{"Cr", "HTTP/1.0 403 Forbidden\rA: b\r\rbody", 403, true, "body"},
        // Where an LF occurs, lines end at LF and a CR before it belongs to the line end.
        ParseCase{"LfFirstLineThenCrLf401", "HTTP/1.0 401 Unauthorized\nServer: x\r\n\r\n", 401,
                  true, ""},
        ParseCase{"LfFirstLineThenCrLf501", "HTTP/1.0 501 OK\nServer: x\r\n\r\n", 501, true, ""},
        ParseCase{"LfHeaderCrLfBody", "HTTP/1.0 200 OK\nA: b\n\n<p>\r\n404\r\n", 200, true,
                  "<p>\r\n404\r\n"},
        // An LF anywhere makes LF the line end, so a CR-only header block has not ended.
        ParseCase{"CrHeaderLfBody", "HTTP/1.0 403 Forbidden\rA: b\r\rbody\nmore", 0, false, ""},
        // The page of a header block withdrawn that way held the marker: no longer a page.
        ParseCase{"CrHeaderWithdrawnAfterMarker", "HTTP/1.0 200 OK\rA\r\r404\n", 0, false, ""},
        // Two CRs before the LF: a line with text, not the empty line.
        ParseCase{"TwoCrsBeforeLf", "HTTP/1.0 200 OK\r\n\r\r\nA: b\r\n\r\npage", 200, true, "page"},
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
        ParseCase{"WrapsAt32Bits", "HTTP/1.0 4294967797 X\r\n\r\n", 501, true, ""},
        ParseCase{"PageBytesExact", "HTTP/1.0 200 OK\r\n\r\n" + kBinary, 200, true, kBinary},
        ParseCase{"LongHeaderLine", "HTTP/1.0 401 Unauthorized\r\n" + kLongLine + "\r\n\r\n", 401,
                  true, ""},
        ParseCase{"ManyHeaderLines",
                  "HTTP/1.0 403 Forbidden\r\n" + ManyLines(20000, "\r\n") + "\r\nno such user",
                  403, true, "no such user"},
        ParseCase{"ManyHeaderLinesByCr",
                  "HTTP/1.0 403 Forbidden\r" + ManyLines(20000, "\r") + "\rx", 403, true, "x"},
        // An LF after a long CR-only header block reads it all anew: one long first line.
        ParseCase{"LongCrHeaderThenLateLf",
                  "HTTP/1.0 401 X\r" + kLongLine + "\r\r404\n\nafter", 401, true, "after"},
        ParseCase{"ContentLengthIgnored", "HTTP/1.0 200 OK\r\nContent-Length: 1\r\n\r\nabc", 200,
                  true, "abc"}),
    [](const auto& info) { return std::string(info.param.name); });

// A page longer than what is kept: its start is kept, all of it is counted and searched, with
// the marker anywhere, split across pieces too.
TEST(AnswerReader, LongPageKeepsItsStartAndIsSearchedToItsEnd) {
  constexpr std::size_t kMiB = std::size_t{1} << 20;
  struct Case {
    const char* name;
    std::size_t markerAt;  // page offset of "404"; npos: none
    std::size_t piece;     // bytes a Feed
  } cases[] = {
      {"marker in the kept part", 10, 16384},
      {"marker after 2 MiB", 2 * kMiB + 7, 16384},
      {"marker split across pieces", 2 * kMiB - 1, 16384},
      {"marker at the very end", 3 * kMiB - 3, 65536},
      {"no marker", std::string::npos, 16384},
  };
  const std::string header = "HTTP/1.0 200 OK\r\n\r\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string page(3 * kMiB, 'x');
    if (c.markerAt != std::string::npos) page.replace(c.markerAt, 3, "404");
    const std::string raw = header + page;
    fw::AnswerReader reader("404");
    for (std::size_t at = 0; at < raw.size(); at += c.piece) {
      reader.Feed(std::string_view(raw).substr(at, c.piece));
    }
    const fw::HttpAnswer a = reader.Result();
    EXPECT_EQ(a.status, 200);
    EXPECT_EQ(a.pageBytes, page.size());
    EXPECT_EQ(a.page, page.substr(0, fw::AnswerReader::kMaxPage));
    EXPECT_EQ(a.markerFound, c.markerAt != std::string::npos);
  }
}

// ---- Outcomes over the wire ------------------------------------------------------------------

struct CodeCase {
  int code;
  std::string page;
  std::string moreHeaders = {};  // header lines sent before the usual ones
};
std::string NameOf(const CodeCase& c) {
  return std::to_string(c.code) + (c.moreHeaders.empty() ? "" : "AfterLongHeaderBlock");
}
void PrintTo(const CodeCase& c, std::ostream* os) { *os << NameOf(c); }


class Outcome : public NetworkTest, public ::testing::WithParamInterface<CodeCase> {};

TEST_P(Outcome, CodeAndPageAsSentWithOneConnection) {
  const CodeCase& c = GetParam();
  std::string raw = "HTTP/1.0 " + std::to_string(c.code) + " Reason\r\n" + c.moreHeaders;
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
                                           CodeCase{500, "oops"}, CodeCase{501, "mounted"},
                                           CodeCase{403, "no", ManyLines(20000, "\r\n")}),
                         [](const auto& info) { return NameOf(info.param); });

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
    fw::String page = client->Get("http://" + kHost, 15);
    EXPECT_EQ(client->HTTPStatusCode(), 0);
    EXPECT_EQ(page.Bytes(), "");
    EXPECT_EQ(client->LastError(), fw::HttpError::None);  // ended by the close, not the time-out
  }
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

TEST_F(NetworkTest, LongPageIsReadToItsEndAndSearchedWhole) {
  constexpr uint64_t kMiB = uint64_t(1) << 20;
  auto server = GoodServer(
      kHost, AnswerScript().Send("HTTP/1.0 200 OK\r\n\r\n").Flood(2 * kMiB).Send("404").Flood(kMiB));
  Route(kHost, server->port());
  auto client = SignInClient("alice", "secret");
  client->SetPageMarker("404");
  fw::String page = client->Get("http://" + kHost, 15);
  EXPECT_EQ(client->HTTPStatusCode(), 200);
  EXPECT_EQ(client->LastError(), fw::HttpError::None);
  EXPECT_TRUE(client->PageHasMarker());
  EXPECT_EQ(page.ByteLength(), fw::HTTPSecureSocket::kMaxPage);
  ASSERT_TRUE(server->WaitForConnections(1));
  ServedConnection conn = server->Connections().at(0);
  EXPECT_FALSE(conn.clientWentAway);
  EXPECT_EQ(conn.bytesSent, 19 + 3 * kMiB + 3);
}

}  // namespace
}  // namespace network_tests
