#include "framework/menus.h"

namespace fw {

const ClassRecord* MenuItem::Record() {
  return RegisterClassOnce<MenuItem>([] { return MakeClassRecord("MenuItem", Object::Record()); });
}

const ClassRecord* AppleMenuItem::Record() {
  return RegisterClassOnce<AppleMenuItem>([] { return MakeClassRecord("AppleMenuItem", MenuItem::Record()); });
}

const ClassRecord* MenuBar::Record() {
  return RegisterClassOnce<MenuBar>([] { return MakeClassRecord("MenuBar", MenuItem::Record()); });
}

void MenuItem::SetKeyboardShortcut(const String& k) {
  keyboardShortcut = k;
  keyboardShortcutSet = true;
}

void MenuItem::Append(Ref<MenuItem> item) {
  if (!item) RaiseNilObjectException();
  children_.push_back(std::move(item));
}

Ref<MenuItem> MenuItem::Item(int32_t index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return children_[static_cast<std::size_t>(index)];
}

Ref<MenuItem> MenuItem::Child(const String& itemName) const {
  for (const auto& c : children_) {
    if (c->name == itemName) return c;
  }
  return nullptr;
}

Ref<MenuItem> MenuItem::Lookup(const String& itemName) const {
  for (const auto& c : children_) {
    if (c->name == itemName) return c;
    if (Ref<MenuItem> found = c->Lookup(itemName)) return found;
  }
  return nullptr;
}

}  // namespace fw
