// The request on the wire: exact bytes for the sign-in's inputs, address handling, header store,
// and host parts that must never reach a socket.
#include "tests/network/network_fixture.h"

namespace network_tests {
namespace {

std::string SignInRequest(const std::string& hostHeader, const std::string& base64,
                          const std::string& path = "/") {
  return "GET " + path + " HTTP/1.0\r\n"
         "Host: " + hostHeader + "\r\n"
         "Accept: */*\r\n"
         "Accept-Language: en\r\n"
         "User-Agent: Keldara Launcher\r\n"
         "Authorization: Basic " + base64 + "\r\n"
         "\r\n";
}

struct WireCase {
  const char* name;
  std::string account;
  std::string password;
  std::string base64;  // independently computed
  std::string host = {};  // the account host, when the account name cannot make one
};
void PrintTo(const WireCase& c, std::ostream* os) { *os << c.name; }

class SignInWire : public NetworkTest, public ::testing::WithParamInterface<WireCase> {};

TEST_P(SignInWire, RequestIsExactlyTheFiveHeaders) {
  const WireCase& c = GetParam();
  const std::string host = c.host.empty() ? c.account + ".keldara.example" : c.host;
  auto server = GoodServer(host, AnswerScript::Status(501, "mounted"));
  Route(host, server->port());

  auto client = SignInClient(c.account, c.password);
  fw::String page = client->Get(fw::String("http://") + fw::String(host), 15);

  EXPECT_EQ(client->HTTPStatusCode(), 501) << to_string(client->LastError());
  EXPECT_EQ(page.Bytes(), "mounted");
  ASSERT_TRUE(server->WaitForConnections(1));
  ServedConnection conn = server->Connections().at(0);
  EXPECT_EQ(conn.serverName, host);
  EXPECT_EQ(conn.request, SignInRequest(host, c.base64));
}

const std::string kLongPassword =
    "K0x172#3q4K5x677#8q9K0x172#3q4K5x677#8q9K0x172#3q4K5x677#8q9K0x172#3q4K5x677#8q9K0x172#3q4K5x677#8q9";

INSTANTIATE_TEST_SUITE_P(
    Credentials, SignInWire,
    ::testing::Values(
        WireCase{"Plain", "alice", "secret", "YWxpY2U6c2VjcmV0"},
        WireCase{"HundredCharacterPassword", "alice", kLongPassword,
                 "YWxpY2U6SzB4MTcyIzNxNEs1eDY3NyM4cTlLMHgxNzIjM3E0SzV4Njc3IzhxOUsweDE3MiMzcTRLNXg2"
                 "NzcjOHE5SzB4MTcyIzNxNEs1eDY3NyM4cTlLMHgxNzIjM3E0SzV4Njc3IzhxOQ=="},
        WireCase{"PasswordWithColons", "alice", "pa:ss:word", "YWxpY2U6cGE6c3M6d29yZA=="},
        WireCase{"EmptyAccount", "", "secret", "OnNlY3JldA==", kHost},
        WireCase{"NonAsciiUser", "j\xC3\xB6rg", "P\xC3\xA4ssw\xC3\xB6rd",
                 "asO2cmc6UMOkc3N3w7ZyZA=="}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EncodeBase64, KnownAnswersOnOneLine) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},
      {"foo", "Zm9v"},  {"foob", "Zm9vYg=="},  {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
      {std::string("\0\xff\xfe", 3), "AP/+"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(fw::EncodeBase64(in, 76).Bytes(), out) << in;

  std::string big(100000, 'a');
  std::string enc = fw::EncodeBase64(big, 76).Bytes();
  EXPECT_EQ(enc.size(), 4 * ((big.size() + 2) / 3));
  EXPECT_EQ(enc.find_first_of("\r\n"), std::string::npos);
}

TEST(HttpHeaders, StoreReplacesInPlaceAppendsAndDeletes) {
  fw::HTTPSecureSocket c;
  c.Constructor();
  using H = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(c.RequestHeaders(), (H{{"Accept", "*/*"}, {"Accept-Language", "en"}}));
  c.SetRequestHeader("User-Agent", "one");
  c.SetRequestHeader("accept", "text/html");  // replaced where it stands, any case
  c.SetRequestHeader("USER-AGENT", "two");
  EXPECT_EQ(c.RequestHeaders(),
            (H{{"Accept", "text/html"}, {"Accept-Language", "en"}, {"User-Agent", "two"}}));
  c.SetRequestHeader("Accept-Language", "");
  c.SetRequestHeader("Not-There", "");
  EXPECT_EQ(c.RequestHeaders(), (H{{"Accept", "text/html"}, {"User-Agent", "two"}}));
}

// ---- Addresses -----------------------------------------------------------------------------------

struct AddressCase {
  const char* name;
  std::string url;
  std::string routedHost;  // the name the client must resolve
  std::string requestHead; // request line and Host header expected
};
void PrintTo(const AddressCase& c, std::ostream* os) { *os << c.name; }


class AddressWire : public NetworkTest, public ::testing::WithParamInterface<AddressCase> {};

TEST_P(AddressWire, HostPartPortAndPath) {
  const AddressCase& c = GetParam();
  auto server = GoodServer(c.routedHost, AnswerScript::Status(200, ""));
  Route(c.routedHost, server->port());
  fw::HTTPSecureSocket client;
  client.Constructor();
  client.Get(c.url, 15);
  EXPECT_EQ(client.HTTPStatusCode(), 200) << to_string(client.LastError());
  ASSERT_TRUE(server->WaitForConnections(1));
  EXPECT_EQ(server->Connections().at(0).request,
            c.requestHead + "Accept: */*\r\nAccept-Language: en\r\n\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, AddressWire,
    ::testing::Values(
        // The scheme does not choose the transport: TLS is on either way.
        AddressCase{"HttpScheme", "http://" + kHost, kHost,
                    "GET / HTTP/1.0\r\nHost: " + kHost + "\r\n"},
        AddressCase{"NamedPort", "https://" + kHost + ":8443", kHost,
                    "GET / HTTP/1.0\r\nHost: " + kHost + ":8443\r\n"},
        // A "/" typed into the user name ends the host part; the rest is the path.
        AddressCase{"SlashInAccount", "http://a/b.keldara.example", "a",
                    "GET /b.keldara.example HTTP/1.0\r\nHost: a\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(NetworkTest, SecureOffSpeaksPlainHttp) {
  TlsServer server(AnswerScript::Status(501, "plain"));
  Route(kHost, server.port());
  auto client = SignInClient("alice", "secret");
  client->SetSecure(false);
  EXPECT_EQ(client->Get("http://" + kHost, 15).Bytes(), "plain");
  EXPECT_EQ(client->HTTPStatusCode(), 501);
  ASSERT_TRUE(server.WaitForConnections(1));
  EXPECT_EQ(server.Connections().at(0).request, SignInRequest(kHost, "YWxpY2U6c2VjcmV0"));
}

// ---- Unsafe input never reaches the wire ---------------------------------------------------------

TEST_F(NetworkTest, UnsafeAddressesAndHeadersNeverConnect) {
  // Every one of these hosts is routed to the server, so a client that let it through would
  // connect and send.
  const std::string hosts[] = {
      kHost + "\r\nX-Injected: 1", kHost + "\n", "ali ce.keldara.example",
      std::string("alice\0.keldara.example", 22), "alice\t.keldara.example", "alice\x7f",
      ".keldara.example",  // an empty account name: no host name at all
  };
  auto server = GoodServer(kHost, AnswerScript::Status(501, ""));
  for (const auto& h : hosts) Route(h, server->port());
  Route(kHost, server->port());

  auto client = SignInClient("alice", "secret");
  for (const auto& h : hosts) {
    client->Get(fw::String("http://") + fw::String(h) + "/", 15);
    EXPECT_EQ(client->HTTPStatusCode(), 0);
    EXPECT_EQ(client->LastError(), fw::HttpError::BadAddress);
  }
  const std::string urls[] = {
      "http:///", "http://", "http://:443/", "http://" + kHost + ":",
      "http://" + kHost + ":0", "http://" + kHost + ":65536", "http://" + kHost + ":44x",
      "http://" + kHost + "/a b", "http://" + kHost + "/\r\nX-Injected: 1", kHost,
  };
  for (const auto& u : urls) {
    client->Get(u, 15);
    EXPECT_EQ(client->HTTPStatusCode(), 0) << u;
    EXPECT_EQ(client->LastError(), fw::HttpError::BadAddress) << u;
  }
  client->SetRequestHeader("Authorization", "Basic x\r\nX-Injected: 1");
  client->Get("http://" + kHost, 15);
  EXPECT_EQ(client->LastError(), fw::HttpError::BadHeader);

  server->Stop();
  EXPECT_TRUE(server->Connections().empty());
}

}  // namespace
}  // namespace network_tests
