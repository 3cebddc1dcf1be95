#include "framework/ui.h"

#include <sys/stat.h>

#include <fstream>
#include <iterator>

#include "framework/display.h"
#include "framework/system.h"
#include "framework/runtime.h"

namespace fw {
namespace {

template <class T, bool Instantiable = true>
const ClassRecord* Register(const ClassRecord*& slot, const char* name, const ClassRecord* base) {
  ClassRecord record;
  record.name = name;
  record.base = base;
  if constexpr (Instantiable) {
    // The allocator is looked up again through the slot so each object carries this record.
    record.allocate = [&slot]() -> Ref<Object> { return MakeObject<T>(slot); };
  }
  return RuntimeNewClass(slot, std::move(record));
}

const ClassRecord* ObjectRecord() { return Object::Record(); }

}  // namespace

// ---- Delegate ----------------------------------------------------------------------------------

const ClassRecord* Delegate::Record() {
  static const ClassRecord* slot = nullptr;
  return slot ? slot : Register<Delegate>(slot, "Delegate", ObjectRecord());
}

Ref<Delegate> RuntimeCreateDelegate(std::function<void()> fn, std::string_view signature) {
  if (!fn) return nullptr;
  auto d = MakeObject<Delegate>(Delegate::Record());
  d->signature_ = signature;
  d->invoke_ = std::move(fn);
  return d;
}

Ref<Delegate> RuntimeCreateDelegate(std::function<bool()> fn, std::string_view signature) {
  if (!fn) return nullptr;
  auto d = MakeObject<Delegate>(Delegate::Record());
  d->signature_ = signature;
  d->invokeBoolean_ = std::move(fn);
  return d;
}

Ref<Delegate> RuntimeCreateDelegate(std::function<bool(int32_t, int32_t)> fn,
                                    std::string_view signature) {
  if (!fn) return nullptr;
  auto d = MakeObject<Delegate>(Delegate::Record());
  d->signature_ = signature;
  d->invokeInt32Int32_ = std::move(fn);
  return d;
}

void Delegate::Invoke() const {
  if (!invoke_) throw UnsupportedOperationException("delegate " + signature_ + " called as (  )");
  invoke_();
}

bool Delegate::InvokeBoolean() const {
  if (!invokeBoolean_) {
    throw UnsupportedOperationException("delegate " + signature_ + " called as (  ) as Boolean");
  }
  return invokeBoolean_();
}

bool Delegate::InvokeInt32Int32(int32_t a, int32_t b) const {
  if (!invokeInt32Int32_) {
    throw UnsupportedOperationException("delegate " + signature_ +
                                        " called as ( Int32, Int32 ) as Boolean");
  }
  return invokeInt32Int32_(a, b);
}

// ---- Picture and FolderItem ----------------------------------------------------------------------

const ClassRecord* Picture::Record() {
  static const ClassRecord* slot = nullptr;
  return slot ? slot : Register<Picture>(slot, "Picture", ObjectRecord());
}

const ClassRecord* FolderItem::Record() {
  static const ClassRecord* slot = nullptr;
  return slot ? slot : Register<FolderItem>(slot, "FolderItem", ObjectRecord());
}

Ref<FolderItem> FolderItem::ForPath(std::string path) {
  if (path.empty()) return nullptr;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  auto f = MakeObject<FolderItem>(Record());
  f->path_ = std::move(path);
  return f;
}

bool FolderItem::Exists() const {
  struct stat st;
  return ::stat(path_.c_str(), &st) == 0;
}

Ref<FolderItem> FolderItem::Parent() const {
  if (path_ == "/") return nullptr;
  auto slash = path_.rfind('/');
  if (slash == std::string::npos) return ForPath(".");
  return ForPath(slash == 0 ? "/" : path_.substr(0, slash));
}

Ref<FolderItem> FolderItem::Child(const String& name) const {
  const std::string& n = name.Bytes();
  if (n.empty() || n.find('/') != std::string::npos || n.find('\0') != std::string::npos) {
    return nullptr;
  }
  return ForPath(path_ == "/" ? "/" + n : path_ + "/" + n);
}

Ref<Picture> FolderItem::OpenAsPicture() const {
  std::ifstream in(path_, std::ios::binary);
  if (!in) return nullptr;
  auto pic = MakeObject<Picture>(Picture::Record());
  pic->bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad() || pic->bytes.empty()) return nullptr;
  if (!CurrentDisplay().DecodePicture(*pic)) return nullptr;
  return pic;
}

