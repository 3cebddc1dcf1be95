// The native side of the model's controls. Each native control is also the model control's peer;
// wxWidgets owns it as a child of its window, and it unhooks itself from the model when destroyed.
#pragma once

#include <wx/window.h>

#include <memory>
#include <optional>
#include <string>

#include "framework/ui.h"

namespace native::detail {

class KdFrame;

/// What a peer last applied to its native control; a Sync changes only what differs.
struct FontKey {
  std::string face;
  float size = 0;
  uint8_t unit = 0;
  bool bold = false, italic = false, underline = false;
  friend bool operator==(const FontKey&, const FontKey&) = default;
};

/// Base of every control peer: geometry, enabled and shown state (inherited from the control's
/// InitialParent chain), cursor and font. Lives exactly as long as its native control.
class ControlPeer : public fw::Peer {
 public:
  ControlPeer(KdFrame& frame, const fw::Ref<fw::RectControl>& model,
              const fw::Ref<fw::RectControl>& nativeParent);
  ~ControlPeer() override;
  ControlPeer(const ControlPeer&) = delete;
  ControlPeer& operator=(const ControlPeer&) = delete;

  /// The window that is placed, shown and enabled for the control.
  virtual wxWindow& Native() = 0;
  /// The window that holds native children for controls inside this one; nil when it can't.
  virtual wxWindow* AsContainer() { return nullptr; }

  /// The model control; nil once detached or when the model is gone.
  fw::Ref<fw::RectControl> Model() const;
  /// Drops the link to the model: no further Sync or event reaches it.
  void Detach();

  void Sync() final;

 protected:
  /// Applies the class's own properties.
  virtual void SyncOwn(fw::RectControl& m) = 0;
  /// Applies TextFont, TextSize/TextUnit, Bold, Italic and Underline to `target`, once the
  /// control is shown.
  void SyncFont(const fw::RectControl& m, wxWindow& target);
  /// Applies a colour to `target`'s text (or background); the colour `theme` stands for the
  /// theme's own, so that black text and white fields follow a dark theme. `applied` caches it.
  static void ApplyColour(wxWindow& target, bool foreground, fw::Color c, fw::Color theme,
                          std::optional<fw::Color>& applied);
  /// Whether the control shows the model's Enabled (a busy indicator does not).
  virtual bool HonoursEnabled() const { return true; }

  KdFrame& frame_;

 private:
  void SyncCommon(fw::RectControl& m);

  std::weak_ptr<fw::RectControl> model_;
  std::weak_ptr<fw::RectControl> nativeParent_;  // set when native coordinates are relative to it
  bool detached_ = false;
  wxRect rect_{0, 0, -1, -1};
  int enabled_ = -1, shown_ = -1;
  fw::MouseCursor cursor_ = fw::MouseCursor::Inherit;
  FontKey font_{"System"};
};

/// Creates the native control for `model` as a child of `parent` and makes it the model's peer;
/// `nativeParent` is the control whose native window `parent` is (nil for the content area).
/// Gives nil for a control class the backend does not show.
ControlPeer* CreateControlPeer(KdFrame& frame, wxWindow* parent,
                               const fw::Ref<fw::RectControl>& model,
                               const fw::Ref<fw::RectControl>& nativeParent);

}  // namespace native::detail
