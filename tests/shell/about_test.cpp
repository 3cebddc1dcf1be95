// The About command, the About window and the application picture.
#include <gtest/gtest.h>

#include "framework/runtime.h"
#include "shell/about_window.h"
#include "shell/keldara.h"
#include "shell/layout.h"
#include "shell/picture.h"
#include "shell/property_lists.h"
#include "tests/support/app_folder.h"

namespace {

using testing_support::AppFolder;

class AboutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    shell::ResetPictureCacheForTesting();
    folder_.InstallPicture();
    folder_.SetShortVersion("1.0");
    app_ = fw::RuntimeCheckCast<Keldara>(fw::RuntimeNewObject(Keldara::Lookup()), Keldara::Lookup());
    ASSERT_TRUE(app_);
    fw::RuntimeRegisterAppObject(app_);
  }
  void TearDown() override { shell::ResetPictureCacheForTesting(); }

  // A plain framework window standing in for any other open window.
  static fw::Ref<fw::Window> OpenPlainWindow() {
    auto w = fw::RuntimeCheckCast<fw::Window>(fw::RuntimeNewObject(fw::Window::Record()),
                                             fw::Window::Record());
    w->Constructor();
    return w;
  }

  static std::vector<fw::Ref<AboutWindow>> AboutWindows() {
    std::vector<fw::Ref<AboutWindow>> out;
    for (const auto& w : fw::OpenWindows()) {
      if (auto a = fw::RuntimeCheckCast<AboutWindow>(w, AboutWindow::Lookup())) out.push_back(a);
    }
    return out;
  }

  testing_support::PlatformScope scope_;
  AppFolder folder_{scope_.platform()};
  fw::Ref<Keldara> app_;
};

TEST_F(AboutTest, CommandOpensAWindowOnlyWhileFewerThanTwoAreOpen) {
  struct Case {
    int otherWindows;
    int aboutWindowsAfter;
  };
  for (Case c : {Case{0, 1}, Case{1, 1}, Case{2, 0}}) {
    SCOPED_TRACE(c.otherWindows);
    fw::ReleaseWindowList();
    std::vector<fw::Ref<fw::Window>> others;
    for (int i = 0; i < c.otherWindows; ++i) others.push_back(OpenPlainWindow());
    EXPECT_TRUE(app_->AboutKeldaraLauncher_Action());
    EXPECT_EQ(static_cast<int>(AboutWindows().size()), c.aboutWindowsAfter);
    EXPECT_EQ(fw::WindowCount(), c.otherWindows + c.aboutWindowsAfter);
  }
}

TEST_F(AboutTest, SecondCommandDoesNothingAndAClosedWindowIsNeverReused) {
  fw::Ref<fw::Window> signin = OpenPlainWindow();
  ASSERT_TRUE(app_->AboutKeldaraLauncher_Action());
  ASSERT_EQ(AboutWindows().size(), 1u);
  fw::Ref<AboutWindow> first = AboutWindows().front();

  EXPECT_TRUE(app_->AboutKeldaraLauncher_Action());  // 2 open: handled, nothing opened
  EXPECT_EQ(fw::WindowCount(), 2);
  EXPECT_EQ(AboutWindows().front(), first);

  first->Close();
  EXPECT_EQ(fw::WindowCount(), 1);
  folder_.SetShortVersion("2.5");
  EXPECT_TRUE(app_->AboutKeldaraLauncher_Action());
  ASSERT_EQ(AboutWindows().size(), 1u);
  fw::Ref<AboutWindow> second = AboutWindows().front();
  EXPECT_NE(second, first);
  EXPECT_TRUE(second->Visible());
  EXPECT_EQ(shell::Find<fw::StaticText>(*second, "VerTxt")->TextValue(),
            fw::String("Version: 2.5 Universal"));
}

TEST_F(AboutTest, WindowHasItsLayoutControlsAndCodeSettings) {
  ASSERT_TRUE(app_->AboutKeldaraLauncher_Action());
  fw::Ref<AboutWindow> w = AboutWindows().at(0);
  EXPECT_EQ(w->Title(), fw::String("About Keldara Launcher"));  // its list was applied
  EXPECT_EQ(w->MenuBar(), nullptr);

  const auto& controls = w->Controls();
  ASSERT_EQ(controls.size(), 4u);
  const char* order[] = {"Canvas1", "StaticText1", "StaticText2", "VerTxt"};
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(controls[i]->Name(), fw::String(order[i]));

  auto canvas = shell::Find<fw::Canvas>(*w, "Canvas1");
  EXPECT_NE(canvas->Backdrop(), nullptr);
  auto product = shell::Find<fw::StaticText>(*w, "StaticText1");
  EXPECT_EQ(product->TextSize(), 0.0f);  // the framework's default size
  EXPECT_EQ(product->TextUnit(), 0);
  auto notice = shell::Find<fw::StaticText>(*w, "StaticText2");
  EXPECT_EQ(notice->TextValue(), fw::String(shell::lists::kMakerNotice));
  for (const char* name : {"StaticText2", "VerTxt"}) {
    auto label = shell::Find<fw::StaticText>(*w, name);
    EXPECT_EQ(label->TextSize(), 11.0f) << name;
    EXPECT_EQ(label->TextUnit(), 2) << name;
  }
}

