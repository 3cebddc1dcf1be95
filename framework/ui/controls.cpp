#include "framework/controls.h"

#include "framework/window.h"
#include "framework/window_list.h"

namespace fw {

const ClassRecord* RectControl::Record() {
  return RegisterClassOnce<RectControl>([] { return MakeClassRecord("RectControl", Object::Record()); });
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
  return RegisterClassOnce<GroupBox>([] { return MakeClassRecord("GroupBox", RectControl::Record()); });
}

GroupBox::GroupBox() {
  Declare("Caption", String());
  FW_DECLARE_TEXT_STYLE();
}

const ClassRecord* StaticText::Record() {
  return RegisterClassOnce<StaticText>([] { return MakeClassRecord("StaticText", RectControl::Record()); });
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
  return RegisterClassOnce<TextField>([] { return MakeClassRecord("TextField", RectControl::Record()); });
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
  return RegisterClassOnce<PushButton>([] { return MakeClassRecord("PushButton", RectControl::Record()); });
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
  return RegisterClassOnce<Canvas>([] { return MakeClassRecord("Canvas", RectControl::Record()); });
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
  return RegisterClassOnce<ProgressWheel>([] { return MakeClassRecord("ProgressWheel", RectControl::Record()); });
}

ProgressWheel::ProgressWheel() { Declare("TabStop", false); }

const ClassRecord* CheckBox::Record() {
  return RegisterClassOnce<CheckBox>([] { return MakeClassRecord("CheckBox", RectControl::Record()); });
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

}  // namespace fw
