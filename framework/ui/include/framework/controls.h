// Controls: the base class and the framework's control classes. A native backend shows them
// through peers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/delegate.h"
#include "framework/folder_item.h"
#include "framework/object.h"
#include "framework/property_bag.h"
#include "framework/text.h"

namespace fw {

class Window;

/// The native side of a model object; told to bring itself in line after every change.
class Peer {
 public:
  virtual ~Peer() = default;
  virtual void Sync() = 0;
};

/// The pointer shapes a control can ask for over itself.
enum class MouseCursor : uint8_t { Inherit, StandardPointer, FingerPointer };

/// One event a control class raises, with the signature its handlers must have.
struct EventSignature {
  std::string_view name;
  std::string_view signature;
};

/// Base of every control: a rectangle inside a window, with a name, handlers and a peer.
class RectControl : public Object, public PropertyBag {
 public:
  static const ClassRecord* Record();

  /// Runs once after the control is made and before its properties are applied.
  virtual void Constructor() {}

  String Name() const { return Text("Name"); }
  int32_t Left() const { return Int("Left"); }
  int32_t Top() const { return Int("Top"); }
  int32_t Width() const { return Int("Width"); }
  int32_t Height() const { return Int("Height"); }
  void SetLeft(int32_t v) { Set("Left", v); }
  void SetWidth(int32_t v) { Set("Width", v); }
  bool Enabled() const { return Bool("Enabled"); }
  void SetEnabled(bool v) { Set("Enabled", v); }
  bool Visible() const { return Bool("Visible"); }
  void SetVisible(bool v) { Set("Visible", v); }

  float TextSize() const { return textSize_; }
  void SetTextSize(float size);
  uint8_t TextUnit() const { return textUnit_; }
  void SetTextUnit(uint8_t unit);
  MouseCursor Cursor() const { return cursor_; }
  void SetMouseCursor(MouseCursor c);

  /// The window that holds the control; nil once the window is gone.
  Ref<Window> OwnerWindow() const { return window_.lock(); }
  /// The control named by InitialParent, or nil for the window itself.
  Ref<RectControl> ParentControl() const;

  /// The events this class raises.
  virtual std::vector<EventSignature> Events() const { return {}; }
  /// Binds `handler` to the named event; raises UnsupportedOperationException for an event the
  /// class does not raise or a handler whose signature differs.
  void InstallEventHandler(std::string_view event, Ref<Delegate> handler);
  /// The handler bound to the event, or nil.
  Ref<Delegate> Handler(std::string_view event) const;

  Peer* peer = nullptr;  ///< owned by the native backend

 protected:
  RectControl();
  void Changed() override;
  /// Raises a "(  )" event; does nothing when no handler is bound.
  void Raise(std::string_view event);

 private:
  friend class Window;
  std::weak_ptr<Window> window_;
  std::map<std::string, Ref<Delegate>, std::less<>> handlers_;
  float textSize_ = 0;
  uint8_t textUnit_ = 0;
  MouseCursor cursor_ = MouseCursor::Inherit;
};

/// A framed group with a caption.
class GroupBox : public RectControl {
 public:
  static const ClassRecord* Record();
  GroupBox();
};

/// A label. Raises MouseEnter, MouseExit and MouseDown.
class StaticText : public RectControl {
 public:
  static const ClassRecord* Record();
  StaticText();
  String TextValue() const { return Text("Text"); }
  void SetText(const String& t) { Set("Text", t); }
  void SetTextColor(Color c) { Set("TextColor", c); }
  void SetUnderline(bool u) { Set("Underline", u); }
  std::vector<EventSignature> Events() const override;
  /// Pointer entered, left, or pressed at (x, y); MouseDown gives the handler's result.
  void MouseEnter();
  void MouseExit();
  bool MouseDown(int32_t x, int32_t y);

 protected:
  std::string_view PropertyNameOf(std::string_view key) const override;
};

/// A single-line text field. Raises TextChange on every change of its text, whatever made it.
class TextField : public RectControl {
 public:
  static const ClassRecord* Record();
  TextField();
  String TextValue() const { return Text("Text"); }
  /// Sets the text; raises TextChange when it differs. Program changes are not undoable.
  void SetText(const String& t);
  /// Most user edits that Undo can take back.
  static constexpr std::size_t kUndoDepth = 100;
  /// An edit by the user (typing, pasting, cutting, deleting): undoable unless the field is a
  /// password field; raises TextChange.
  void UserEdit(const String& t);
  /// Takes back the last user edit; false when there is none.
  bool Undo();
  bool CanUndo() const { return !undo_.empty(); }
  std::vector<EventSignature> Events() const override;

 private:
  void Changed() override;
  std::vector<String> undo_;
  String lastText_;
};

/// A push button. Raises Action.
class PushButton : public RectControl {
 public:
  static const ClassRecord* Record();
  PushButton();
  String Caption() const { return Text("Caption"); }
  void SetCaption(const String& c) { Set("Caption", c); }
  std::vector<EventSignature> Events() const override;
  /// A press: raises Action when the button is enabled and visible.
  void Push();
};

/// A drawing area with an optional backdrop picture.
class Canvas : public RectControl {
 public:
  static const ClassRecord* Record();
  Canvas();
  const Ref<Picture>& Backdrop() const { return backdrop_; }
  void SetBackdrop(Ref<Picture> p);

 private:
  Ref<Picture> backdrop_;
};

/// A spinning busy indicator.
class ProgressWheel : public RectControl {
 public:
  static const ClassRecord* Record();
  ProgressWheel();
};

/// A check box. Raises Action after a click, with Value already the new state.
class CheckBox : public RectControl {
 public:
  static const ClassRecord* Record();
  CheckBox();
  bool Value() const { return Bool("Value"); }
  void SetValue(bool v) { Set("Value", v); }
  std::vector<EventSignature> Events() const override;
  /// A click by the user: toggles Value, then raises Action (when enabled and visible).
  void Click();
};

}  // namespace fw
