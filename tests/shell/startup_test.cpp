// Start-up and shut-down, from shell::main to the exit status, with a stand-in default window.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "framework/runtime.h"
#include "framework/window_list.h"
#include "shell/kd_menu_bar.h"
#include "shell/keldara.h"
#include "shell/layout.h"
#include "shell/picture.h"
#include "shell/property_lists.h"
#include "shell/startup.h"
#include "tests/support/app_folder.h"

namespace {

// What the stand-in default window saw; reset by every test.
struct Seen {
  int registrations = 0;
  int instanceCalls = 0;
  bool registeredBeforeInstance = false;
  bool appHadMenuBar = false;
  bool handlerBoundBeforeWindow = false;
  bool released = false;
  bool menuBarAliveAtRelease = false;
  bool throwOnInstance = false;
};
Seen seen;

class StandInWindow : public fw::Window {
 public:
  static const fw::ClassRecord* ctbl;
  static const fw::ClassRecord* Lookup() {
    if (!ctbl) {
      fw::ClassRecord def;
      def.name = "StandInWindow.StandInWindow";
      def.base = fw::Window::Record();
      def.implicitInstance = true;
      def.allocate = [] { return fw::MakeObject<StandInWindow>(ctbl); };
      fw::RuntimeNewClass(ctbl, std::move(def));
    }
    return ctbl;
  }
  static void ctblinit() {
    ++seen.registrations;
    Lookup();
  }
  ~StandInWindow() override {
    seen.released = true;
    seen.menuBarAliveAtRelease = KDMenuBar::_implicitInstance != nullptr;
  }
  void Layout() override {
    SetMenuBar(KDMenuBar_KDMenuBar());
    shell::SetProperties(*this, shell::lists::kMainWindow);
  }
};
const fw::ClassRecord* StandInWindow::ctbl = nullptr;

fw::Ref<fw::Window> StandInInstance() {
  ++seen.instanceCalls;
  seen.registeredBeforeInstance = seen.registrations == 1;
  if (seen.throwOnInstance) throw std::runtime_error("window creation failed");
  fw::Ref<Keldara> app = App();
  seen.appHadMenuBar = app && app->MenuBar() && app->MenuBar() == KDMenuBar::_implicitInstance;
  seen.handlerBoundBeforeWindow = app && app->MenuHandler("AboutKeldaraLauncher") != nullptr;
  fw::Ref<fw::Window> w = fw::GetImplicitWindow("StandInWindow.StandInWindow");
  if (!w) {
    w = fw::RuntimeCheckCast<fw::Window>(fw::RuntimeNewObject(StandInWindow::Lookup()),
                                        StandInWindow::Lookup());
    w->Constructor();
  }
  return w;
}

const shell::DefaultWindow kDefault{&StandInWindow::ctblinit, &StandInInstance};

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    seen = Seen{};
    shell::ResetPictureCacheForTesting();
    folder_.InstallPicture();
    folder_.SetShortVersion("1.0");
  }
  void TearDown() override { shell::ResetPictureCacheForTesting(); }
  testing_support::FakePlatform& platform() { return scope_.platform(); }

  testing_support::PlatformScope scope_;
  testing_support::AppFolder folder_{scope_.platform()};
};