Ref<FolderItem> AppFolderItem() { return FolderItem::ForPath(CurrentSystem().ExecutablePath()); }

Ref<FolderItem> GetApplicationBundleResources() {
  Ref<FolderItem> exe = NotNil(AppFolderItem());
  Ref<FolderItem> bin = NotNil(exe->Parent());
  Ref<FolderItem> contents = NotNil(bin->Parent());
  Ref<FolderItem> res = contents->Child("Resources");
  if (res && !res->Exists()) return nullptr;
  return res;
}

// ---- PropertyBag --------------------------------------------------------------------------------

bool PropertyBag::SetProperty(std::string_view key, const PropertyValue& value) {
  std::string_view name = PropertyNameOf(key);
  auto it = values_.find(name);
  if (it == values_.end() || it->second.index() != value.index()) return false;
  it->second = value;
  Changed();
  return true;
}

bool PropertyBag::Has(std::string_view name) const { return values_.find(name) != values_.end(); }

const PropertyValue& PropertyBag::ValueOf(std::string_view name) const {
  auto it = values_.find(name);
  if (it == values_.end()) {
    throw UnsupportedOperationException("no property " + std::string(name));
  }
  return it->second;
}

int32_t PropertyBag::Int(std::string_view name) const { return std::get<int32_t>(ValueOf(name)); }
bool PropertyBag::Bool(std::string_view name) const { return std::get<bool>(ValueOf(name)); }
Color PropertyBag::ColorValue(std::string_view name) const { return std::get<Color>(ValueOf(name)); }
String PropertyBag::Text(std::string_view name) const { return std::get<String>(ValueOf(name)); }

void PropertyBag::Set(std::string_view name, const PropertyValue& value) {
  auto it = values_.find(name);
  if (it == values_.end() || it->second.index() != value.index()) {
    throw UnsupportedOperationException("cannot set property " + std::string(name));
  }
  it->second = value;
  Changed();
}

void PropertyBag::Declare(std::string_view name, PropertyValue initial) {
  values_.insert_or_assign(std::string(name), std::move(initial));
}

// ---- RectControl --------------------------------------------------------------------------------

const ClassRecord* RectControl::Record() {
  static const ClassRecord* slot = nullptr;
  return slot ? slot : Register<RectControl, false>(slot, "RectControl", ObjectRecord());
}

RectControl::RectControl() {
  for (const char* k : {"Name", "HelpTag", "InitialParent"}) Declare(k, String());
  for (const char* k : {"Index", "Left", "Top", "Width", "Height", "TabPanelIndex", "TabIndex"}) {
    Declare(k, int32_t{0});
  }
  for (const char* k : {"LockLeft", "LockTop", "LockRight", "LockBottom", "AutoDeactivate"}) {
    Declare(k, false);
  }
  Declare("Enabled", true);
  Declare("Visible", true);
}

void RectControl::Changed() {
  if (peer) peer->Sync();
}

void RectControl::SetTextSize(float size) {
  textSize_ = size;
  Changed();
}

void RectControl::SetTextUnit(uint8_t unit) {
  textUnit_ = unit;
  Changed();
}

void RectControl::SetMouseCursor(MouseCursor c) {
  cursor_ = c;
  Changed();
}

Ref<RectControl> RectControl::ParentControl() const {
  String parent = Text("InitialParent");
  if (parent.IsEmpty()) return nullptr;
  Ref<Window> w = OwnerWindow();
  return w ? w->ControlByName(parent.Bytes()) : nullptr;
}

void RectControl::InstallEventHandler(std::string_view event, Ref<Delegate> handler) {
  for (const EventSignature& ev : Events()) {
    if (ev.name != event) continue;
    if (!handler) RaiseNilObjectException();
    if (handler->Signature() != ev.signature) {
      throw UnsupportedOperationException("handler " + handler->Signature() + " does not match " +
                                          std::string(event) + std::string(ev.signature));
    }
    handlers_.insert_or_assign(std::string(event), std::move(handler));
    return;
  }
  throw UnsupportedOperationException("no event " + std::string(event) + " on " +
                                      (Class() ? Class()->name : std::string("control")));
}

