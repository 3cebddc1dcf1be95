// The application object: its menu bar, its menu handlers and its version.
#pragma once

#include <map>
#include <string>

#include "framework/delegate.h"
#include "framework/menus.h"
#include "framework/object.h"
#include "framework/text.h"

namespace fw {

/// The application object.
class Application : public Object {
 public:
  static const ClassRecord* Record();
  const Ref<fw::MenuBar>& MenuBar() const { return menuBar_; }
  /// The application's menu bar, shared with the windows that show it.
  void SetMenuBar(Ref<fw::MenuBar> bar) { menuBar_ = std::move(bar); }
  /// Binds a "(  ) as Boolean" handler to the menu item of that Name; nil unbinds it.
  void AddMenuHandler(const String& itemName, Ref<Delegate> handler);
  /// The handler bound to an item name, or nil.
  Ref<Delegate> MenuHandler(const String& itemName) const;
  /// Dispatches a chosen menu item: the bound handler's result, or the framework's own edit
  /// command on the focused field; false when nothing handled it.
  bool HandleMenuCommand(const MenuItem& item);
  /// The short version from the application bundle ("" when it has none).
  String ShortVersion() const;

 private:
  Ref<fw::MenuBar> menuBar_;
  std::map<std::string, Ref<Delegate>> menuHandlers_;
};

}  // namespace fw
