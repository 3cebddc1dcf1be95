#include "shell/kd_menu_bar.h"

#include <array>
#include <optional>
#include <string_view>

#include "framework/object.h"

fw::Ref<KDMenuBar> KDMenuBar::_implicitInstance;

namespace {

struct MenuRow {
  std::string_view name;
  bool about;                                ///< an AppleMenuItem rather than a MenuItem
  std::string_view text;                     ///< handed on with its "&"
  std::optional<std::string_view> shortcut;  ///< nullopt: KeyboardShortcut is never set
};

// In creation order: the Edit menu on the bar, then its ten children.
constexpr std::array<MenuRow, 11> kMenuRows{{
    {"EditMenu", false, "&Edit", ""},
    {"EditUndo", false, "&Undo", "Cmd+Z"},
    {"UntitledMenu1", false, "-", std::nullopt},
    {"EditCut", false, "Cu&t", "Cmd+X"},
    {"EditCopy", false, "&Copy", "Cmd+C"},
    {"EditPaste", false, "&Paste", "Cmd+V"},
    {"EditClear", false, "&Delete", ""},
    {"UntitledMenu0", false, "-", std::nullopt},
    {"EditSelectAll", false, "Select &All", "Cmd+A"},
    {"UntitledSeparator", false, "-", std::nullopt},
    {"AboutKeldaraLauncher", true, "About Keldara Launcher", ""},
}};

}  // namespace

fw::ClassRecord KDMenuBar::Define() {
  fw::ClassRecord def;
  def.name = "KDMenuBar.KDMenuBar";
  def.operations = {"Untitled0"};
  def.attributes = {
      {"", "", "__Scope", "Public"},
      {"Untitled0", "%%", "__Scope", "Public"},
      {"Constructor", "%%", "__Scope", "Public"},
  };
  return def;
}

void KDMenuBar::implicitInstance_Exit() { _implicitInstance = nullptr; }

void KDMenuBar::Constructor() { Untitled0(); }

void KDMenuBar::Untitled0() {
  fw::Ref<fw::MenuItem> item;
  for (const MenuRow& row : kMenuRows) {
    const fw::ClassRecord* cls = row.about ? fw::AppleMenuItem::Record() : fw::MenuItem::Record();
    item = fw::RuntimeCheckCast<fw::MenuItem>(fw::RuntimeNewObject(cls), cls);
    if (!item) fw::RaiseNilObjectException();
    item->Constructor();
    item->SetName(fw::String(row.name));
    item->SetAutoEnable(true);
    item->SetText(fw::String(row.text));
    if (row.shortcut) item->SetKeyboardShortcut(fw::String(*row.shortcut));
    if (row.name == "EditMenu") {
      Append(item);
    } else {
      fw::Ref<fw::MenuItem> editMenu = Child("EditMenu");
      if (!editMenu) fw::RaiseNilObjectException();
      editMenu->Append(item);
    }
  }
}

fw::Ref<KDMenuBar> KDMenuBar_KDMenuBar() {
  if (!KDMenuBar::_implicitInstance) {
    const fw::ClassRecord* cls = KDMenuBar::Lookup();
    fw::Ref<KDMenuBar> bar = fw::RuntimeCheckCast<KDMenuBar>(fw::RuntimeNewObject(cls), cls);
    if (!bar) fw::RaiseNilObjectException();
    bar->Constructor();
    // Stored only once the tree is complete: a failed build leaves the global nil.
    KDMenuBar::_implicitInstance = std::move(bar);
  }
  return KDMenuBar::_implicitInstance;
}