TEST_F(StartupTest, RunBindsOneHandlerSharesOneMenuBarAndExitsWithTheQuitCode) {
  bool checked = false;
  bool ranAfterQuit = false;
  std::weak_ptr<KDMenuBar> bar;
  platform().events.push_back([&] {
    fw::Ref<Keldara> app = App();
    ASSERT_TRUE(app);
    bar = KDMenuBar::_implicitInstance;
    ASSERT_TRUE(bar.lock());
    EXPECT_EQ(app->MenuBar(), bar.lock());
    ASSERT_EQ(fw::WindowCount(), 1);
    EXPECT_EQ(fw::OpenWindows().front()->MenuBar(), bar.lock());

    // Only the About item has an application handler.
    fw::Ref<fw::MenuItem> edit = bar.lock()->Child("EditMenu");
    for (int32_t i = 0; i < edit->Count(); ++i) {
      const fw::String& name = edit->Item(i)->name;
      EXPECT_EQ(app->MenuHandler(name) != nullptr, name == fw::String("AboutKeldaraLauncher"))
          << name.Bytes();
    }
    EXPECT_EQ(app->MenuHandler("EditMenu"), nullptr);
    EXPECT_TRUE(app->HandleMenuCommand(*edit->Child("EditCut")));
    EXPECT_EQ(platform().log.back(), "edit:EditCut");

    EXPECT_TRUE(app->HandleMenuCommand(*edit->Child("AboutKeldaraLauncher")));
    EXPECT_EQ(fw::WindowCount(), 2);
    EXPECT_TRUE(app->HandleMenuCommand(*edit->Child("AboutKeldaraLauncher")));
    EXPECT_EQ(fw::WindowCount(), 2);
    checked = true;
  });
  platform().events.push_back([] { fw::Quit(7); });
  platform().events.push_back([&] { ranAfterQuit = true; });

  EXPECT_EQ(shell::main(kDefault), 7);
  EXPECT_TRUE(checked);
  EXPECT_FALSE(ranAfterQuit);
  EXPECT_EQ(seen.registrations, 1);
  EXPECT_EQ(seen.instanceCalls, 1);
  EXPECT_TRUE(seen.registeredBeforeInstance);
  EXPECT_TRUE(seen.appHadMenuBar);
  EXPECT_TRUE(seen.handlerBoundBeforeWindow);
  // Shutdown: windows go first while the menu bar still exists; the bar goes last.
  EXPECT_TRUE(seen.released);
  EXPECT_TRUE(seen.menuBarAliveAtRelease);
  EXPECT_EQ(KDMenuBar::_implicitInstance, nullptr);
  EXPECT_TRUE(bar.expired());
}

TEST_F(StartupTest, ExceptionEscapingTheEventLoopReachesTheHookAndShutdownStillRuns) {
  struct Case {
    const char* label;
    std::function<void()> raise;
    const char* reported;
  };
  const Case cases[] = {
      {"framework exception", [] { fw::RaiseNilObjectException(); }, "NilObjectException"},
      {"standard exception", [] { throw std::logic_error("broken"); }, "broken"},
      {"not an exception class", [] { throw 42; }, "not handled"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    seen = Seen{};
    bool ranAfter = false;
    platform().loopQuit = false;
    platform().events.clear();
    platform().events.push_back(c.raise);
    platform().events.push_back([&] { ranAfter = true; });

    ::testing::internal::CaptureStderr();
    int32_t status = 0;
    EXPECT_NO_THROW(status = shell::main(kDefault));
    const std::string err = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(status, 1);  // the runtime's status after an unhandled exception without a quit
    EXPECT_NE(err.find(c.reported), std::string::npos) << err;
    EXPECT_FALSE(ranAfter);
    EXPECT_TRUE(seen.released);
    EXPECT_TRUE(seen.menuBarAliveAtRelease);
    EXPECT_EQ(KDMenuBar::_implicitInstance, nullptr);
    EXPECT_EQ(fw::WindowCount(), 0);
  }
}

TEST_F(StartupTest, ExceptionDuringStartUpSkipsTheEventLoopButNotShutdown) {
  seen.throwOnInstance = true;
  bool loopRan = false;
  platform().events.push_back([&] { loopRan = true; });

  ::testing::internal::CaptureStderr();
  int32_t status = shell::main(kDefault);
  const std::string err = ::testing::internal::GetCapturedStderr();

  EXPECT_EQ(status, 1);
  EXPECT_NE(err.find("window creation failed"), std::string::npos) << err;
  EXPECT_FALSE(loopRan);
  EXPECT_EQ(seen.instanceCalls, 1);
  EXPECT_EQ(KDMenuBar::_implicitInstance, nullptr);
}

}  // namespace
