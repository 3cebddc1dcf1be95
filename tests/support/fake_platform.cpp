#include "tests/support/fake_platform.h"

#include "framework/runtime.h"

namespace testing_support {

PlatformScope::PlatformScope() {
  auto p = std::make_unique<FakePlatform>();
  platform_ = p.get();
  fw::SetPlatform(std::move(p));
  fw::RuntimeInit();
}

PlatformScope::~PlatformScope() {
  fw::ReleaseImplicitWindowList();
  fw::ReleaseWindowList();
  fw::RuntimeExit();
  fw::SetPlatform(nullptr);
}

}  // namespace testing_support
