// The native side of a model window: a wxFrame with the window's menu bar and controls.
#pragma once

#include <wx/frame.h>

#include <map>
#include <memory>
#include <vector>

#include "framework/ui.h"

class wxMenu;
class wxMenuEvent;

namespace native::detail {

class ControlPeer;

/// A model window's frame and peer. Owned by wxWidgets (destroyed with Destroy()); it unhooks
/// itself and its controls from the model when it goes.
class KdFrame : public wxFrame, public fw::Peer {
 public:
  /// Builds the frame, its menu bar and every control of `window`, and becomes window.peer.
  explicit KdFrame(fw::Window& window);
  ~KdFrame() override;

  void Sync() override;
  /// Drops every link to the model; the frame then ignores events until it is destroyed.
  void Detach();
  /// The model window; nil once detached or when the model is gone.
  fw::Ref<fw::Window> Model() const;
  /// Re-applies the controls that lie inside `parent` (their InitialParent).
  void SyncChildrenOf(const fw::RectControl& parent);
  /// The window's content area, parent of the controls that lie directly in the window.
  wxWindow* Content() const { return content_; }

 private:
  void CreateControls(fw::Window& window);
  void CreateControl(const fw::Ref<fw::RectControl>& control, std::vector<fw::RectControl*>& path);
  void ApplyTabOrder();
  void ApplySize(const fw::Window& w);
  void Place(const fw::Window& w);
  void BuildMenuBar(const fw::Ref<fw::MenuBar>& bar);
  void AppendItems(wxMenu& menu, const fw::MenuItem& parent);
  void UpdateMenuItems(wxMenu& menu, bool opening);

  void OnClose(wxCloseEvent& e);
  void OnCharHook(wxKeyEvent& e);
  void OnMenu(wxCommandEvent& e);
  void OnMenuOpen(wxMenuEvent& e);
  void OnMenuClose(wxMenuEvent& e);

  std::weak_ptr<fw::Window> model_;
  bool detached_ = false;
  wxWindow* content_ = nullptr;
  std::vector<ControlPeer*> controls_;  // owned by wxWidgets as children
  std::map<const fw::RectControl*, ControlPeer*> byModel_;
  std::map<int, fw::Ref<fw::MenuItem>> menuItems_;
  int nextMenuId_;
  int menusOpen_ = 0;
  int syncDepth_ = 0;
  int depth_ = 0;  // menu nesting while building

  // What was last applied.
  wxString title_;
  int width_ = -1, height_ = -1, minW_ = -1, minH_ = -1, maxW_ = -1, maxH_ = -1;
  int shown_ = -1;
  bool placed_ = false;
  int hasBack_ = -1;
  fw::Color back_{};
  fw::Ref<fw::MenuBar> bar_;
};

}  // namespace native::detail