Ref<Delegate> RectControl::Handler(std::string_view event) const {
  auto it = handlers_.find(event);
  return it == handlers_.end() ? nullptr : it->second;
}

void RectControl::Raise(std::string_view event) {
  if (Ref<Delegate> h = Handler(event)) {
    BusyScope busy;
    h->Invoke();
  }
}

// ---- The control classes ------------------------------------------------------------------------

#define FW_DECLARE_TEXT_STYLE()                                         \
  Declare("TextFont", String("System"));                                \
  for (const char* k : {"Bold", "Italic", "Underline"}) Declare(k, false)

const ClassRecord* GroupBox::Record() {
  static const ClassRecord* slot = nullptr;
  return slot ? slot : Register<GroupBox>(slot, "GroupBox", RectControl::Record());
}

GroupBox::GroupBox() {
  Declare("Caption", String());
  FW_DECLARE_TEXT_STYLE();
}

const ClassRecord* StaticText::Record() {
  static const ClassRecord* slot = nullptr;
  return slot ? slot : Register<StaticText>(slot, "StaticText", RectControl::Record());
}

StaticText::StaticText() {
  Declare("Text", String());
  Declare("TextAlign", int32_t{0});
  Declare("TextColor", Color{});
  Declare("MultiLine", false);
  Declare("DataSource", String());
  Declare("DataField", String());
  FW_DECLARE_TEXT_STYLE();
}

std::string_view StaticText::PropertyNameOf(std::string_view key) const {
  return key == "Multiline" ? std::string_view("MultiLine") : key;
}

std::vector<EventSignature> StaticText::Events() const {
  return {{"MouseEnter", kSigVoid}, {"MouseExit", kSigVoid}, {"MouseDown", kSigInt32Int32Boolean}};
}

void StaticText::MouseEnter() { Raise("MouseEnter"); }
void StaticText::MouseExit() { Raise("MouseExit"); }

bool StaticText::MouseDown(int32_t x, int32_t y) {
  Ref<Delegate> h = Handler("MouseDown");
  if (!h) return false;
  BusyScope busy;
  return h->InvokeInt32Int32(x, y);
}

const ClassRecord* TextField::Record() {
  static const ClassRecord* slot = nullptr;
  return slot ? slot : Register<TextField>(slot, "TextField", RectControl::Record());
}

TextField::TextField() {
  for (const char* k : {"TabStop", "Border", "Password", "UseFocusRing", "ReadOnly", "AcceptTabs"}) {
    Declare(k, false);
  }
  Declare("TextColor", Color{});
  Declare("BackColor", Color{255, 255, 255});
  for (const char* k : {"Format", "CueText", "Text", "Mask", "DataSource", "DataField"}) {
    Declare(k, String());
  }
  Declare("LimitText", int32_t{0});
  Declare("Alignment", int32_t{0});
  FW_DECLARE_TEXT_STYLE();
}

std::vector<EventSignature> TextField::Events() const { return {{"TextChange", kSigVoid}}; }

void TextField::Changed() {
  RectControl::Changed();
  String now = Text("Text");
  if (now == lastText_) return;
  lastText_ = now;
  Raise("TextChange");
}

void TextField::SetText(const String& t) { Set("Text", t); }

void TextField::UserEdit(const String& t) {
  String before = TextValue();
  if (t == before) return;
  // A masked field keeps no earlier texts: what was typed there is not kept around to be undone.
  if (!Bool("Password")) {
    if (undo_.size() == kUndoDepth) undo_.erase(undo_.begin());
    undo_.push_back(before);
  }
  Set("Text", t);
}

bool TextField::Undo() {
  if (undo_.empty()) return false;
  String previous = undo_.back();
  undo_.pop_back();
  Set("Text", previous);
  return true;
}

const ClassRecord* PushButton::Record() {
  static const ClassRecord* slot = nullptr;
  return slot ? slot : Register<PushButton>(slot, "PushButton", RectControl::Record());
}

PushButton::PushButton() {
  Declare("TabStop", false);
  Declare("Caption", String());
  Declare("Default", false);
  Declare("Cancel", false);
  FW_DECLARE_TEXT_STYLE();
}