TEST_F(AboutTest, VersionLineSurroundsTheShortVersionWithOneSpaceEachSide) {
  struct Case {
    const char* version;
    const char* line;
  };
  for (Case c : {Case{"1.0", "Version: 1.0 Universal"}, Case{"", "Version:  Universal"},
                 Case{"2.0\xCE\xB2", "Version: 2.0\xCE\xB2 Universal"}}) {
    SCOPED_TRACE(c.version);
    fw::ReleaseWindowList();
    folder_.SetShortVersion(c.version);
    ASSERT_TRUE(app_->AboutKeldaraLauncher_Action());
    EXPECT_EQ(shell::Find<fw::StaticText>(*AboutWindows().at(0), "VerTxt")->TextValue(),
              fw::String(c.line));
  }
}

// ---- The application picture ------------------------------------------------------------------

class PictureTest : public ::testing::Test {
 protected:
  void SetUp() override { shell::ResetPictureCacheForTesting(); }
  void TearDown() override { shell::ResetPictureCacheForTesting(); }
  testing_support::PlatformScope scope_;
  AppFolder folder_{scope_.platform()};
};

TEST_F(PictureTest, NoResourcesFolderGivesNilWithoutRaising) {
  for (int i = 0; i < 2; ++i) {
    fw::Ref<fw::Picture> pic;
    EXPECT_NO_THROW(pic = Keldarafinal_128x128());
    EXPECT_EQ(pic, nullptr);
  }
  folder_.InstallPicture();  // the folder appears: the next call loads
  EXPECT_NE(Keldarafinal_128x128(), nullptr);
}

TEST_F(PictureTest, FailedLoadIsRetriedAndASuccessIsKeptForGood) {
  folder_.InstallBrokenPicture();
  EXPECT_EQ(Keldarafinal_128x128(), nullptr);
  folder_.RemovePicture();
  EXPECT_EQ(Keldarafinal_128x128(), nullptr);

  folder_.InstallPicture();
  fw::Ref<fw::Picture> loaded = Keldarafinal_128x128();
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->width, 128);

  folder_.RemovePicture();
  EXPECT_EQ(Keldarafinal_128x128(), loaded);
}

TEST_F(PictureTest, BothWindowsShowTheSamePictureAndAFailureIsNotRemembered) {
  folder_.InstallBrokenPicture();
  auto signin = fw::RuntimeCheckCast<fw::Window>(fw::RuntimeNewObject(fw::Window::Record()),
                                                fw::Window::Record());
  signin->Constructor();
  shell::CreateControl(*signin, fw::Canvas::Record(), "Canvas1", shell::lists::kMainWindow_Canvas1,
                       {.backdrop = true});
  EXPECT_EQ(shell::Find<fw::Canvas>(*signin, "Canvas1")->Backdrop(), nullptr);

  folder_.InstallPicture();
  auto app = fw::RuntimeCheckCast<Keldara>(fw::RuntimeNewObject(Keldara::Lookup()), Keldara::Lookup());
  fw::RuntimeRegisterAppObject(app);
  ASSERT_TRUE(app->AboutKeldaraLauncher_Action());
  fw::Ref<fw::Window> about = fw::OpenWindows().back();
  fw::Ref<fw::Picture> shown = shell::Find<fw::Canvas>(*about, "Canvas1")->Backdrop();
  ASSERT_NE(shown, nullptr);

  auto later = fw::RuntimeCheckCast<fw::Window>(fw::RuntimeNewObject(fw::Window::Record()),
                                               fw::Window::Record());
  later->Constructor();
  shell::CreateControl(*later, fw::Canvas::Record(), "Canvas1", shell::lists::kMainWindow_Canvas1,
                       {.backdrop = true});
  EXPECT_EQ(shell::Find<fw::Canvas>(*later, "Canvas1")->Backdrop(), shown);
}

}  // namespace
