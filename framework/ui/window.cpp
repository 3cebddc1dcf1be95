#include "framework/window.h"

#include "framework/display.h"
#include "framework/window_list.h"

namespace fw {

const ClassRecord* Window::Record() {
  return RegisterClassOnce<Window>([] { return MakeClassRecord("Window", Object::Record()); });
}

Window::Window() {
  for (const char* k : {"Placement", "Width", "Height", "MinWidth", "MinHeight", "MaxWidth",
                        "MaxHeight", "Frame", "MacProcId"}) {
    Declare(k, int32_t{0});
  }
  for (const char* k : {"Composite", "HasBackColor", "Visible", "FullScreen", "MenuBarVisible",
                        "CloseButton", "Resizeable", "LiveResize", "MaximizeButton",
                        "MinimizeButton"}) {
    Declare(k, false);
  }
  Declare("BackColor", Color{});
  Declare("Title", String());
}

Window::~Window() = default;

std::string_view Window::PropertyNameOf(std::string_view key) const {
  return key == "MacProcID" ? std::string_view("MacProcId") : key;
}

void Window::Changed() {
  if (peer) peer->Sync();
}

void Window::Constructor() {
  Ref<Window> self = std::static_pointer_cast<Window>(shared_from_this());
  open_ = true;
  detail::WindowOpened(self);
  Layout();
  CreateControls();
  if (HasDisplay()) CurrentDisplay().WindowCreated(*this);
  Event_Open();
}

Ref<RectControl> Window::NewControl(const ClassRecord* cls) {
  if (!cls || !cls->IsA(RectControl::Record())) RaiseNilObjectException();
  Ref<RectControl> c = RuntimeCheckCast<RectControl>(RuntimeNewObject(cls), cls);
  if (!c) RaiseNilObjectException();
  c->window_ = std::static_pointer_cast<Window>(shared_from_this());
  return c;
}

void Window::AddControl(const String& name, Ref<RectControl> control) {
  if (!control) RaiseNilObjectException();
  control->window_ = std::static_pointer_cast<Window>(shared_from_this());
  controls_.push_back(control);
  byName_.insert_or_assign(name.Bytes(), std::move(control));
}

Ref<RectControl> Window::ControlByName(std::string_view name) const {
  auto it = byName_.find(name);
  return it == byName_.end() ? nullptr : it->second;
}

void Window::SetMenuBar(Ref<fw::MenuBar> bar) {
  menuBar_ = std::move(bar);
  Changed();
}

void Window::Show() { Set("Visible", true); }

void Window::Close() {
  if (!open_) return;
  Ref<Window> keep = std::static_pointer_cast<Window>(shared_from_this());
  {
    BusyScope busy;
    Event_Close();
  }
  open_ = false;
  if (HasDisplay()) CurrentDisplay().WindowClosed(*this);
  detail::WindowClosed(*this);
}

bool Window::UserClose() {
  if (HandlerBusy()) return false;
  Close();
  return true;
}

Ref<PushButton> Window::DefaultButton() const {
  for (const auto& c : controls_) {
    if (auto b = std::dynamic_pointer_cast<PushButton>(c)) {
      if (b->Bool("Default") && b->Enabled() && b->Visible()) return b;
    }
  }
  return nullptr;
}

Ref<PushButton> Window::CancelButton() const {
  for (const auto& c : controls_) {
    if (auto b = std::dynamic_pointer_cast<PushButton>(c)) {
      if (b->Bool("Cancel") && b->Enabled() && b->Visible()) return b;
    }
  }
  return nullptr;
}

}  // namespace fw
