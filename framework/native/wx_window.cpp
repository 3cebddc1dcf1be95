#include "wx_window.h"

#include <wx/accel.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "wx_backend.h"
#include "wx_controls.h"
#include "framework/display.h"
#include "framework/runtime.h"
#include "framework/window_list.h"

namespace native::detail {
namespace {

// Deepest InitialParent chain or menu tree followed; deeper (or cyclic) ones are cut there.
constexpr int kMaxDepth = 16;

long FrameStyle(const fw::Window& w) {
  long style = wxCAPTION | wxSYSTEM_MENU | wxCLIP_CHILDREN;
  if (w.Bool("CloseButton")) style |= wxCLOSE_BOX;
  if (w.Bool("MinimizeButton")) style |= wxMINIMIZE_BOX;
  if (w.Bool("MaximizeButton")) style |= wxMAXIMIZE_BOX;
  if (w.Bool("Resizeable")) style |= wxRESIZE_BORDER;
  return style;
}

/// A menu text for the toolkit: "&" keeps marking the access key; tabs would start a shortcut.
wxString MenuLabel(const fw::String& text) {
  wxString label = ToWx(text);
  label.Replace("\t", " ");
  return label.empty() ? wxString(" ") : label;
}

/// The toolkit's accelerator text for a shortcut such as "Cmd+Z" (Cmd is this platform's command
/// key, Ctrl); empty for no shortcut or one that cannot be bound.
wxString AccelText(const std::string& shortcut) {
  if (shortcut.empty()) return wxString();
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    std::size_t plus = shortcut.find('+', start);
    // A "+" at the very end is the key itself ("Cmd++").
    if (plus == std::string::npos || plus + 1 == shortcut.size()) {
      parts.push_back(shortcut.substr(start));
      break;
    }
    parts.push_back(shortcut.substr(start, plus - start));
    start = plus + 1;
  }
  std::string key = parts.back();
  parts.pop_back();
  if (key.empty()) return wxString();
  wxString out;
  for (std::string mod : parts) {
    std::transform(mod.begin(), mod.end(), mod.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (mod == "cmd" || mod == "command" || mod == "ctrl" || mod == "control") {
      out += "Ctrl+";
    } else if (mod == "shift") {
      out += "Shift+";
    } else if (mod == "alt" || mod == "option" || mod == "opt") {
      out += "Alt+";
    } else {
      return wxString();
    }
  }
  if (key.size() == 1) key[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(key[0])));
  out += wxString::FromUTF8(key.data(), key.size());
  wxAcceleratorEntry entry;
  return entry.FromString(out) ? out : wxString();
}

/// Whether an AutoEnable item is usable now.
bool AutoEnabled(const fw::MenuItem& item) {
  if (item.Count() > 0) return true;
  fw::Ref<fw::Application> app = fw::GetAppObject();
  if (app && app->MenuHandler(item.name)) return true;
  if (IsEditCommand(item.name.Bytes())) return EditCommandApplies(item.name.Bytes());
  return false;
}

/// The focus-order path of a control: its ancestors' TabIndex values, then its own.
std::vector<int32_t> TabPath(const fw::RectControl& c) {
  std::vector<int32_t> path{c.Int("TabIndex")};
  fw::Ref<fw::RectControl> p = c.ParentControl();
  for (int depth = 0; p && depth < kMaxDepth; ++depth, p = p->ParentControl()) {
    path.insert(path.begin(), p->Int("TabIndex"));
  }
  return path;
}

}  // namespace

