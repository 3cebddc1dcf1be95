#include "framework/window_list.h"

#include <map>
#include <string>

#include "framework/display.h"
#include "framework/window.h"

namespace fw {
namespace {

// Event-loop thread only.
struct WindowListState {
  int busy = 0;
  std::vector<Ref<Window>> windows;                                 // oldest first
  std::map<std::string, Ref<Window>, std::less<>> implicitWindows;  // by class name
};

WindowListState& List() {
  static WindowListState state;
  return state;
}

}  // namespace

int32_t WindowCount() { return static_cast<int32_t>(List().windows.size()); }

std::vector<Ref<Window>> OpenWindows() { return List().windows; }

Ref<Window> GetImplicitWindow(std::string_view className) {
  auto& m = List().implicitWindows;
  auto it = m.find(className);
  return it == m.end() ? nullptr : it->second;
}

void ReleaseImplicitWindowList() { List().implicitWindows.clear(); }

void ReleaseWindowList() {
  // Closing hands each window's native side back before the list lets go of it.
  std::vector<Ref<Window>> windows = std::move(List().windows);
  List().windows.clear();
  for (const auto& w : windows) {
    if (HasDisplay()) CurrentDisplay().WindowClosed(*w);
  }
}

bool HandlerBusy() { return List().busy > 0; }

BusyScope::BusyScope() { ++List().busy; }
BusyScope::~BusyScope() { --List().busy; }

namespace detail {

void ResetBusy() { List().busy = 0; }

void ForgetWindows() {
  List().windows.clear();
  List().implicitWindows.clear();
}

void WindowOpened(const Ref<Window>& w) {
  WindowListState& s = List();
  s.windows.push_back(w);
  const ClassRecord* cls = w->Class();
  if (cls && cls->implicitInstance && !s.implicitWindows.count(cls->name)) {
    s.implicitWindows.emplace(cls->name, w);
  }
}

void WindowClosed(const Window& w) {
  WindowListState& s = List();
  std::erase_if(s.windows, [&](const Ref<Window>& x) { return x.get() == &w; });
  std::erase_if(s.implicitWindows, [&](const auto& kv) { return kv.second.get() == &w; });
}

}  // namespace detail
}  // namespace fw
