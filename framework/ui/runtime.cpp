#include "framework/runtime.h"

#include <algorithm>
#include <cstdio>

#include "framework/application.h"
#include "framework/display.h"
#include "framework/window_list.h"

namespace fw {
namespace {

struct RuntimeState {
  bool quitting = false;
  int32_t exitCode = 0;
  bool unhandled = false;
  Ref<Application> app;
};

RuntimeState& State() {
  static RuntimeState state;
  return state;
}

}  // namespace

void RuntimeInit() {
  RuntimeState& s = State();
  s.quitting = false;
  s.exitCode = 0;
  s.unhandled = false;
  detail::ResetBusy();
  CurrentDisplay();  // a display must be installed before the runtime starts
}

void RunFrameworkInitialization(const std::function<void()>& startup) {
  if (startup) startup();
}

void RuntimeRun() {
  if (State().quitting) return;
  CurrentDisplay().RunEventLoop();
}

void RuntimeUnhandledException(const std::exception& e) {
  const auto* rt = dynamic_cast<const RuntimeException*>(&e);
  std::fprintf(stderr, "An exception of class %s was not handled: %s\n",
               rt ? rt->ClassName() : "RuntimeException", e.what());
  State().unhandled = true;
}

int32_t RuntimeExit() {
  RuntimeState& s = State();
  s.app.reset();
  detail::ForgetWindows();
  if (s.unhandled && !s.quitting) return 1;
  return s.exitCode;
}

void RuntimeRegisterAppObject(Ref<Application> app) { State().app = std::move(app); }

Ref<Application> GetAppObject() { return State().app; }

void Quit(int32_t code) {
  RuntimeState& s = State();
  if (s.quitting) return;
  s.quitting = true;
  s.exitCode = code;
  if (HasDisplay()) CurrentDisplay().QuitEventLoop();
}

bool Quitting() { return State().quitting; }

}  // namespace fw
