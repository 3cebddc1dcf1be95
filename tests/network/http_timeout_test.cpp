// The inactivity time-out: 900 ticks without the connection coming up or down or the page
// growing. A fast tick clock (0.5 ms a tick: 15 "seconds" are 450 ms) keeps these quick; one case
// runs on the real clock.
#include "tests/network/network_fixture.h"

namespace network_tests {
namespace {

constexpr double kFastTickMs = 0.5;
constexpr long long kFastTimeoutMs = 450;  // 900 ticks

class TimeoutTest : public NetworkTest {
 protected:
  void SetUp() override { scope_->tickMs = kFastTickMs; }

  /// Runs the sign-in GET against `script`; fills status, page and the time taken.
  void Run(AnswerScript script) {
    server_ = GoodServer(kHost, std::move(script));
    Route(kHost, server_->port());
    auto client = SignInClient("alice", "secret");
    ms_ = TimeMs([&] { page_ = client->Get("http://" + kHost, 15).Bytes(); });
    status_ = client->HTTPStatusCode();
    error_ = client->LastError();
  }

  std::unique_ptr<TlsServer> server_;
  std::string page_;
  int32_t status_ = -1;
  fw::HttpError error_ = fw::HttpError::None;
  long long ms_ = 0;
};

TEST_F(TimeoutTest, SilentServerGivesNoAnswerAfterTheTimeout) {
  Run(AnswerScript::Silent(20s));
  EXPECT_EQ(status_, 0);
  EXPECT_EQ(page_, "");
  EXPECT_EQ(error_, fw::HttpError::TimedOut);
  EXPECT_GE(ms_, kFastTimeoutMs - 20);
  EXPECT_LT(ms_, 5000);
}

TEST_F(TimeoutTest, StallAfterTheHeaderKeepsCodeAndPageSoFar) {
  Run(AnswerScript().Send("HTTP/1.0 501 OK\r\n\r\nfirst").Pause(20s).Send("never"));
  EXPECT_EQ(status_, 501);
  EXPECT_EQ(page_, "first");
  EXPECT_EQ(error_, fw::HttpError::TimedOut);
  EXPECT_GE(ms_, kFastTimeoutMs - 20);
  EXPECT_LT(ms_, 5000);
}

TEST_F(TimeoutTest, BodyDrippedWithinTheTimeoutIsReadToTheEnd) {
  // Twelve chunks 100 ms apart: the whole takes well over one time-out.
  const std::string body = "abcdefghijklmnopqrstuvwx";
  Run(AnswerScript().Send("HTTP/1.0 200 OK\r\n\r\n").Drip(body, 2, 100ms));
  EXPECT_EQ(status_, 200);
  EXPECT_EQ(page_, body);
  EXPECT_EQ(error_, fw::HttpError::None);
  EXPECT_GT(ms_, kFastTimeoutMs + 200);
}

TEST_F(TimeoutTest, BodyDrippedSlowerThanTheTimeoutEnds) {
  Run(AnswerScript().Send("HTTP/1.0 200 OK\r\n\r\n").Drip("abcdef", 2, 1500ms));
  EXPECT_EQ(status_, 200);
  EXPECT_EQ(page_, "ab");
  EXPECT_EQ(error_, fw::HttpError::TimedOut);
  EXPECT_LT(ms_, 1500);
}

TEST_F(TimeoutTest, HeaderBytesAloneDoNotMoveTheDeadline) {
  // The header block arrives a byte every 40 ms: steady, but not page growth.
  Run(AnswerScript().Drip("HTTP/1.0 501 OK\r\nServer: slow\r\nX-Pad: 0123456789\r\n\r\nbody", 1,
                          40ms));
  EXPECT_EQ(status_, 0);
  EXPECT_EQ(error_, fw::HttpError::TimedOut);
  EXPECT_LT(ms_, 2000);
}

// The one case on the real tick clock: 15 seconds of silence.
TEST_F(NetworkTest, SilentServerTimesOutAfterFifteenRealSeconds) {
  auto server = GoodServer(kHost, AnswerScript::Silent(40s));
  Route(kHost, server->port());
  auto client = SignInClient("alice", "secret");
  auto ms = TimeMs([&] { client->Get("http://" + kHost, 15); });
  EXPECT_EQ(client->HTTPStatusCode(), 0);
  EXPECT_EQ(client->LastError(), fw::HttpError::TimedOut);
  EXPECT_GE(ms, 14900);
  EXPECT_LT(ms, 18000);
}

}  // namespace
}  // namespace network_tests
