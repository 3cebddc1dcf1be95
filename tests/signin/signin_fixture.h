// A sign-in window opened on the fake platform, inside a throw-away application folder whose
// mount script records what it reads on its standard input and how many arguments it got.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "framework/runtime.h"
#include "shell/kd_menu_bar.h"
#include "shell/layout.h"
#include "shell/picture.h"
#include "signin/kd_connect.h"
#include "signin/main_window.h"
#include "tests/support/app_folder.h"
#include "tests/support/fake_platform.h"

namespace signin_test {

namespace fs = std::filesystem;

class SignInTest : public ::testing::Test {
 protected:
  SignInTest() {
    folder_.InstallScript(kMountScript, "#!/bin/sh\nout='" + Received().string() +
                                            "'\necho \"$#\" > \"$out.argc\"\ncat > \"$out\"\n");
    p().hosts[KELDARA_MANAGEMENT_HOST] = "192.0.2.1";
  }
  ~SignInTest() override {
    window_.reset();
    KDMenuBar::implicitInstance_Exit();
    shell::ResetPictureCacheForTesting();
  }

  testing_support::FakePlatform& p() { return scope_.platform(); }
  /// Opens the window and forgets what opening it showed.
  MainWindow& Open() {
    window_ = MainWindow_MainWindow();
    p().log.clear();
    p().lookups.clear();
    return *window_;
  }
  template <class T = fw::RectControl>
  fw::Ref<T> Get(const char* name) {
    return shell::Find<T>(*window_, name);
  }
  fw::Ref<fw::TextField> User() { return Get<fw::TextField>("txt_user"); }
  fw::Ref<fw::TextField> Pass() { return Get<fw::TextField>("txt_pass"); }
  fw::Ref<fw::PushButton> Connect() { return Get<fw::PushButton>("btn_connect"); }
  fw::Ref<fw::StaticText> Link() { return Get<fw::StaticText>("txt_forget"); }
  fw::Ref<fw::ProgressWheel> Wheel() { return Get<fw::ProgressWheel>("kdProgress"); }

  /// What the mount script read ("<none>" when it never ran), then its argument count.
  std::string ScriptRun() const {
    if (!fs::exists(Received())) return "<none>";
    auto read = [](const fs::path& f) {
      std::ifstream in(f, std::ios::binary);
      return std::string(std::istreambuf_iterator<char>(in), {});
    };
    return read(Received()) + "|argc=" + read(Received().string() + ".argc");
  }

 private:
  fs::path Received() const { return folder_.Root() / "received"; }

  testing_support::PlatformScope scope_;
  testing_support::AppFolder folder_{scope_.platform()};
  fw::Ref<MainWindow> window_;
};

}  // namespace signin_test