std::vector<EventSignature> PushButton::Events() const { return {{"Action", kSigVoid}}; }

void PushButton::Push() {
  if (!Enabled() || !Visible()) return;
  Raise("Action");
}

const ClassRecord* Canvas::Record() {
  static const ClassRecord* slot = nullptr;
  return slot ? slot : Register<Canvas>(slot, "Canvas", RectControl::Record());
}

Canvas::Canvas() {
  for (const char* k : {"TabStop", "UseFocusRing", "AcceptFocus", "AcceptTabs", "DoubleBuffer",
                        "EraseBackground"}) {
    Declare(k, false);
  }
}

void Canvas::SetBackdrop(Ref<Picture> p) {
  backdrop_ = std::move(p);
  Changed();
}

const ClassRecord* ProgressWheel::Record() {
  static const ClassRecord* slot = nullptr;
  return slot ? slot : Register<ProgressWheel>(slot, "ProgressWheel", RectControl::Record());
}

ProgressWheel::ProgressWheel() { Declare("TabStop", false); }

const ClassRecord* CheckBox::Record() {
  static const ClassRecord* slot = nullptr;
  return slot ? slot : Register<CheckBox>(slot, "CheckBox", RectControl::Record());
}

CheckBox::CheckBox() {
  Declare("TabStop", false);
  Declare("Caption", String());
  Declare("State", int32_t{0});
  Declare("Value", false);
  Declare("DataSource", String());
  Declare("DataField", String());
  FW_DECLARE_TEXT_STYLE();
}

std::vector<EventSignature> CheckBox::Events() const { return {{"Action", kSigVoid}}; }

void CheckBox::Click() {
  if (!Enabled() || !Visible()) return;
  SetValue(!Value());
  Raise("Action");
}

// ---- Menus --------------------------------------------------------------------------------------

const ClassRecord* MenuItem::Record() {
  static const ClassRecord* slot = nullptr;
  return slot ? slot : Register<MenuItem>(slot, "MenuItem", ObjectRecord());
}

const ClassRecord* AppleMenuItem::Record() {
  static const ClassRecord* slot = nullptr;
  return slot ? slot : Register<AppleMenuItem>(slot, "AppleMenuItem", MenuItem::Record());
}

