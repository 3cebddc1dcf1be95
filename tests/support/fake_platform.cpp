#include "tests/support/fake_platform.h"

#include "framework/runtime.h"

namespace testing_support {

PlatformScope::PlatformScope() {
  auto p = std::make_shared<FakePlatform>();
  platform_ = p.get();
  Install(std::move(p));
  fw::RuntimeInit();
}

PlatformScope::~PlatformScope() {
  fw::ReleaseImplicitWindowList();
  fw::ReleaseWindowList();
  fw::RuntimeExit();
  Install(nullptr);
}

void Install(const std::shared_ptr<FakePlatform>& platform) {
  fw::SetUpProcess();
  fw::SetDisplay(platform);
  fw::SetSystem(platform);
}

}  // namespace testing_support
