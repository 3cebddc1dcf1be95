#include "framework/posix_services.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

#include "framework/display.h"
#include "framework/posix_wait.h"

namespace fw {

namespace {

// How long a look-up may take before the windows are kept painting during it: a little more than
// two frames, too short for a user to see a window stand still.
constexpr int kQuietLookupMs = 40;

// The system resolver, blocking: every address getaddrinfo gives for a stream socket, in its
// order. Runs on a look-up's worker thread.
std::vector<Endpoint> ResolveNow(const std::string& host, uint16_t port) {
  std::vector<Endpoint> out;
  if (host.empty() || host.find('\0') != std::string::npos) return out;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_ADDRCONFIG;
  addrinfo* res = nullptr;
  if (::getaddrinfo(host.c_str(), nullptr, &hints, &res) != 0) return out;
  for (addrinfo* a = res; a; a = a->ai_next) {
    if (a->ai_family == AF_INET && a->ai_addrlen >= sizeof(sockaddr_in)) {
      std::array<uint8_t, 4> bytes;
      std::memcpy(bytes.data(), &reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr, 4);
      out.push_back(Endpoint::V4(bytes, port));
    } else if (a->ai_family == AF_INET6 && a->ai_addrlen >= sizeof(sockaddr_in6)) {
      const auto* in6 = reinterpret_cast<const sockaddr_in6*>(a->ai_addr);
      std::array<uint8_t, 16> bytes;
      std::memcpy(bytes.data(), &in6->sin6_addr, 16);
      out.push_back(Endpoint::V6(bytes, port));
      out.back().scope = in6->sin6_scope_id;
    }
  }
  ::freeaddrinfo(res);
  return out;
}

}  // namespace

void SetUpProcess() {
  ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
  ::signal(SIGPIPE, SIG_IGN);
}

bool SpawnDetached(const std::vector<std::string>& argv) {
  if (argv.empty()) return false;
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  // A status pipe tells whether the grandchild's exec succeeded (closed on exec, else a byte).
  int status[2];
  if (::pipe2(status, O_CLOEXEC) != 0) return false;
  pid_t child = ::fork();
  if (child < 0) {
    ::close(status[0]);
    ::close(status[1]);
    return false;
  }
  if (child == 0) {
    // Only async-signal-safe calls between fork and exec.
    ::setsid();
    pid_t grandchild = ::fork();
    if (grandchild == 0) {
      ::signal(SIGPIPE, SIG_DFL);
      int devnull = ::open("/dev/null", O_RDWR);
      if (devnull >= 0) {
        ::dup2(devnull, 0);
        ::dup2(devnull, 1);
      }
      ::execvp(args[0], args.data());
      char fail = 1;
      (void)!::write(status[1], &fail, 1);
      ::_exit(127);
    }
    ::_exit(grandchild < 0 ? 1 : 0);
  }
  ::close(status[1]);
  int st = 0;
  while (::waitpid(child, &st, 0) < 0 && errno == EINTR) {
  }
  char byte;
  ssize_t n;
  while ((n = ::read(status[0], &byte, 1)) < 0 && errno == EINTR) {
  }
  ::close(status[0]);
  return WIFEXITED(st) && WEXITSTATUS(st) == 0 && n == 0;
}

void PosixServices::ShowURL(const String& url) {
  if (url.Bytes().find('\0') != std::string::npos) return;
  SpawnDetached({"xdg-open", url.Bytes()});
}

bool PosixServices::Gestalt(std::string_view selector, int32_t& result) {
  if (selector == "sys1") result = 10;
  else if (selector == "sys2") result = 4;
  else if (selector == "sys3") result = 0;
  else return false;
  return true;
}

String PosixServices::LookupIPAddress(const String& host) {
  const std::string& name = host.Bytes();
  if (name.empty() || name.find('\0') != std::string::npos) return String();
  PendingLookup lookup =
      PendingLookup::Start([name] { return ResolveNow(name, 0); }, lookupThreads_);
  // Most answers come from the hosts file or a near name server within a few milliseconds: they
  // are waited for plainly, since a busy wait costs the windows a round of yields. A slower one
  // is waited for with the windows painting.
  Watch answer{lookup.WaitFd(), Ready::Read};
  if (answer.fd >= 0) PlainWait({&answer, 1}, kQuietLookupMs);
  while (!lookup.Done()) {
    fw::WaitBusy({&answer, 1}, answer.fd >= 0 ? -1 : 50);
  }
  std::vector<Endpoint> endpoints = lookup.Take();
  return endpoints.empty() ? String() : String(ToText(endpoints.front()));
}

PendingLookup PosixServices::ResolveStream(const std::string& host, uint16_t port) {
  return PendingLookup::Start([host, port] { return ResolveNow(host, port); }, lookupThreads_);
}

std::string PosixServices::ExecutablePath() {
  std::vector<char> buf(4096);
  ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= buf.size()) return std::string();
  return std::string(buf.data(), static_cast<std::size_t>(n));
}

uint64_t PosixServices::Ticks() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 60 + static_cast<uint64_t>(ts.tv_nsec) * 60 / 1000000000;
}

}  // namespace fw
