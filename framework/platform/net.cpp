#include "framework/net.h"

#include <arpa/inet.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "framework/unique_fd.h"

namespace fw {

Endpoint Endpoint::V4(std::array<uint8_t, 4> bytes, uint16_t port) {
  Endpoint e;
  e.family = Family::V4;
  std::memcpy(e.address.data(), bytes.data(), bytes.size());
  e.port = port;
  return e;
}

Endpoint Endpoint::V6(std::array<uint8_t, 16> bytes, uint16_t port) {
  Endpoint e;
  e.family = Family::V6;
  e.address = bytes;
  e.port = port;
  return e;
}

std::string ToText(const Endpoint& endpoint) {
  char text[INET6_ADDRSTRLEN] = {};
  const int af = endpoint.family == Endpoint::Family::V4 ? AF_INET : AF_INET6;
  if (!::inet_ntop(af, endpoint.address.data(), text, sizeof text)) return std::string();
  return text;
}

std::vector<Endpoint> InterleaveFamilies(const std::vector<Endpoint>& endpoints) {
  if (endpoints.empty()) return {};
  const Endpoint::Family firstFamily = endpoints.front().family;
  std::vector<const Endpoint*> first, other;
  for (const Endpoint& e : endpoints) (e.family == firstFamily ? first : other).push_back(&e);
  std::vector<Endpoint> out;
  out.reserve(endpoints.size());
  for (std::size_t i = 0; i < first.size() || i < other.size(); ++i) {
    if (i < first.size()) out.push_back(*first[i]);
    if (i < other.size()) out.push_back(*other[i]);
  }
  return out;
}

// What the handle and the worker share. The worker holds its own reference, so whichever of the
// two lets go last frees it; the event descriptor closes with it.
struct PendingLookup::Shared {
  std::mutex mutex;
  bool done = false;                 // guarded by mutex
  std::vector<Endpoint> endpoints;   // guarded by mutex; written once, before done
  UniqueFd wake;                     // readable once done

  void Finish(std::vector<Endpoint> result) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      endpoints = std::move(result);
      done = true;
    }
    const uint64_t one = 1;
    while (::write(wake.get(), &one, sizeof one) < 0 && errno == EINTR) {
    }
  }
};

PendingLookup::PendingLookup(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}
PendingLookup::PendingLookup(PendingLookup&&) noexcept = default;
PendingLookup& PendingLookup::operator=(PendingLookup&&) noexcept = default;
PendingLookup::~PendingLookup() = default;

void PendingLookup::StartDetachedThread(std::function<void()> job) {
  std::thread(std::move(job)).detach();
}

PendingLookup PendingLookup::Start(Work work, ThreadStarter startThread) {
  auto shared = std::make_shared<Shared>();
  shared->wake.Reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  try {
    startThread([shared, work = std::move(work)] { shared->Finish(work()); });
  } catch (const std::system_error&) {
    shared->Finish({});
  }
  return PendingLookup(std::move(shared));
}

PendingLookup PendingLookup::Answered(std::vector<Endpoint> endpoints) {
  auto shared = std::make_shared<Shared>();
  shared->wake.Reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  shared->Finish(std::move(endpoints));
  return PendingLookup(std::move(shared));
}

int PendingLookup::WaitFd() const { return shared_ ? shared_->wake.get() : -1; }

bool PendingLookup::Done() const {
  if (!shared_) return true;
  std::lock_guard<std::mutex> lock(shared_->mutex);
  return shared_->done;
}

std::vector<Endpoint> PendingLookup::Take() {
  if (!shared_) return {};
  std::lock_guard<std::mutex> lock(shared_->mutex);
  return shared_->done ? std::move(shared_->endpoints) : std::vector<Endpoint>{};
}

}  // namespace fw