const ClassRecord* MenuBar::Record() {
  static const ClassRecord* slot = nullptr;
  return slot ? slot : Register<MenuBar>(slot, "MenuBar", MenuItem::Record());
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

// ---- Window -------------------------------------------------------------------------------------

const ClassRecord* Window::Record() {
  static const ClassRecord* slot = nullptr;
  return slot ? slot : Register<Window>(slot, "Window", ObjectRecord());
}

Window::Window() {
  for (const char* k : {"Placement", "Width", "Height", "MinWidth", "MinHeight", "MaxWidth",
                        "MaxHeight", "Frame", "MacProcId"}) {
    Declare(k, int32_t{0});
  }
  for (const char* k : {"Composite", "HasBackColor", "Visible", "FullScreen", "MenuBarVisible",
                        "CloseButton", "Resizeable", "LiveResize", "MaximizeButton",
                        "MinimizeButton"}) {
    Declare(k, false);
  }
  Declare("BackColor", Color{});
  Declare("Title", String());
}

Window::~Window() = default;

std::string_view Window::PropertyNameOf(std::string_view key) const {
  return key == "MacProcID" ? std::string_view("MacProcId") : key;
}

void Window::Changed() {
  if (peer) peer->Sync();
}

void Window::Constructor() {
  Ref<Window> self = std::static_pointer_cast<Window>(shared_from_this());
  open_ = true;
  detail::WindowOpened(self);
  Layout();
  CreateControls();
  if (HasDisplay()) CurrentDisplay().WindowCreated(*this);
  Event_Open();
}

Ref<RectControl> Window::NewControl(const ClassRecord* cls) {
  if (!cls || !cls->IsA(RectControl::Record())) RaiseNilObjectException();
  Ref<RectControl> c = RuntimeCheckCast<RectControl>(RuntimeNewObject(cls), cls);
  if (!c) RaiseNilObjectException();
  c->window_ = std::static_pointer_cast<Window>(shared_from_this());
  return c;
}

void Window::AddControl(const String& name, Ref<RectControl> control) {
  if (!control) RaiseNilObjectException();
  control->window_ = std::static_pointer_cast<Window>(shared_from_this());
  controls_.push_back(control);
  byName_.insert_or_assign(name.Bytes(), std::move(control));
}

Ref<RectControl> Window::ControlByName(std::string_view name) const {
  auto it = byName_.find(name);
  return it == byName_.end() ? nullptr : it->second;
}

void Window::SetMenuBar(Ref<fw::MenuBar> bar) {
  menuBar_ = std::move(bar);
  Changed();
}

void Window::Show() { Set("Visible", true); }

void Window::Close() {
  if (!open_) return;
  Ref<Window> keep = std::static_pointer_cast<Window>(shared_from_this());
  {
    BusyScope busy;
    Event_Close();
  }
  open_ = false;
  if (HasDisplay()) CurrentDisplay().WindowClosed(*this);
  detail::WindowClosed(*this);
}

bool Window::UserClose() {
  if (HandlerBusy()) return false;
  Close();
  return true;
}

Ref<PushButton> Window::DefaultButton() const {
  for (const auto& c : controls_) {
    if (auto b = std::dynamic_pointer_cast<PushButton>(c)) {
      if (b->Bool("Default") && b->Enabled() && b->Visible()) return b;
    }
  }
  return nullptr;
}

Ref<PushButton> Window::CancelButton() const {
  for (const auto& c : controls_) {
    if (auto b = std::dynamic_pointer_cast<PushButton>(c)) {
      if (b->Bool("Cancel") && b->Enabled() && b->Visible()) return b;
    }
  }
  return nullptr;
}

// ---- Application --------------------------------------------------------------------------------

const ClassRecord* Application::Record() {
  static const ClassRecord* slot = nullptr;
  if (!slot) {
    ClassRecord record;
    record.name = "Application";
    record.base = ObjectRecord();
    record.operations = {"NewDocument",          "OpenDocument",        "DoEvents",
                       "_AddMenuHandler",      "_AddPollableObject",  "_RemovePollableObject",
                       "AddTrayItem",          "RemoveTrayItem",      "YieldToNextThread",
                       "SleepCurrentThread",   "_DoSingleEvent",      "_EnableMenuItems",
                       "_CallOpen",            "_HandleMenuCommand",  "_LoadPictureFromBundle",
                       "_LoadBundleSound",     "__DependencyList"};
    record.allocate = [] { return MakeObject<Application>(slot); };
    RuntimeNewClass(slot, std::move(record));
  }
  return slot;
}

void Application::AddMenuHandler(const String& itemName, Ref<Delegate> handler) {
  if (!handler) {
    menuHandlers_.erase(itemName.Bytes());
    return;
  }
  if (handler->Signature() != kSigBoolean) {
    throw UnsupportedOperationException("menu handler " + handler->Signature() +
                                        " must be (  ) as Boolean");
  }
  menuHandlers_.insert_or_assign(itemName.Bytes(), std::move(handler));
}

Ref<Delegate> Application::MenuHandler(const String& itemName) const {
  auto it = menuHandlers_.find(itemName.Bytes());
  return it == menuHandlers_.end() ? nullptr : it->second;
}

bool Application::HandleMenuCommand(const MenuItem& item) {
  if (Ref<Delegate> h = MenuHandler(item.name)) {
    BusyScope busy;
    return h->InvokeBoolean();
  }
  return HasDisplay() && CurrentDisplay().EditCommand(item.name);
}

String Application::ShortVersion() const {
  // The bundle's Info file sits beside Resources: lines of "Key=Value".
  Ref<FolderItem> exe = AppFolderItem();
  Ref<FolderItem> bin = exe ? exe->Parent() : nullptr;
  Ref<FolderItem> contents = bin ? bin->Parent() : nullptr;
  Ref<FolderItem> info = contents ? contents->Child("Info") : nullptr;
  if (!info) return String();
  std::ifstream in(info->NativePath());
  std::string line;
  while (std::getline(in, line)) {
    static const std::string kKey = "ShortVersion=";
    if (line.rfind(kKey, 0) == 0) return String(line.substr(kKey.size()));
  }
  return String();
}

}  // namespace fw
