// Connecting: the order addresses are tried in, and the race between them.
#include <filesystem>
#include <set>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "framework/net.h"
#include "tests/network/network_fixture.h"

namespace network_tests {
namespace {

using fw::Endpoint;

Endpoint V4(uint8_t last, uint16_t port = 443) { return Endpoint::V4({192, 0, 2, last}, port); }
Endpoint V6(uint8_t last, uint16_t port = 443) {
  std::array<uint8_t, 16> a{0x20, 0x01, 0x0d, 0xb8};
  a[15] = last;
  return Endpoint::V6(a, port);
}

TEST(InterleaveFamilies, FamiliesTakeTurnsInResolverOrder) {
  struct Case {
    const char* name;
    std::vector<Endpoint> in, out;
  } cases[] = {
      {"none", {}, {}},
      {"one family", {V4(1), V4(2), V4(3)}, {V4(1), V4(2), V4(3)}},
      {"six first", {V6(1), V6(2), V6(3), V4(1)}, {V6(1), V4(1), V6(2), V6(3)}},
      {"four first", {V4(1), V4(2), V6(1), V6(2)}, {V4(1), V6(1), V4(2), V6(2)}},
      {"mixed", {V6(1), V4(1), V4(2), V6(2), V4(3)}, {V6(1), V4(1), V6(2), V4(2), V4(3)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(fw::InterleaveFamilies(c.in), c.out);
  }
  EXPECT_EQ(fw::ToText(V6(1)), "2001:db8::1");
  EXPECT_EQ(fw::ToText(V4(7)), "192.0.2.7");
}

// The process's open descriptors, each with what it refers to ("socket:[inode]", ...). Look-up
// workers that earlier tests abandoned may close theirs at any moment, so a test compares sets:
// what it opened and left open is what is open afterwards and was not before, a number reused
// for another socket included.
using Descriptors = std::set<std::pair<int, std::string>>;

Descriptors OpenDescriptors() {
  Descriptors out;
  const std::string listing = std::filesystem::canonical("/proc/self/fd").string();
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
    if (target == listing) continue;  // the descriptor this listing reads through
    out.emplace(std::stoi(entry.path().filename().string()), error ? "" : target);
  }
  return out;
}

std::vector<std::string> LeftOpen(const Descriptors& before) {
  std::vector<std::string> out;
  for (const auto& [fd, target] : OpenDescriptors()) {
    if (!before.count({fd, target})) out.push_back(std::to_string(fd) + " " + target);
  }
  return out;
}

// Each row lists what stands at the host's addresses, in the resolver's order.
enum class At { Server, BlackHole, Refusing };

struct RaceCase {
  const char* name;
  std::vector<At> addresses;
  int32_t status;
  fw::HttpError error;
};
void PrintTo(const RaceCase& c, std::ostream* os) { *os << c.name; }

class Race : public NetworkTest, public ::testing::WithParamInterface<RaceCase> {};

TEST_P(Race, FirstConnectionUpCarriesTheOneRequest) {
  const RaceCase& c = GetParam();
  scope_->tickMs = 1.0;  // a time-out of 900 ms: a black hole alone ends in it
  auto server = GoodServer(kHost, AnswerScript::Status(401, ""));
  std::vector<std::unique_ptr<testing_support::BlackHolePort>> holes;
  std::vector<std::unique_ptr<testing_support::RefusingPort>> refusing;
  std::vector<Endpoint> endpoints;
  for (At at : c.addresses) {
    uint16_t port = server->port();
    if (at == At::BlackHole) port = holes.emplace_back(new testing_support::BlackHolePort)->port();
    if (at == At::Refusing) port = refusing.emplace_back(new testing_support::RefusingPort)->port();
    endpoints.push_back(Endpoint::V4({127, 0, 0, 1}, port));
  }
  scope_->endpoints[kHost] = endpoints;
  auto client = SignInClient("alice", "secret");
  const Descriptors descriptors = OpenDescriptors();
  client->Get("http://" + kHost, 15);
  EXPECT_EQ(client->HTTPStatusCode(), c.status);
  EXPECT_EQ(client->LastError(), c.error) << to_string(client->LastError());
  // Every attempt, the winner's connection and the look-up are closed with the request.
  EXPECT_EQ(LeftOpen(descriptors), std::vector<std::string>{});
  server->Stop();
  const bool served = std::count(c.addresses.begin(), c.addresses.end(), At::Server) > 0;
  EXPECT_EQ(server->Connections().size(), served ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, Race,
    ::testing::Values(
        RaceCase{"BlackHoleThenServer", {At::BlackHole, At::Server}, 401, fw::HttpError::None},
        RaceCase{"RefusingThenServer", {At::Refusing, At::Server}, 401, fw::HttpError::None},
        // Four head starts would outlast the time-out: each refusal hands on at once.
        RaceCase{"FourRefusingThenServer",
                 {At::Refusing, At::Refusing, At::Refusing, At::Refusing, At::Server}, 401,
                 fw::HttpError::None},
        RaceCase{"NoAddress", {}, 0, fw::HttpError::NotResolved},
        RaceCase{"TwoBlackHolesThenServer", {At::BlackHole, At::BlackHole, At::Server}, 401,
                 fw::HttpError::None},
        RaceCase{"ServerThenBlackHole", {At::Server, At::BlackHole}, 401, fw::HttpError::None},
        RaceCase{"AllRefusing", {At::Refusing, At::Refusing}, 0, fw::HttpError::ConnectFailed},
        RaceCase{"OnlyBlackHoles", {At::BlackHole, At::BlackHole}, 0, fw::HttpError::TimedOut}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace network_tests
