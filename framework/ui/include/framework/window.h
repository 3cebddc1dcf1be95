// Top-level windows and the controls they hold.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "framework/controls.h"
#include "framework/menus.h"
#include "framework/object.h"
#include "framework/property_bag.h"

namespace fw {

/// A top-level window. Constructing it raises Layout, CreateControls, then Open.
class Window : public Object, public PropertyBag {
 public:
  static const ClassRecord* Record();
  Window();
  ~Window() override;

  /// Enters the window list and raises Layout, CreateControls and Open, in that order.
  void Constructor();

  // The window events; a subclass handles one by overriding it.
  virtual void Layout() {}
  virtual void CreateControls() {}
  virtual void Event_Open() {}
  virtual void Event_Close() {}

  /// A new control of `cls` that belongs to this window; its Constructor has not run yet.
  Ref<RectControl> NewControl(const ClassRecord* cls);
  /// Registers `control` under `name`; the window holds it from then on.
  void AddControl(const String& name, Ref<RectControl> control);
  /// The control registered under `name`, or nil.
  Ref<RectControl> ControlByName(std::string_view name) const;
  /// Controls in creation order.
  const std::vector<Ref<RectControl>>& Controls() const { return controls_; }

  const Ref<fw::MenuBar>& MenuBar() const { return menuBar_; }
  void SetMenuBar(Ref<fw::MenuBar> bar);

  String Title() const { return Text("Title"); }
  int32_t Width() const { return Int("Width"); }
  int32_t Height() const { return Int("Height"); }
  bool Visible() const { return Bool("Visible"); }
  /// Shows the window, non-modal.
  void Show();
  /// Closes the window: raises Close and leaves the window list. Idempotent.
  void Close();
  /// A close request from the user (title-bar button); refused while a handler is busy.
  bool UserClose();
  bool IsOpen() const { return open_; }

  /// The enabled, visible default (or cancel) button; nil when there is none.
  Ref<PushButton> DefaultButton() const;
  Ref<PushButton> CancelButton() const;

  Peer* peer = nullptr;  ///< owned by the native backend

 protected:
  void Changed() override;
  std::string_view PropertyNameOf(std::string_view key) const override;

 private:
  std::vector<Ref<RectControl>> controls_;
  std::map<std::string, Ref<RectControl>, std::less<>> byName_;
  Ref<fw::MenuBar> menuBar_;
  bool open_ = false;
};

}  // namespace fw
