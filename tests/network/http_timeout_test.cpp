// The inactivity time-out: 900 ticks without the connection coming up, being secured or going
// down, or the page growing; the name look-up runs inside it. A fast tick clock (1 ms a tick: 15
// "seconds" are 900 ms) keeps these quick.
#include "tests/network/network_fixture.h"

namespace network_tests {
namespace {

struct TimeoutCase {
  const char* name;
  AnswerScript script;
  std::chrono::milliseconds resolveDelay;
  int32_t status;
  std::string page;
  fw::HttpError error;
  std::size_t connections;  // that reached the server
  std::chrono::milliseconds lookUpClockJump{0};  // clock time the look-up takes besides its delay
  bool noLookUpThread = false;  // the look-up gets no worker thread
};
void PrintTo(const TimeoutCase& c, std::ostream* os) { *os << c.name; }

class Timeout : public NetworkTest, public ::testing::WithParamInterface<TimeoutCase> {};

TEST_P(Timeout, EndsWhenNothingMovesForTheWholeTimeout) {
  const TimeoutCase& c = GetParam();
  scope_->tickMs = 1.0;
  scope_->resolveDelay = c.resolveDelay;
  scope_->resolveClockJump = c.lookUpClockJump;
  if (c.noLookUpThread) scope_->RefuseLookupThreads();
  auto server = GoodServer(kHost, c.script);
  Route(kHost, server->port());
  auto client = SignInClient("alice", "secret");
  const std::string page = client->Get("http://" + kHost, 15).Bytes();
  EXPECT_EQ(client->HTTPStatusCode(), c.status);
  EXPECT_EQ(page, c.page);
  EXPECT_EQ(client->LastError(), c.error) << to_string(client->LastError());
  server->Stop();
  EXPECT_EQ(server->Connections().size(), c.connections);
  if (c.noLookUpThread) {
    // The synchronous look-up makes the same choice rather than resolve on the calling thread.
    EXPECT_EQ(scope_->PosixServices::LookupIPAddress("localhost").Bytes(), "");
  }
}

using namespace std::chrono_literals;
const std::string kSlowHeader = "HTTP/1.0 501 OK\r\nServer: slow\r\nX-Pad: 0123456789\r\n\r\nbody";

INSTANTIATE_TEST_SUITE_P(
    Cases, Timeout,
    ::testing::Values(
        TimeoutCase{"SilentServer", AnswerScript::Silent(20s), 0ms, 0, "",
                    fw::HttpError::TimedOut, 1},
        TimeoutCase{"StallAfterTheHeaderKeepsCodeAndPage",
                    AnswerScript().Send("HTTP/1.0 501 OK\r\n\r\nfirst").Pause(20s).Send("never"),
                    0ms, 501, "first", fw::HttpError::TimedOut, 1},
        // Twelve pieces 150 ms apart: the whole takes two time-outs, each gap less than one.
        TimeoutCase{"PageGrowingWithinTheTimeoutIsReadToTheEnd",
                    AnswerScript().Send("HTTP/1.0 200 OK\r\n\r\n").Drip("abcdefghijklmnopqrstuvwx", 2, 150ms),
                    0ms, 200, "abcdefghijklmnopqrstuvwx", fw::HttpError::None, 1},
        TimeoutCase{"PageGrowingSlowerThanTheTimeoutEnds",
                    AnswerScript().Send("HTTP/1.0 200 OK\r\n\r\n").Drip("abcdef", 2, 1500ms), 0ms,
                    200, "ab", fw::HttpError::TimedOut, 1},
        // A byte every 40 ms: steady, but header bytes are no page growth.
        TimeoutCase{"HeaderBytesAloneDoNotMoveIt", AnswerScript().Drip(kSlowHeader, 1, 40ms), 0ms, 0,
                    "", fw::HttpError::TimedOut, 1},
        // An endless header block is read until the time-out ends it: its bytes never move it.
        TimeoutCase{"HeaderBlockWithoutEnd",
                    AnswerScript().Send("HTTP/1.0 200 OK\r\n").Flood(uint64_t{1} << 40), 0ms, 0, "",
                    fw::HttpError::TimedOut, 1},
        // Connected at 0, secured at 600 ms, answered at 1200 ms: inside the time-out only because
        // the end of the handshake starts it again.
        TimeoutCase{"CompletedHandshakeMovesIt",
                    AnswerScript().DelayHandshake(600ms).Pause(600ms).Send("HTTP/1.0 401 No\r\n\r\nagain"), 0ms, 401,
                    "again", fw::HttpError::None, 1},
        // The look-up counts: when it outlasts the time-out, nothing is sent, whatever comes later.
        TimeoutCase{"LookUpLongerThanTheTimeout", AnswerScript::Status(501, ""), 2000ms, 0, "",
                    fw::HttpError::TimedOut, 0},
        // Answered in the same instant the deadline passed: still not used.
        TimeoutCase{"LookUpAnsweredJustAfterTheDeadline", AnswerScript::Status(501, ""), 50ms, 0,
                    "", fw::HttpError::TimedOut, 0, 905ms},
        // A look-up that would take 2 s but can get no worker thread fails at once: it never
        // runs on the waiting thread, which would stand still for it past the time-out.
        TimeoutCase{"LookUpWithoutAWorkerThread", AnswerScript::Status(501, ""), 2000ms, 0, "",
                    fw::HttpError::NotResolved, 0, 0ms, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace network_tests
