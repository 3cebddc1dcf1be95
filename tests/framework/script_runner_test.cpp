// The script runner against a recorder script in a throw-away application folder: what reaches
// the script (input, arguments, environment, descriptors), when the runner returns, and what it
// leaves behind.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <string>

#include "framework/runtime.h"
#include "framework/script.h"
#include "tests/support/app_folder.h"
#include "tests/support/fake_platform.h"

namespace {

namespace fs = std::filesystem;
using testing_support::FakePlatform;

constexpr int32_t kScript = 168;
const std::string kPassword = " Se cret\t1\xc3\xa9PASS ";

/// Counts the platform's busy waits, keeps the last one's time-out and whether input was held
/// off during them.
class CountingPlatform : public FakePlatform {
 public:
  int waits = 0;
  int lastTimeoutMs = -1;
  bool busyDuringWaits = true;
  bool WaitBusy(std::span<fw::Watch> watches, int timeoutMs) override {
    ++waits;
    lastTimeoutMs = timeoutMs;
    busyDuringWaits = busyDuringWaits && fw::HandlerBusy();
    return FakePlatform::WaitBusy(watches, timeoutMs);
  }
};

/// The texts, each ended by a NUL byte, as the script should read them.
std::string NulEnded(std::initializer_list<std::string> texts) {
  std::string out;
  for (const auto& t : texts) out += t + '\0';
  return out;
}

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ScriptRunner : public ::testing::Test {
 protected:
  void SetUp() override {
    auto p = std::make_shared<CountingPlatform>();
    platform_ = p.get();
    testing_support::Install(std::move(p));
    fw::RuntimeInit();
    folder_.emplace(*platform_);
    fs::create_directories(Record());
  }
  void TearDown() override {
    fw::RuntimeExit();
    testing_support::Install(nullptr);
    folder_.reset();
  }

  fs::path Script() const { return folder_->Script(kScript); }
  fs::path Record() const { return folder_->Root() / "record"; }
  std::string Recorded(const char* name) const { return ReadFile(Record() / name); }
  int Runs() const {
    std::string runs = Recorded("runs");
    return static_cast<int>(std::count(runs.begin(), runs.end(), '\n'));
  }

  /// Installs script 168 with `body` after the shebang line and the given mode.
  void InstallScript(const std::string& body, fs::perms mode = fs::perms::owner_all) const {
    folder_->InstallScript(kScript, "#!/bin/sh\nd='" + Record().string() + "'\n" + body, mode);
  }

  /// A script that records its input, arguments, environment and descriptors, then lingers
  /// `delay` before marking itself done.
  void InstallRecorder(const char* delay = "0") const {
    InstallScript(std::string("echo run >> \"$d/runs\"\n"
                              "cat > \"$d/stdin\"\n"
                              "printf '%s' \"$0\" > \"$d/arg0\"\n"
                              "printf '%s' \"$#\" > \"$d/argc\"\n"
                              "cat /proc/$$/cmdline > \"$d/cmdline\"\n"
                              "cat /proc/$$/environ > \"$d/environ\"\n"
                              "for f in /proc/$$/fd/*; do readlink \"$f\"; done > \"$d/fds\"\n"
                              "grep -E '^Sig(Blk|Ign)' /proc/self/status > \"$d/signals\"\n"
                              "sleep ") +
                  delay + "\n: > \"$d/done\"\n");
  }

  static void ExpectNoChildLeft() {
    int status = 0;
    errno = 0;
    EXPECT_EQ(::waitpid(-1, &status, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
  }

  CountingPlatform* platform_ = nullptr;
  std::optional<testing_support::AppFolder> folder_;
};

TEST_F(ScriptRunner, ParametersArriveOnStandardInputByteForByteAndNowhereElse) {
  InstallRecorder();
  // A descriptor this process leaves inheritable must not reach the script.
  const fs::path sentinel = folder_->Root() / "sentinel-descriptor";
  int leaky = ::open(sentinel.c_str(), O_WRONLY | O_CREAT, 0600);
  ASSERT_GE(leaky, 0);
  // Nor does a signal this process ignores or blocks stay ignored or blocked in the script.
  struct sigaction ignore {}, old {};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &ignore, &old);
  sigset_t usr1, oldMask;
  sigemptyset(&usr1);
  sigaddset(&usr1, SIGUSR1);
  ::pthread_sigmask(SIG_BLOCK, &usr1, &oldMask);

  int32_t h = fw::StartParamScript(kScript);
  fw::AddStringScriptParam(h, fw::String("https://acct.keldara.example"));
  fw::AddStringScriptParam(h, fw::String(""));
  fw::AddIntegerScriptParam(h, -42);
  fw::AddStringScriptParam(h, fw::String("Acct Name"));
  fw::AddStringScriptParam(h, fw::String(kPassword));
  fw::AddIntegerScriptParam(h, 0);
  fw::CompleteParamScriptExecute(h);
  ::close(leaky);
  ::sigaction(SIGPIPE, &old, nullptr);
  ::pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);

  EXPECT_EQ(Recorded("stdin"),
            NulEnded({"https://acct.keldara.example", "", "-42", "Acct Name", kPassword, "0"}));
  EXPECT_EQ(Recorded("arg0"), Script().string());
  EXPECT_EQ(Recorded("argc"), "0");
  for (const char* file : {"cmdline", "environ", "fds"}) {
    EXPECT_EQ(Recorded(file).find("Se cret"), std::string::npos) << file;
    EXPECT_EQ(Recorded(file).find("Acct Name"), std::string::npos) << file;
  }
  EXPECT_EQ(Recorded("fds").find(sentinel.filename().string()), std::string::npos);
  const std::string signals = Recorded("signals");
  ASSERT_EQ(signals.rfind("SigBlk:\t0000000000000000\nSigIgn:\t", 0), 0u) << signals;
  const unsigned long long ignored = std::stoull(signals.substr(signals.rfind('\t') + 1), nullptr, 16);
  EXPECT_EQ(ignored & (1ull << (SIGPIPE - 1)), 0u) << signals;
  ExpectNoChildLeft();
}

TEST_F(ScriptRunner, RunWithoutParametersGetsEmptyInputAndIsWaitedFor) {
  InstallRecorder("0.4");
  fw::ScriptExecute(kScript);
  EXPECT_TRUE(fs::exists(Record() / "done"));  // returned only after the script ended
  EXPECT_EQ(Recorded("stdin"), "");
  EXPECT_EQ(Recorded("argc"), "0");
  EXPECT_EQ(Runs(), 1);
  // The wait went through the platform, with input held off, so windows stayed painted.
  EXPECT_GT(platform_->waits, 0);
  EXPECT_TRUE(platform_->busyDuringWaits);
  EXPECT_FALSE(fw::HandlerBusy());
  ExpectNoChildLeft();
}

TEST_F(ScriptRunner, HandlesAreSmallSpentOnCompleteAndUnknownOnesDoNothing) {
  InstallRecorder();
  int32_t a = fw::StartParamScript(kScript);
  int32_t b = fw::StartParamScript(kScript);
  EXPECT_GT(a, 0);
  EXPECT_NE(a, b);
  fw::AddStringScriptParam(b, fw::String("for b"));
  fw::AddStringScriptParam(a, fw::String("for a"));
  fw::CompleteParamScriptExecute(a);
  EXPECT_EQ(Recorded("stdin"), NulEnded({"for a"}));
  EXPECT_EQ(fw::StartParamScript(kScript), a);  // the spent handle is free again

  fw::CompleteParamScriptExecute(a);  // the fresh run under `a` has no parameters
  EXPECT_EQ(Recorded("stdin"), "");
  fw::CompleteParamScriptExecute(a);  // spent: nothing runs
  fw::AddStringScriptParam(9999, fw::String("lost"));
  fw::AddIntegerScriptParam(9999, 1);
  fw::CompleteParamScriptExecute(9999);
  EXPECT_EQ(Runs(), 2);

  fw::CompleteParamScriptExecute(b);
  EXPECT_EQ(Recorded("stdin"), NulEnded({"for b"}));
  EXPECT_EQ(Runs(), 3);
}

TEST_F(ScriptRunner, TextHoldingNulIsNotSentSplitInTwo) {
  InstallRecorder();
  int32_t h = fw::StartParamScript(kScript);
  fw::AddStringScriptParam(h, fw::String("https://acct.keldara.example"));
  fw::AddStringScriptParam(h, fw::String(std::string("pass\0word", 9)));
  fw::CompleteParamScriptExecute(h);
  EXPECT_EQ(Runs(), 0);
  EXPECT_EQ(fw::StartParamScript(kScript), h);  // the handle was spent all the same
}

TEST_F(ScriptRunner, MissingUnexecutableOrShebangLessScriptReturnsWithoutRunningAnything) {
  fw::ScriptExecute(kScript);  // no file at all
  int32_t h = fw::StartParamScript(kScript);
  fw::AddStringScriptParam(h, fw::String("x"));
  fw::CompleteParamScriptExecute(h);

  InstallRecorder();
  fs::permissions(Script(), fs::perms::owner_read | fs::perms::owner_write);
  fw::ScriptExecute(kScript);

  // Executable but not something the kernel can start: no shell is asked to read it.
  folder_->InstallScript(kScript, "echo run >> '" + (Record() / "runs").string() + "'\n");
  fw::ScriptExecute(kScript);

  fw::ScriptExecute(-1);
  EXPECT_EQ(Runs(), 0);
  ExpectNoChildLeft();
}

TEST_F(ScriptRunner, LargeInputIsWrittenWholeAndUnreadInputNeitherBlocksNorKills) {
  InstallRecorder();
  std::string big(3 << 20, 'a');  // far beyond a pipe's buffer
  for (std::size_t i = 0; i < big.size(); i += 4096) big[i] = static_cast<char>('A' + i % 26);
  int32_t h = fw::StartParamScript(kScript);
  fw::AddStringScriptParam(h, fw::String(big));
  fw::CompleteParamScriptExecute(h);
  EXPECT_EQ(Recorded("stdin"), big + '\0');

  // A script that never reads: it closes its input and ends, or lingers without reading.
  for (const char* body : {"exec 0<&-\necho run >> \"$d/runs\"\n",
                           "echo run >> \"$d/runs\"\nsleep 0.3\n: > \"$d/done\"\n"}) {
    fs::remove(Record() / "done");
    InstallScript(body);
    h = fw::StartParamScript(kScript);
    fw::AddStringScriptParam(h, fw::String(big));
    fw::CompleteParamScriptExecute(h);
  }
  EXPECT_EQ(Runs(), 3);
  EXPECT_TRUE(fs::exists(Record() / "done"));
  // Still alive, and no SIGPIPE left pending or blocked behind.
  sigset_t pending, mask;
  sigpending(&pending);
  pthread_sigmask(SIG_BLOCK, nullptr, &mask);
  EXPECT_FALSE(sigismember(&pending, SIGPIPE));
  EXPECT_FALSE(sigismember(&mask, SIGPIPE));
  ExpectNoChildLeft();
}

TEST_F(ScriptRunner, BackgroundTaskLetsThePlatformPaintWithoutWaitingAndNeedsNone) {
  fw::RuntimeBackgroundTask();
  EXPECT_EQ(platform_->waits, 1);
  EXPECT_EQ(platform_->lastTimeoutMs, 0);
  // With no platform left (as during shutdown) nothing raises and no script runs.
  InstallRecorder();
  testing_support::Install(nullptr);
  EXPECT_NO_THROW(fw::RuntimeBackgroundTask());
  EXPECT_NO_THROW(fw::ScriptExecute(kScript));
  EXPECT_NO_THROW(fw::CompleteParamScriptExecute(fw::StartParamScript(kScript)));
  EXPECT_EQ(Runs(), 0);
}

}  // namespace
