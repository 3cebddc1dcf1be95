// Menu items and menu bars.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/object.h"
#include "framework/text.h"

namespace fw {

/// A menu item; parents hold the items appended to them.
class MenuItem : public Object {
 public:
  static const ClassRecord* Record();
  /// Runs once after the item is made; a subclass builds its children here.
  virtual void Constructor() {}
  String name, text, keyboardShortcut;
  bool keyboardShortcutSet = false;  ///< whether KeyboardShortcut was ever set
  bool autoEnable = false;
  bool enabled = true;

  void SetName(const String& n) { name = n; }
  void SetText(const String& t) { text = t; }
  void SetKeyboardShortcut(const String& k);
  void SetAutoEnable(bool b) { autoEnable = b; }
  /// Adds `item` as the last child and holds it.
  void Append(Ref<MenuItem> item);
  int32_t Count() const { return static_cast<int32_t>(children_.size()); }
  /// The child at `index`, or nil.
  Ref<MenuItem> Item(int32_t index) const;
  /// The direct child with that Name, or nil.
  Ref<MenuItem> Child(const String& itemName) const;
  /// The item with that Name anywhere below this one, or nil.
  Ref<MenuItem> Lookup(const String& itemName) const;
  bool IsSeparator() const { return text == String("-"); }

 private:
  std::vector<Ref<MenuItem>> children_;
};

/// The item that carries the application's About command.
class AppleMenuItem : public MenuItem {
 public:
  static const ClassRecord* Record();
};

/// A menu bar: the root of a menu tree.
class MenuBar : public MenuItem {
 public:
  static const ClassRecord* Record();
};

}  // namespace fw
