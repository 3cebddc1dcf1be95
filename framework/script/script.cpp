#include "framework/script.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <list>
#include <map>
#include <string>
#include <utility>

#include "framework/display.h"
#include "framework/system.h"
#include "framework/runtime.h"
#include "framework/secret.h"
#include "framework/unique_fd.h"

extern char** environ;

namespace fw {
namespace {

// Parameter texts may hold a password: every copy the runner makes is wiped before it is freed.
void WipeAndClear(std::string& s) {
  Wipe(s);
  s.clear();
}

// The parameters live in list nodes, which never move, so no unwiped copy is left by growth.
struct PendingRun {
  int32_t number = 0;
  std::list<std::string> params;
  bool representable = true;  // false once a text held a NUL byte, which cannot be sent

  PendingRun() = default;
  PendingRun(PendingRun&&) = default;
  PendingRun& operator=(PendingRun&&) = delete;
  ~PendingRun() {
    for (auto& p : params) WipeAndClear(p);
  }
};

// Runs that have been started and not yet completed, by handle. Event-loop thread only.
std::map<int32_t, PendingRun>& Pending() {
  static std::map<int32_t, PendingRun> pending;
  return pending;
}

// Moves a descriptor above 0..2, so that placing it on the script's standard input always makes
// a fresh, inheritable descriptor, even when this process runs with a standard one closed.
int AboveStdio(int fd) {
  if (fd < 0 || fd > 2) return fd;
  int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
  ::close(fd);
  return moved;
}

std::string ScriptPath(int32_t number) {
  if (number < 0) return std::string();
  std::string exe = CurrentSystem().ExecutablePath();
  if (exe.empty()) return std::string();
  std::filesystem::path app = std::filesystem::path(exe).parent_path().parent_path();
  return (app / "Resources" / "Scripts" / std::to_string(number)).string();
}

int PidfdOpen(pid_t pid) {
#ifdef SYS_pidfd_open
  long fd = ::syscall(SYS_pidfd_open, pid, 0);  // close-on-exec by definition
  return fd < 0 ? -1 : static_cast<int>(fd);
#else
  (void)pid;
  return -1;
#endif
}

// Whether the child has ended, without reaping it.
bool ChildEnded(pid_t pid, int pidfd) {
  if (pidfd >= 0) {
    pollfd p{pidfd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
  }
  siginfo_t info{};
  if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
    return errno != EINTR;  // ECHILD: it is gone already
  }
  return info.si_pid != 0;
}

// Writes the whole payload unless the script ends or stops reading first. Never blocks the event
// loop: the descriptor is non-blocking and waits go through the platform.
void SendParameters(int fd, const std::string& payload, pid_t pid, int pidfd) {
  if (payload.empty()) return;
  int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) return;
  std::size_t sent = 0;
  while (sent < payload.size()) {
    ssize_t n = ::write(fd, payload.data() + sent, payload.size() - sent);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (ChildEnded(pid, pidfd)) return;
      Watch writable{fd, Ready::Write};
      fw::WaitBusy({&writable, 1}, 100);
      continue;
    }
    return;  // EPIPE and the like: the script does not read its input
  }
}

// Reaps the child; until it ends, the platform keeps the windows painted.
void WaitForExit(pid_t pid, int pidfd) {
  for (;;) {
    int status = 0;
    pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid) return;
    if (r < 0) {
      if (errno == EINTR) continue;
      return;  // ECHILD: reaped elsewhere (or SIGCHLD ignored); nothing left to wait for
    }
    if (pidfd >= 0) {
      Watch ended{pidfd, Ready::Read};
      fw::WaitBusy({&ended, 1}, 1000);
    } else {
      fw::WaitBusy({}, 50);
    }
  }
}

// Runs the script at `path` with `payload` on its standard input and waits for it to end.
void Run(const std::string& path, const std::string& payload) {
  if (path.empty()) return;
  BusyScope busy;
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return;
  UniqueFd readEnd(AboveStdio(ends[0]));
  UniqueFd writeEnd(AboveStdio(ends[1]));
  if (readEnd.get() < 0 || writeEnd.get() < 0) return;

  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return;
  posix_spawnattr_t attr;
  if (posix_spawnattr_init(&attr) != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return;
  }
  bool ready = posix_spawn_file_actions_adddup2(&actions, readEnd.get(), 0) == 0;
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
  // Only 0, 1 and 2 reach the script, whatever other code left without close-on-exec.
  ready = ready && posix_spawn_file_actions_addclosefrom_np(&actions, 3) == 0;
#endif
  // The script starts with no signal blocked or ignored, whatever this process has set.
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  ready = ready && posix_spawnattr_setsigmask(&attr, &none) == 0 &&
          posix_spawnattr_setsigdefault(&attr, &all) == 0 &&
          posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0;

  std::string arg0 = path;
  char* argv[] = {arg0.data(), nullptr};
  pid_t pid = -1;
  int spawned = ready ? posix_spawn(&pid, path.c_str(), &actions, &attr, argv, environ) : -1;
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  readEnd.Reset();
  if (spawned != 0) return;  // missing or not executable: nothing ran

  UniqueFd pidfd(PidfdOpen(pid));
  SendParameters(writeEnd.get(), payload, pid, pidfd.get());
  writeEnd.Reset();  // end of input: the script sees end-of-file after its last parameter
  WaitForExit(pid, pidfd.get());
}

}  // namespace

void ScriptExecute(int32_t number) {
  if (!HasSystem()) return;
  Run(ScriptPath(number), std::string());
}

int32_t StartParamScript(int32_t number) {
  auto& pending = Pending();
  int32_t handle = 1;
  for (const auto& entry : pending) {
    if (entry.first != handle) break;
    ++handle;
  }
  PendingRun run;
  run.number = number;
  pending.emplace(handle, std::move(run));
  return handle;
}

void AddIntegerScriptParam(int32_t handle, int32_t value) {
  auto it = Pending().find(handle);
  if (it == Pending().end()) return;
  it->second.params.push_back(std::to_string(value));
}

void AddStringScriptParam(int32_t handle, const String& value) {
  auto it = Pending().find(handle);
  if (it == Pending().end()) return;
  const std::string& bytes = value.Bytes();
  if (bytes.find('\0') != std::string::npos) it->second.representable = false;
  it->second.params.push_back(bytes);
}

void CompleteParamScriptExecute(int32_t handle) {
  auto& pending = Pending();
  auto it = pending.find(handle);
  if (it == pending.end()) return;
  PendingRun run = std::move(it->second);
  pending.erase(it);
  // A NUL inside a text would split it and shift every later parameter: such a run is not made.
  if (!run.representable || !HasSystem()) return;

  std::size_t size = 0;
  for (const auto& p : run.params) size += p.size() + 1;
  std::string payload;
  payload.reserve(size);  // one allocation, so no stray copy of a parameter is left behind
  for (const auto& p : run.params) {
    payload += p;
    payload += '\0';
  }
  Run(ScriptPath(run.number), payload);
  WipeAndClear(payload);
}

void RuntimeBackgroundTask() {
  if (HasDisplay()) CurrentDisplay().WaitBusy({}, 0);
}

}  // namespace fw
