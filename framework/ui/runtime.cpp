#include "framework/runtime.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

#include "framework/display.h"

namespace fw {
namespace {

struct RuntimeState {
  bool quitting = false;
  int32_t exitCode = 0;
  bool unhandled = false;
  int busy = 0;
  Ref<Application> app;
  std::vector<Ref<Window>> windows;                       // the window list
  std::map<std::string, Ref<Window>, std::less<>> implicitWindows;  // by class name
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
  s.busy = 0;
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
  s.windows.clear();
  s.implicitWindows.clear();
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

int32_t WindowCount() { return static_cast<int32_t>(State().windows.size()); }

std::vector<Ref<Window>> OpenWindows() { return State().windows; }

Ref<Window> GetImplicitWindow(std::string_view className) {
  auto& m = State().implicitWindows;
  auto it = m.find(className);
  return it == m.end() ? nullptr : it->second;
}

void ReleaseImplicitWindowList() { State().implicitWindows.clear(); }

void ReleaseWindowList() {
  // Closing hands each window's native side back before the list lets go of it.
  std::vector<Ref<Window>> windows = std::move(State().windows);
  State().windows.clear();
  for (const auto& w : windows) {
    if (HasDisplay()) CurrentDisplay().WindowClosed(*w);
  }
}

bool HandlerBusy() { return State().busy > 0; }

BusyScope::BusyScope() { ++State().busy; }
BusyScope::~BusyScope() { --State().busy; }

namespace detail {

void WindowOpened(const Ref<Window>& w) {
  RuntimeState& s = State();
  s.windows.push_back(w);
  const ClassRecord* cls = w->Class();
  if (cls && cls->implicitInstance && !s.implicitWindows.count(cls->name)) {
    s.implicitWindows.emplace(cls->name, w);
  }
}

void WindowClosed(const Window& w) {
  RuntimeState& s = State();
  std::erase_if(s.windows, [&](const Ref<Window>& x) { return x.get() == &w; });
  std::erase_if(s.implicitWindows, [&](const auto& kv) { return kv.second.get() == &w; });
}

}  // namespace detail
}  // namespace fw
