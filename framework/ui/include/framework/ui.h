// The UI model: delegates, pictures, folder items, controls, windows, menus and the application.
// The system's code talks to these objects only; a native backend shows them through peers.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "framework/object.h"
#include "framework/plist.h"
#include "framework/text.h"

namespace fw {

class Window;

/// A method bound to a target, with the signature text the framework checks it against.
class Delegate : public Object {
 public:
  static const ClassRecord* Record();
  const std::string& Signature() const { return signature_; }
  /// Calls a "(  )" delegate.
  void Invoke() const;
  /// Calls a "(  ) as Boolean" delegate.
  bool InvokeBoolean() const;
  /// Calls a "( Int32, Int32 ) as Boolean" delegate.
  bool InvokeInt32Int32(int32_t a, int32_t b) const;

 private:
  friend Ref<Delegate> RuntimeCreateDelegate(std::function<void()>, std::string_view);
  friend Ref<Delegate> RuntimeCreateDelegate(std::function<bool()>, std::string_view);
  friend Ref<Delegate> RuntimeCreateDelegate(std::function<bool(int32_t, int32_t)>, std::string_view);
  std::string signature_;
  std::function<void()> invoke_;
  std::function<bool()> invokeBoolean_;
  std::function<bool(int32_t, int32_t)> invokeInt32Int32_;
};

/// Signature texts of the framework's delegate forms.
inline constexpr std::string_view kSigVoid = "(  )";
inline constexpr std::string_view kSigBoolean = "(  ) as Boolean";
inline constexpr std::string_view kSigInt32Int32Boolean = "( Int32, Int32 ) as Boolean";

/// A delegate of the "(  )" form; nil when `fn` is empty.
Ref<Delegate> RuntimeCreateDelegate(std::function<void()> fn, std::string_view signature);
/// A delegate of the "(  ) as Boolean" form; nil when `fn` is empty.
Ref<Delegate> RuntimeCreateDelegate(std::function<bool()> fn, std::string_view signature);
/// A delegate of the "( Int32, Int32 ) as Boolean" form; nil when `fn` is empty.
Ref<Delegate> RuntimeCreateDelegate(std::function<bool(int32_t, int32_t)> fn,
                                    std::string_view signature);

/// Binds a method of `target` without keeping the target alive; calling it after the target has
/// gone raises NilObjectException.
template <class T, class R, class... A>
Ref<Delegate> BindMethod(const Ref<T>& target, R (T::*method)(A...), std::string_view signature) {
  std::weak_ptr<T> weak = target;
  return RuntimeCreateDelegate(std::function<R(A...)>([weak, method](A... args) -> R {
                                 Ref<T> t = weak.lock();
                                 if (!t) RaiseNilObjectException();
                                 return ((*t).*method)(args...);
                               }),
                               signature);
}

/// The native side of a model object; told to bring itself in line after every change.
class Peer {
 public:
  virtual ~Peer() = default;
  virtual void Sync() = 0;
};

/// A decoded picture; the native backend draws it from its bytes.
class Picture : public Object {
 public:
  static const ClassRecord* Record();
  std::string bytes;  ///< the file's bytes (PNG)
  int32_t width = 0;
  int32_t height = 0;
};

/// A file or folder of the file system.
class FolderItem : public Object {
 public:
  static const ClassRecord* Record();
  /// An item for `path`; nil for an empty path.
  static Ref<FolderItem> ForPath(std::string path);
  const std::string& NativePath() const { return path_; }
  bool Exists() const;
  /// The containing folder, or nil at the root.
  Ref<FolderItem> Parent() const;
  /// The item named `name` inside this folder (it need not exist); nil for a name holding "/".
  Ref<FolderItem> Child(const String& name) const;
  /// The file read as a picture, or nil when it cannot be read as one.
  Ref<Picture> OpenAsPicture() const;

 private:
  std::string path_;
};

/// The executable file of the running application (AppFolderItemGetter).
Ref<FolderItem> AppFolderItem();
/// The application bundle's resources folder: two levels above the executable, child "Resources".
/// Raises NilObjectException when the executable or a parent is missing.
Ref<FolderItem> GetApplicationBundleResources();

/// Mouse cursors of System.Cursors.
enum class MouseCursor : uint8_t { Inherit, StandardPointer, FingerPointer };

/// One event a control class raises, with the signature its handlers must have.
struct EventSignature {
  std::string_view name;
  std::string_view signature;
};

/// A property bag keyed by property name, holding only the keys its class declares.
class PropertyBag : public PropertyTarget {
 public:
  bool SetProperty(std::string_view key, const PropertyValue& value) override;
  /// True when the class declares the property.
  bool Has(std::string_view name) const;
  int32_t Int(std::string_view name) const;
  bool Bool(std::string_view name) const;
  Color ColorValue(std::string_view name) const;
  String Text(std::string_view name) const;
  /// Sets a declared property; raises UnsupportedOperationException for an undeclared one.
  void Set(std::string_view name, const PropertyValue& value);

 protected:
  void Declare(std::string_view name, PropertyValue initial);
  /// Called after any property changed.
  virtual void Changed() {}
  /// Maps a list key onto its property name (keys spelled differently from their properties).
  virtual std::string_view PropertyNameOf(std::string_view key) const { return key; }
  const PropertyValue& ValueOf(std::string_view name) const;

 private:
  std::map<std::string, PropertyValue, std::less<>> values_;
};

/// Base of every control (RectControl).
class RectControl : public Object, public PropertyBag {
 public:
  static const ClassRecord* Record();

  /// RectControl.Constructor: prepares a new control.
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

/// A menu item; parents hold the items appended to them.
class MenuItem : public Object {
 public:
  static const ClassRecord* Record();
  /// MenuItem.Constructor: prepares a new item.
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

/// A top-level window. Constructing it raises Layout, CreateControls, then Open.
class Window : public Object, public PropertyBag {
 public:
  static const ClassRecord* Record();
  Window();
  ~Window() override;

  /// Window.Constructor: enters the window list and raises Layout, CreateControls and Open.
  void Constructor();

  // The window events; a subclass handles one by overriding it.
  virtual void Layout() {}
  virtual void CreateControls() {}
  virtual void Event_Open() {}
  virtual void Event_Close() {}

  /// Window.__New: a new, not yet constructed control of `cls` belonging to this window.
  Ref<RectControl> NewControl(const ClassRecord* cls);
  /// Window._AddControl: registers `control` under `name`; the window holds it from then on.
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

/// The application object.
class Application : public Object {
 public:
  static const ClassRecord* Record();
  const Ref<fw::MenuBar>& MenuBar() const { return menuBar_; }
  /// Application.MenuBar.Set.
  void SetMenuBar(Ref<fw::MenuBar> bar) { menuBar_ = std::move(bar); }
  /// Application._AddMenuHandler: binds a "(  ) as Boolean" handler to the item of that Name.
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
