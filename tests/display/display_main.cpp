// The display tests run against the real native backend: one toolkit instance for the process.
#include <gtest/gtest.h>

#include "framework/native/wx_platform.h"
#include "framework/runtime.h"
#include "framework/window_list.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  native::InstallWxPlatform(argc, argv);
  fw::RuntimeInit();
  const int status = RUN_ALL_TESTS();
  fw::ReleaseWindowList();
  fw::RuntimeExit();
  native::UninstallWxPlatform();
  return status;
}
