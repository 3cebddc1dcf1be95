// Addresses to connect to, and host-name look-ups that run beside the event loop.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fw {

/// One IP address and TCP port.
struct Endpoint {
  enum class Family : uint8_t { V4, V6 };
  Family family = Family::V4;
  std::array<uint8_t, 16> address{};  ///< network byte order; an IPv4 address uses the first 4
  uint16_t port = 0;
  uint32_t scope = 0;  ///< the interface of an IPv6 link-local address, else 0

  static Endpoint V4(std::array<uint8_t, 4> bytes, uint16_t port);
  static Endpoint V6(std::array<uint8_t, 16> bytes, uint16_t port);
  bool operator==(const Endpoint&) const = default;
};

/// The address as text ("192.0.2.1", "2001:db8::1"), without the port.
std::string ToText(const Endpoint& endpoint);

/// The order in which to try `endpoints`: the resolver's order within each family, the families
/// taking turns, beginning with the family of the first endpoint.
std::vector<Endpoint> InterleaveFamilies(const std::vector<Endpoint>& endpoints);

/// A host-name look-up running on a worker thread of its own; one that can get no thread has
/// failed at once.
///
/// The handle belongs to one thread (the event-loop thread). Dropping it before the answer is in
/// abandons the look-up: the worker finishes on its own and frees what it shares with the handle,
/// so a late answer touches nothing that is gone, and nobody waits for it.
class PendingLookup {
 public:
  using Work = std::function<std::vector<Endpoint>()>;
  /// Runs `job` on a thread of its own, not joined; throws std::system_error when no thread can
  /// be made.
  using ThreadStarter = void (*)(std::function<void()> job);

  /// A new detached std::thread: the starter every look-up of the product uses.
  static void StartDetachedThread(std::function<void()> job);
  /// Runs `work` on a worker thread that `startThread` makes. When no thread can be made, the
  /// look-up has failed at once: it is answered with no addresses and `work` never runs, since
  /// running it on the calling thread would block that thread for as long as the resolver takes,
  /// beyond any time-out and with the windows standing still.
  static PendingLookup Start(Work work, ThreadStarter startThread = StartDetachedThread);
  /// A look-up whose answer is already in.
  static PendingLookup Answered(std::vector<Endpoint> endpoints);

  PendingLookup(PendingLookup&&) noexcept;
  PendingLookup& operator=(PendingLookup&&) noexcept;
  ~PendingLookup();

  /// A descriptor that turns readable when the answer is in (it stays readable afterwards).
  int WaitFd() const;
  /// Whether the answer is in.
  bool Done() const;
  /// The addresses, in the resolver's order; none when the name did not resolve. Only once Done.
  std::vector<Endpoint> Take();

 private:
  struct Shared;
  explicit PendingLookup(std::shared_ptr<Shared> shared);
  std::shared_ptr<Shared> shared_;
};

}  // namespace fw