KdFrame::KdFrame(fw::Window& window)
    : model_(std::static_pointer_cast<fw::Window>(window.shared_from_this())),
      nextMenuId_(wxID_HIGHEST + 1) {
  Create(nullptr, wxID_ANY, ToWx(window.Title()), wxDefaultPosition, wxDefaultSize,
         FrameStyle(window));
  title_ = GetTitle();
  content_ = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                         wxTAB_TRAVERSAL | wxBORDER_NONE);
  Bind(wxEVT_CLOSE_WINDOW, &KdFrame::OnClose, this);
  Bind(wxEVT_CHAR_HOOK, &KdFrame::OnCharHook, this);
  Bind(wxEVT_MENU, &KdFrame::OnMenu, this);
  Bind(wxEVT_MENU_OPEN, &KdFrame::OnMenuOpen, this);
  Bind(wxEVT_MENU_CLOSE, &KdFrame::OnMenuClose, this);
  bar_ = window.MenuBar();
  BuildMenuBar(bar_);
  ApplySize(window);
  window.peer = this;
  CreateControls(window);
  ApplyTabOrder();
  Sync();
}

KdFrame::~KdFrame() {
  Detach();
  // The controls go while the frame is whole: their peers refer to it.
  DestroyChildren();
  controls_.clear();
  byModel_.clear();
}

fw::Ref<fw::Window> KdFrame::Model() const { return detached_ ? nullptr : model_.lock(); }

void KdFrame::Detach() {
  if (detached_) return;
  for (ControlPeer* c : controls_) c->Detach();
  if (fw::Ref<fw::Window> w = model_.lock(); w && w->peer == this) w->peer = nullptr;
  detached_ = true;
  model_.reset();
}

void KdFrame::Sync() {
  fw::Ref<fw::Window> w = Model();
  if (!w) return;
  wxString title = ToWx(w->Title());
  if (title != title_) {
    SetTitle(title);
    title_ = title;
  }
  if (w->MenuBar() != bar_) {
    bar_ = w->MenuBar();
    BuildMenuBar(bar_);
    width_ = -1;  // the menu bar's height changed the frame: size it again
  }
  ApplySize(*w);
  const bool hasBack = w->Bool("HasBackColor");
  const fw::Color back = w->ColorValue("BackColor");
  if (int(hasBack) != hasBack_ || (hasBack && !(back == back_))) {
    content_->SetBackgroundColour(hasBack ? ToWx(back) : wxNullColour);
    content_->Refresh();
    hasBack_ = hasBack;
    back_ = back;
  }
  const int shown = w->Visible() ? 1 : 0;
  if (shown != shown_) {
    shown_ = shown;
    if (shown) {
      if (!placed_) Place(*w);
      placed_ = true;
      Show();
      Raise();
      // Mapped now, not when the loop next runs: the window's Open handler may wait meanwhile.
      FlushDisplay();
    } else {
      Hide();
    }
  }
}

void KdFrame::ApplySize(const fw::Window& w) {
  const int width = Extent(w.Width()), height = Extent(w.Height());
  int minW = width, minH = height, maxW = width, maxH = height;
  if (w.Bool("Resizeable")) {
    minW = Extent(w.Int("MinWidth"));
    minH = Extent(w.Int("MinHeight"));
    maxW = w.Int("MaxWidth") > 0 ? std::max(minW, Extent(w.Int("MaxWidth"))) : -1;
    maxH = w.Int("MaxHeight") > 0 ? std::max(minH, Extent(w.Int("MaxHeight"))) : -1;
  }
  if (width == width_ && height == height_ && minW == minW_ && minH == minH_ && maxW == maxW_ &&
      maxH == maxH_) {
    return;
  }
  // Bounds off first, so that the new size is not clamped by the old ones.
  SetMinClientSize(wxDefaultSize);
  SetMaxClientSize(wxDefaultSize);
  SetClientSize(width, height);
  SetMinClientSize(wxSize(minW, minH));
  SetMaxClientSize(wxSize(maxW, maxH));
  width_ = width;
  height_ = height;
  minW_ = minW;
  minH_ = minH;
  maxW_ = maxW;
  maxH_ = maxH;
}

void KdFrame::Place(const fw::Window& w) {
  switch (w.Int("Placement")) {
    case 1: {  // over the parent (the active) window
      wxWindow* active = wxGetActiveWindow();
      wxWindow* top = active ? wxGetTopLevelParent(active) : nullptr;
      if (top && top != this && top->IsShown()) {
        wxRect r = top->GetScreenRect();
        wxSize size = GetSize();
        SetPosition(wxPoint(r.x + (r.width - size.x) / 2, r.y + (r.height - size.y) / 2));
      } else {
        CentreOnScreen();
      }
      break;
    }
    case 2:  // centred on the main screen
    case 3:  // centred on the screen of the parent window
      CentreOnScreen();
      break;
    default:  // where the window manager puts it
      break;
  }
}

