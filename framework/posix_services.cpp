#include "framework/posix_services.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "framework/ui.h"

namespace fw {

short PosixServices::WaitBusy(int fd, short events, int timeoutMs) {
  pollfd p{fd, events, 0};
  for (;;) {
    int r = ::poll(&p, 1, timeoutMs);
    if (r < 0 && errno == EINTR) continue;
    return r > 0 ? p.revents : 0;
  }
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
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_ADDRCONFIG;
  addrinfo* res = nullptr;
  if (::getaddrinfo(name.c_str(), nullptr, &hints, &res) != 0 || !res) return String();
  char text[INET6_ADDRSTRLEN] = {};
  const void* addr = nullptr;
  if (res->ai_family == AF_INET) {
    addr = &reinterpret_cast<sockaddr_in*>(res->ai_addr)->sin_addr;
  } else if (res->ai_family == AF_INET6) {
    addr = &reinterpret_cast<sockaddr_in6*>(res->ai_addr)->sin6_addr;
  }
  String out;
  if (addr && ::inet_ntop(res->ai_family, addr, text, sizeof text)) out = String(text);
  ::freeaddrinfo(res);
  return out;
}

std::vector<SocketAddress> PosixServices::ResolveStream(const std::string& host, uint16_t port) {
  std::vector<SocketAddress> out;
  if (host.empty() || host.find('\0') != std::string::npos) return out;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_ADDRCONFIG | AI_NUMERICSERV;
  addrinfo* res = nullptr;
  std::string service = std::to_string(port);
  if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &res) != 0) return out;
  for (addrinfo* a = res; a; a = a->ai_next) {
    SocketAddress sa;
    static_assert(sizeof(sa.storage) >= sizeof(sockaddr_storage));
    if (a->ai_addrlen > sizeof(sa.storage)) continue;
    std::memcpy(sa.storage, a->ai_addr, a->ai_addrlen);
    sa.length = a->ai_addrlen;
    out.push_back(sa);
  }
  ::freeaddrinfo(res);
  return out;
}

std::string PosixServices::ExecutablePath() {
  std::vector<char> buf(4096);
  ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= buf.size()) return std::string();
  return std::string(buf.data(), static_cast<std::size_t>(n));
}

bool PosixServices::DecodePicture(Picture& picture) {
  const std::string& b = picture.bytes;
  static const char kSig[] = "\x89PNG\r\n\x1a\n";
  if (b.size() < 24 || b.compare(0, 8, kSig, 8) != 0 || b.compare(12, 4, "IHDR") != 0) return false;
  auto be32 = [&](std::size_t at) {
    return (uint32_t(uint8_t(b[at])) << 24) | (uint32_t(uint8_t(b[at + 1])) << 16) |
           (uint32_t(uint8_t(b[at + 2])) << 8) | uint32_t(uint8_t(b[at + 3]));
  };
  uint32_t w = be32(16), h = be32(20);
  if (w == 0 || h == 0 || w > INT32_MAX || h > INT32_MAX) return false;
  picture.width = static_cast<int32_t>(w);
  picture.height = static_cast<int32_t>(h);
  return true;
}

uint64_t PosixServices::Ticks() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 60 + static_cast<uint64_t>(ts.tv_nsec) * 60 / 1000000000;
}

}  // namespace fw