void KdFrame::CreateControls(fw::Window& window) {
  std::vector<fw::RectControl*> path;
  for (const fw::Ref<fw::RectControl>& c : window.Controls()) CreateControl(c, path);
}

void KdFrame::CreateControl(const fw::Ref<fw::RectControl>& control,
                            std::vector<fw::RectControl*>& path) {
  if (!control || byModel_.count(control.get())) return;
  if (std::find(path.begin(), path.end(), control.get()) != path.end()) return;  // a cycle
  if (path.size() >= static_cast<std::size_t>(kMaxDepth)) return;
  // A control is made after the control it lies in, so that it is drawn above it.
  fw::Ref<fw::RectControl> parent = control->ParentControl();
  if (parent) {
    path.push_back(control.get());
    CreateControl(parent, path);
    path.pop_back();
    if (byModel_.count(control.get())) return;  // made on the way (cyclic parents)
  }
  wxWindow* nativeParent = content_;
  fw::Ref<fw::RectControl> relativeTo;
  if (parent) {
    auto it = byModel_.find(parent.get());
    if (it != byModel_.end() && it->second) {
      if (wxWindow* box = it->second->AsContainer()) {
        nativeParent = box;
        relativeTo = parent;
      }
    }
  }
  ControlPeer* peer = CreateControlPeer(*this, nativeParent, control, relativeTo);
  byModel_[control.get()] = peer;
  if (peer) controls_.push_back(peer);
}

void KdFrame::ApplyTabOrder() {
  struct Entry {
    ControlPeer* peer;
    std::vector<int32_t> path;
  };
  std::map<wxWindow*, std::vector<Entry>> byParent;
  for (ControlPeer* c : controls_) {
    fw::Ref<fw::RectControl> m = c->Model();
    if (m) byParent[c->Native().GetParent()].push_back({c, TabPath(*m)});
  }
  for (auto& [parent, entries] : byParent) {
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.path < b.path; });
    for (std::size_t i = 1; i < entries.size(); ++i) {
      entries[i].peer->Native().MoveAfterInTabOrder(&entries[i - 1].peer->Native());
    }
  }
}

void KdFrame::SyncChildrenOf(const fw::RectControl& parent) {
  if (syncDepth_ >= kMaxDepth) return;
  ++syncDepth_;
  for (ControlPeer* c : controls_) {
    fw::Ref<fw::RectControl> m = c->Model();
    if (m && m->ParentControl().get() == &parent) c->Sync();
  }
  --syncDepth_;
}

// ---- Menus --------------------------------------------------------------------------------------

void KdFrame::BuildMenuBar(const fw::Ref<fw::MenuBar>& bar) {
  menuItems_.clear();
  wxMenuBar* menuBar = nullptr;
  if (bar) {
    menuBar = new wxMenuBar;
    for (int32_t i = 0; i < bar->Count(); ++i) {
      fw::Ref<fw::MenuItem> top = bar->Item(i);
      if (!top || top->IsSeparator()) continue;
      auto* menu = new wxMenu;
      depth_ = 0;
      AppendItems(*menu, *top);
      menuBar->Append(menu, MenuLabel(top->text));
    }
  }
  wxMenuBar* old = GetMenuBar();
  SetMenuBar(menuBar);
  delete old;
}

void KdFrame::AppendItems(wxMenu& menu, const fw::MenuItem& parent) {
  if (++depth_ > kMaxDepth) {
    --depth_;
    return;
  }
  for (int32_t i = 0; i < parent.Count(); ++i) {
    fw::Ref<fw::MenuItem> item = parent.Item(i);
    if (!item) continue;
    if (item->IsSeparator()) {
      menu.AppendSeparator();
    } else if (item->Count() > 0) {
      auto* sub = new wxMenu;
      AppendItems(*sub, *item);
      menu.AppendSubMenu(sub, MenuLabel(item->text));
    } else {
      const int id = nextMenuId_++;
      wxString label = MenuLabel(item->text);
      wxString accel = AccelText(item->keyboardShortcut.Bytes());
      if (!accel.empty()) label << '\t' << accel;
      wxMenuItem* native = menu.Append(id, label);
      native->Enable(item->autoEnable || item->enabled);
      menuItems_.emplace(id, item);
    }
  }
  --depth_;
}

void KdFrame::UpdateMenuItems(wxMenu& menu, bool opening) {
  for (wxMenuItem* native : menu.GetMenuItems()) {
    if (native->IsSeparator() || native->IsSubMenu()) continue;
    auto it = menuItems_.find(native->GetId());
    if (it == menuItems_.end()) continue;
    const fw::MenuItem& item = *it->second;
    // While the menu is shut every auto-enabled item stays live, so that its shortcut always
    // reaches the command, which checks for itself whether it applies.
    bool enable = item.enabled;
    if (item.autoEnable) enable = opening ? AutoEnabled(item) : true;
    native->Enable(enable);
  }
}

void KdFrame::OnMenu(wxCommandEvent& e) {
  auto it = menuItems_.find(e.GetId());
  if (it == menuItems_.end()) {
    e.Skip();
    return;
  }
  if (!Model() || InputHeld()) return;
  fw::Ref<fw::MenuItem> item = it->second;  // kept: the command may rebuild the menus
  Dispatch([&] {
    if (fw::Ref<fw::Application> app = fw::GetAppObject()) {
      app->HandleMenuCommand(*item);
    } else if (fw::HasDisplay()) {
      fw::CurrentDisplay().EditCommand(item->name);
    }
  });
}

void KdFrame::OnMenuOpen(wxMenuEvent& e) {
  ++menusOpen_;
  if (wxMenu* menu = e.GetMenu(); menu && Model()) UpdateMenuItems(*menu, true);
  e.Skip();
}

void KdFrame::OnMenuClose(wxMenuEvent& e) {
  if (menusOpen_ > 0) --menusOpen_;
  if (wxMenu* menu = e.GetMenu(); menu && Model()) UpdateMenuItems(*menu, false);
  e.Skip();
}

// ---- Closing and keys ---------------------------------------------------------------------------

void KdFrame::OnClose(wxCloseEvent& e) {
  fw::Ref<fw::Window> w = Model();
  if (!w || !w->IsOpen()) {
    Detach();
    Destroy();
    return;
  }
  if (!e.CanVeto()) {
    Dispatch([&] { w->Close(); });
    Detach();
    Destroy();
    return;
  }
  // No close while a handler runs (the model refuses it too) or without a close button.
  if (InputHeld() || !w->Bool("CloseButton")) {
    e.Veto();
    return;
  }
  bool closed = false;
  Dispatch([&] { closed = w->UserClose(); });
  // When the model closed the window, WindowClosed has already scheduled this frame's end.
  if (!closed) e.Veto();
}

void KdFrame::OnCharHook(wxKeyEvent& e) {
  fw::Ref<fw::Window> w = Model();
  if (!w || InputHeld() || menusOpen_ > 0 || e.HasAnyModifiers()) {
    e.Skip();
    return;
  }
  const int key = e.GetKeyCode();
  if (key == WXK_ESCAPE) {
    if (fw::Ref<fw::PushButton> cancel = w->CancelButton()) {
      Dispatch([&] { cancel->Push(); });
      return;
    }
  } else if (key == WXK_RETURN || key == WXK_NUMPAD_ENTER) {
    if (fw::Ref<fw::PushButton> def = w->DefaultButton()) {
      Dispatch([&] { def->Push(); });
      return;
    }
    // A single-line field does nothing with Enter when no default button takes it.
    if (dynamic_cast<wxTextCtrl*>(wxWindow::FindFocus())) return;
  }
  e.Skip();
}

}  // namespace native::detail
