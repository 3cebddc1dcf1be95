// The native control classes, their common peer base, their factory, the busy wheels' clock and
// the Edit commands. One file because the control classes are private to it and reach one another
// directly: a busy wheel paints the canvas beneath it, the Edit commands act on the focused text
// field. Only what wx_controls.h and wx_backend.h declare is seen outside.
#include "wx_controls.h"

#include <gtk/gtk.h>

#include <wx/bitmap.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/dcclient.h>
#include <wx/gdicmn.h>
#include <wx/graphics.h>
#include <wx/settings.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "wx_backend.h"
#include "wx_window.h"

namespace native::detail {
namespace {

constexpr int kMaxDepth = 16;

/// Visible and Enabled hold only when they hold for every control the control lies in.
bool Effective(const fw::RectControl& m, bool (fw::RectControl::*get)() const) {
  if (!(m.*get)()) return false;
  fw::Ref<fw::RectControl> p = m.ParentControl();
  for (int depth = 0; p && depth < kMaxDepth; ++depth, p = p->ParentControl()) {
    if (!((*p).*get)()) return false;
  }
  return true;
}

wxRect NativeRect(const fw::RectControl& m, const fw::Ref<fw::RectControl>& nativeParent) {
  int32_t x = m.Left(), y = m.Top();
  if (nativeParent) {
    x -= nativeParent->Left();
    y -= nativeParent->Top();
  }
  return wxRect(Coord(x), Coord(y), Extent(m.Width()), Extent(m.Height()));
}

/// Pixels per inch of the screen, as the toolkit converts point sizes.
double ScreenPpi() {
  const int ppi = wxGetDisplayPPI().y;
  return ppi > 0 ? ppi : 96.0;
}

wxFont MakeFont(const FontKey& k) {
  wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
  if (!k.face.empty() && k.face != "System") {
    wxFont named = font;
    if (named.SetFaceName(ToWx(fw::String(k.face)))) font = named;
  }
  // Sizes count in the unit in which controls are placed: a point is one pixel, so that text
  // keeps its proportion to the layout whatever the screen's resolution. Size 0 is the
  // framework's default, 12 pixels: the density the window layouts are drawn for (the desktop's
  // own default would clip single-line labels such as the About window's product line).
  constexpr double kDefaultPixels = 12.0;
  double pixels = k.size > 0 ? k.size : kDefaultPixels;
  if (k.size > 0 && k.unit == 3) pixels = k.size * 72.0;         // inches
  if (k.size > 0 && k.unit == 4) pixels = k.size * 72.0 / 25.4;  // millimetres
  font.SetFractionalPointSize(std::clamp(pixels, 1.0, 1000.0) * 72.0 / ScreenPpi());
  if (k.bold) font.MakeBold();
  if (k.italic) font.MakeItalic();
  if (k.underline) font.MakeUnderlined();
  return font;
}

long AlignStyle(int32_t align) {
  switch (align) {
    case 1: return wxALIGN_CENTRE_HORIZONTAL;
    case 2: return wxALIGN_RIGHT;
    default: return wxALIGN_LEFT;
  }
}

long FieldAlignStyle(int32_t align) {
  switch (align) {
    case 2: return wxTE_CENTRE;  // centred
    case 3: return wxTE_RIGHT;   // right
    default: return wxTE_LEFT;   // 0 (default) and 1: left
  }
}

/// Gives a single-line field the inner padding the layouts are drawn for: narrower at the sides
/// than the theme's, so that a cue text of some twenty characters at the default size shows whole
/// in a field 170 pixels wide. The style provider is made once and kept for the run.
void UseLayoutPadding(GtkWidget* widget) {
  if (!widget || !GTK_IS_ENTRY(widget)) return;
  static GtkCssProvider* const padding = [] {
    GtkCssProvider* p = gtk_css_provider_new();
    gtk_css_provider_load_from_data(p, "entry { padding-left: 3px; padding-right: 3px; }", -1,
                                    nullptr);
    return p;
  }();
  gtk_style_context_add_provider(gtk_widget_get_style_context(widget), GTK_STYLE_PROVIDER(padding),
                                 GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

// ---- The control classes ------------------------------------------------------------------------

class KdGroupBox : public wxStaticBox, public ControlPeer {
 public:
  KdGroupBox(KdFrame& frame, wxWindow* parent, const wxRect& r,
             const fw::Ref<fw::RectControl>& model, const fw::Ref<fw::RectControl>& np)
      : ControlPeer(frame, model, np) {
    Create(parent, wxID_ANY, wxString(), r.GetPosition(), r.GetSize());
  }
  wxWindow& Native() override { return *this; }

 private:
  void SyncOwn(fw::RectControl& m) override {
    fw::String caption = m.Text("Caption");
    if (!(caption == caption_)) {
      caption_ = caption;
      SetLabelText(ToWx(caption));
    }
    SyncFont(m, *this);
  }
  fw::String caption_;
};

/// A label. The text sits in a native label (which assistive technology reads) inside a window of
/// its own, which gives the pointer's entry and exit and the cursor.
class KdLabel : public wxWindow, public ControlPeer {
 public:
  KdLabel(KdFrame& frame, wxWindow* parent, const wxRect& r, const fw::Ref<fw::StaticText>& model,
          const fw::Ref<fw::RectControl>& np)
      : ControlPeer(frame, model, np) {
    Create(parent, wxID_ANY, r.GetPosition(), r.GetSize(), wxBORDER_NONE);
    // Alignment and wrapping are fixed when the label is made (the lists are applied by then).
    long style = wxST_NO_AUTORESIZE | AlignStyle(model->Int("TextAlign"));
    if (!model->Bool("MultiLine")) style |= wxST_ELLIPSIZE_END;
    label_ = new wxStaticText(this, wxID_ANY, wxString(), wxPoint(0, 0), r.GetSize(), style);
    Bind(wxEVT_SIZE, [this](wxSizeEvent&) { label_->SetSize(GetClientSize()); });
    Bind(wxEVT_ENTER_WINDOW, &KdLabel::OnEnter, this);
    Bind(wxEVT_LEAVE_WINDOW, &KdLabel::OnLeave, this);
    Bind(wxEVT_LEFT_DOWN, &KdLabel::OnDown, this);
    label_->Bind(wxEVT_LEFT_DOWN, &KdLabel::OnDown, this);
  }
  wxWindow& Native() override { return *this; }
  bool AcceptsFocus() const override { return false; }

 private:
  fw::Ref<fw::StaticText> Label() const { return std::dynamic_pointer_cast<fw::StaticText>(Model()); }

  void SyncOwn(fw::RectControl& m) override {
    auto& t = static_cast<fw::StaticText&>(m);
    fw::String text = t.TextValue();
    if (!(text == text_)) {
      text_ = text;
      label_->SetLabelText(LineFeeds(ToWx(text)));
    }
    ApplyColour(*label_, true, t.ColorValue("TextColor"), fw::Color{}, colour_);
    SyncFont(m, *label_);
  }

  void OnEnter(wxMouseEvent& e) {
    e.Skip();
    if (fw::Ref<fw::StaticText> t = Label(); t && !InputHeld()) Dispatch([&] { t->MouseEnter(); });
  }
  void OnLeave(wxMouseEvent& e) {
    e.Skip();
    if (fw::Ref<fw::StaticText> t = Label(); t && !InputHeld()) Dispatch([&] { t->MouseExit(); });
  }
  void OnDown(wxMouseEvent& e) {
    e.Skip();
    fw::Ref<fw::StaticText> t = Label();
    if (!t || InputHeld()) return;
    // Label and holder share their origin, so either's coordinates are the control's.
    const wxPoint at = e.GetPosition();
    Dispatch([&] { t->MouseDown(at.x, at.y); });
  }

  wxStaticText* label_ = nullptr;
  fw::String text_;
  std::optional<fw::Color> colour_;
};

class KdTextField : public wxTextCtrl, public ControlPeer {
 public:
  KdTextField(KdFrame& frame, wxWindow* parent, const wxRect& r,
              const fw::Ref<fw::TextField>& model, const fw::Ref<fw::RectControl>& np)
      : ControlPeer(frame, model, np) {
    // Masking, border and alignment are fixed when the field is made.
    long style = FieldAlignStyle(model->Int("Alignment"));
    if (model->Bool("Password")) style |= wxTE_PASSWORD;
    if (!model->Bool("Border")) style |= wxBORDER_NONE;
    text_ = model->TextValue();
    Create(parent, wxID_ANY, ToWx(text_), r.GetPosition(), r.GetSize(), style);
    UseLayoutPadding(GetHandle());
    Bind(wxEVT_TEXT, &KdTextField::OnText, this);
  }
  wxWindow& Native() override { return *this; }
  bool AcceptsFocusFromKeyboard() const override {
    return tabStop_ && wxTextCtrl::AcceptsFocusFromKeyboard();
  }

  fw::Ref<fw::TextField> Field() const { return std::dynamic_pointer_cast<fw::TextField>(Model()); }

 private:
  void SyncOwn(fw::RectControl& m) override {
    auto& f = static_cast<fw::TextField&>(m);
    fw::String text = f.TextValue();
    if (!(text == text_)) {
      text_ = text;
      // Only a change the field does not already show: rewriting it would move the caret.
      if (!(FromWx(GetValue()) == text)) {
        syncing_ = true;
        ChangeValue(ToWx(text));
        SetInsertionPointEnd();
        syncing_ = false;
      }
    }
    fw::String cue = f.Text("CueText");
    if (!(cue == cue_)) {
      cue_ = cue;
      SetHint(ToWx(cue));
    }
    const bool editable = !f.Bool("ReadOnly");
    if (int(editable) != editable_) {
      SetEditable(editable);
      editable_ = editable;
    }
    const int32_t limit = std::max<int32_t>(0, f.Int("LimitText"));
    if (limit != limit_) {
      SetMaxLength(static_cast<unsigned long>(limit));
      limit_ = limit;
    }
    tabStop_ = f.Bool("TabStop");
    ApplyColour(*this, true, f.ColorValue("TextColor"), fw::Color{}, colour_);
    ApplyColour(*this, false, f.ColorValue("BackColor"), fw::Color{255, 255, 255}, back_);
    SyncFont(m, *this);
  }

  void OnText(wxCommandEvent&) {
    if (syncing_) return;
    fw::Ref<fw::TextField> f = Field();
    if (!f) return;
    if (InputHeld()) {
      // Nothing the user does may land while a handler waits: the field keeps the model's text.
      syncing_ = true;
      ChangeValue(ToWx(f->TextValue()));
      syncing_ = false;
      return;
    }
    fw::String now = FromWx(GetValue());
    text_ = now;
    Dispatch([&] { f->UserEdit(now); });
  }

  fw::String text_, cue_;
  bool syncing_ = false;
  bool tabStop_ = true;
  int editable_ = -1;
  int32_t limit_ = 0;
  std::optional<fw::Color> colour_, back_;
};

class KdButton : public wxButton, public ControlPeer {
 public:
  KdButton(KdFrame& frame, wxWindow* parent, const wxRect& r, const fw::Ref<fw::PushButton>& model,
           const fw::Ref<fw::RectControl>& np)
      : ControlPeer(frame, model, np) {
    Create(parent, wxID_ANY, wxString(), r.GetPosition(), r.GetSize());
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
      fw::Ref<fw::PushButton> b = std::dynamic_pointer_cast<fw::PushButton>(Model());
      if (b && !InputHeld()) Dispatch([&] { b->Push(); });
    });
  }
  wxWindow& Native() override { return *this; }
  bool AcceptsFocusFromKeyboard() const override {
    return tabStop_ && wxButton::AcceptsFocusFromKeyboard();
  }

 private:
  void SyncOwn(fw::RectControl& m) override {
    auto& b = static_cast<fw::PushButton&>(m);
    fw::String caption = b.Caption();
    if (!(caption == caption_)) {
      caption_ = caption;
      SetLabelText(ToWx(caption));
    }
    // Shown as the default button; the window's key handling presses it.
    if (b.Bool("Default") && !default_) {
      SetDefault();
      default_ = true;
    }
    tabStop_ = b.Bool("TabStop");
    SyncFont(m, *this);
  }
  fw::String caption_;
  bool default_ = false;
  bool tabStop_ = true;
};

class KdCheckBox : public wxCheckBox, public ControlPeer {
 public:
  KdCheckBox(KdFrame& frame, wxWindow* parent, const wxRect& r, const fw::Ref<fw::CheckBox>& model,
             const fw::Ref<fw::RectControl>& np)
      : ControlPeer(frame, model, np) {
    Create(parent, wxID_ANY, wxString(), r.GetPosition(), r.GetSize());
    SetValue(model->Value());
    Bind(wxEVT_CHECKBOX, &KdCheckBox::OnClick, this);
  }
  wxWindow& Native() override { return *this; }
  bool AcceptsFocusFromKeyboard() const override {
    return tabStop_ && wxCheckBox::AcceptsFocusFromKeyboard();
  }

 private:
  fw::Ref<fw::CheckBox> Box() const { return std::dynamic_pointer_cast<fw::CheckBox>(Model()); }

  void SyncOwn(fw::RectControl& m) override {
    auto& c = static_cast<fw::CheckBox&>(m);
    fw::String caption = c.Text("Caption");
    if (!(caption == caption_)) {
      caption_ = caption;
      SetLabelText(ToWx(caption));
    }
    if (GetValue() != c.Value()) SetValue(c.Value());  // SetValue raises no event
    tabStop_ = c.Bool("TabStop");
    SyncFont(m, *this);
  }

  void OnClick(wxCommandEvent&) {
    fw::Ref<fw::CheckBox> c = Box();
    if (!c) return;
    const bool now = GetValue();
    // The model toggles its Value and raises Action with Value already the new state.
    if (!InputHeld() && c->Value() != now) Dispatch([&] { c->Click(); });
    Sync();  // the model may have refused the click
  }

  fw::String caption_;
  bool tabStop_ = true;
};

class KdCanvas : public wxWindow, public ControlPeer {
 public:
  KdCanvas(KdFrame& frame, wxWindow* parent, const wxRect& r, const fw::Ref<fw::Canvas>& model,
           const fw::Ref<fw::RectControl>& np)
      : ControlPeer(frame, model, np) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Create(parent, wxID_ANY, r.GetPosition(), r.GetSize(), wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE);
    Bind(wxEVT_PAINT, &KdCanvas::OnPaint, this);
  }
  wxWindow& Native() override { return *this; }
  wxWindow* AsContainer() override { return this; }
  bool AcceptsFocus() const override { return acceptFocus_; }

  /// Paints what the canvas shows at `origin` (in its coordinates) at the DC's origin: so that
  /// a control lying over the canvas can draw the canvas beneath itself.
  void PaintBackdrop(wxDC& dc, wxPoint origin) {
    dc.SetBackground(wxBrush(GetParent()->GetBackgroundColour()));
    dc.Clear();
    if (bitmap_.IsOk()) dc.DrawBitmap(bitmap_, -origin.x, -origin.y, true);
  }

 private:
  void SyncOwn(fw::RectControl& m) override {
    auto& c = static_cast<fw::Canvas&>(m);
    if (c.Backdrop() != picture_) {
      picture_ = c.Backdrop();  // held, so that the bitmap can't outlive the picture's identity
      bitmap_ = PictureBitmap(picture_);
      Refresh();
    }
    acceptFocus_ = c.Bool("AcceptFocus");
  }

  void OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    PaintBackdrop(dc, wxPoint(0, 0));
  }

  fw::Ref<fw::Picture> picture_;
  wxBitmap bitmap_;
  bool acceptFocus_ = false;
};

// ---- The busy wheel -----------------------------------------------------------------------------

constexpr int kSpokes = 12;
// One step: a whole turn takes 1.2 seconds.
constexpr auto kWheelStep = std::chrono::milliseconds(100);
// A step this close to due is taken at once, so that a timer's jitter does not skip a step.
constexpr auto kWheelSlack = std::chrono::milliseconds(15);

class KdWheel;

/// Every wheel that exists, in creation order.
std::vector<KdWheel*>& LiveWheels() {
  static std::vector<KdWheel*> wheels;
  return wheels;
}

/// A busy wheel drawn here: twelve spokes whose shades fade behind the leading one, which moves
/// on one spoke a step while the wheel is shown. It lies over its parent canvas's picture and
/// draws that picture beneath itself. A hidden wheel costs nothing.
class KdWheel : public wxWindow, public ControlPeer {
 public:
  KdWheel(KdFrame& frame, wxWindow* parent, const wxRect& r, const fw::Ref<fw::ProgressWheel>& model,
          const fw::Ref<fw::RectControl>& np)
      : ControlPeer(frame, model, np), timer_(*this) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Create(parent, wxID_ANY, r.GetPosition(), r.GetSize(), wxBORDER_NONE);
    Bind(wxEVT_PAINT, &KdWheel::OnPaint, this);
    // Assistive technology sees a busy animation, as it does the toolkit's own spinner.
    if (GtkWidget* widget = GetHandle()) {
      atk_object_set_role(gtk_widget_get_accessible(widget), ATK_ROLE_ANIMATION);
    }
    LiveWheels().push_back(this);
  }
  ~KdWheel() override {
    timer_.Stop();
    std::erase(LiveWheels(), this);
  }
  wxWindow& Native() override { return *this; }
  bool AcceptsFocus() const override { return false; }
  bool HonoursEnabled() const override { return false; }
  void GTKHandleRealized() override {
    wxWindow::GTKHandleRealized();
    // A window of its own on the display: each step then repaints the wheel alone, not every
    // control of the frame that lies around it.
    if (GdkWindow* window = GTKGetDrawingWindow()) gdk_window_ensure_native(window);
  }

  /// Takes the step that is due at `now`, if any; gives when the next one is due.
  WheelClock::time_point Turn(WheelClock::time_point now) {
    if (!turning_) return WheelClock::time_point::max();
    if (now + kWheelSlack >= due_) {
      lead_ = (lead_ + 1) % kSpokes;
      due_ = now + kWheelStep;
      Refresh();
    }
    return due_;
  }

  /// The timer runs while the wheel turns, except during a synchronous wait.
  void SyncTimer() {
    const bool run = turning_ && !InputHeld();
    if (run && !timer_.IsRunning()) {
      timer_.Start(static_cast<int>(kWheelStep.count()));
    } else if (!run && timer_.IsRunning()) {
      timer_.Stop();
    }
  }

 private:
  class StepTimer : public wxTimer {
   public:
    explicit StepTimer(KdWheel& wheel) : wheel_(wheel) {}
    void Notify() override { wheel_.Turn(WheelClock::now()); }

   private:
    KdWheel& wheel_;
  };

  void SyncOwn(fw::RectControl&) override {
    const bool turning = IsShown();
    if (turning == turning_) return;
    turning_ = turning;
    due_ = WheelClock::now() + kWheelStep;
    SyncTimer();
  }

  void OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    if (auto* canvas = dynamic_cast<KdCanvas*>(GetParent())) {
      canvas->PaintBackdrop(dc, GetPosition());
    } else {
      dc.SetBackground(wxBrush(GetParent()->GetBackgroundColour()));
      dc.Clear();
    }
    std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(dc));
    if (!gc) return;
    const wxSize size = GetClientSize();
    const double cx = size.x / 2.0, cy = size.y / 2.0;
    const double outer = std::max(1.0, std::min(size.x, size.y) / 2.0 - 1.0);
    const double inner = outer * 0.45;
    const double width = std::max(1.0, outer * 0.28);
    for (int i = 0; i < kSpokes; ++i) {
      const int behind = (lead_ - i + kSpokes) % kSpokes;  // 0: the leading spoke
      const double shade = 1.0 - 0.8 * behind / (kSpokes - 1);
      const double angle = 2 * std::numbers::pi * i / kSpokes - std::numbers::pi / 2;
      const double dx = std::cos(angle), dy = std::sin(angle);
      gc->SetPen(gc->CreatePen(
          wxGraphicsPenInfo(wxColour(48, 48, 48, static_cast<unsigned char>(255 * shade)))
              .Width(width)
              .Cap(wxCAP_ROUND)));
      gc->StrokeLine(cx + dx * inner, cy + dy * inner, cx + dx * outer, cy + dy * outer);
    }
  }

  StepTimer timer_;
  bool turning_ = false;
  int lead_ = 0;
  WheelClock::time_point due_{};
};

}  // namespace

// ---- ControlPeer --------------------------------------------------------------------------------

ControlPeer::ControlPeer(KdFrame& frame, const fw::Ref<fw::RectControl>& model,
                         const fw::Ref<fw::RectControl>& nativeParent)
    : frame_(frame), model_(model), nativeParent_(nativeParent) {}

ControlPeer::~ControlPeer() { Detach(); }

fw::Ref<fw::RectControl> ControlPeer::Model() const { return detached_ ? nullptr : model_.lock(); }

void ControlPeer::Detach() {
  if (detached_) return;
  if (fw::Ref<fw::RectControl> m = model_.lock(); m && m->peer == this) m->peer = nullptr;
  detached_ = true;
  model_.reset();
}

void ControlPeer::Sync() {
  fw::Ref<fw::RectControl> m = Model();
  if (!m) return;
  SyncCommon(*m);
  SyncOwn(*m);
}

void ControlPeer::SyncCommon(fw::RectControl& m) {
  wxWindow& w = Native();
  bool changed = false;
  const wxRect r = NativeRect(m, nativeParent_.lock());
  if (r != rect_) {
    w.SetSize(r, wxSIZE_ALLOW_MINUS_ONE);
    rect_ = r;
    changed = true;
  }
  const int enabled = !HonoursEnabled() || Effective(m, &fw::RectControl::Enabled) ? 1 : 0;
  if (enabled != enabled_) {
    w.Enable(enabled != 0);
    enabled_ = enabled;
    changed = true;
  }
  const int shown = Effective(m, &fw::RectControl::Visible) ? 1 : 0;
  if (shown != shown_) {
    w.Show(shown != 0);
    shown_ = shown;
    changed = true;
  }
  if (m.Cursor() != cursor_) {
    cursor_ = m.Cursor();
    switch (cursor_) {
      case fw::MouseCursor::FingerPointer: w.SetCursor(wxCursor(wxCURSOR_HAND)); break;
      case fw::MouseCursor::StandardPointer: w.SetCursor(wxCursor(wxCURSOR_ARROW)); break;
      case fw::MouseCursor::Inherit: w.SetCursor(wxNullCursor); break;
    }
  }
  // Controls inside this one follow its position, visibility and enabled state.
  if (changed) frame_.SyncChildrenOf(m);
}

void ControlPeer::SyncFont(const fw::RectControl& m, wxWindow& target) {
  // A hidden control gets its font when it is shown: Sync runs again then.
  if (!m.Has("TextFont") || shown_ != 1) return;
  FontKey k;
  k.face = m.Text("TextFont").Bytes();
  if (k.face.empty()) k.face = "System";
  k.size = std::isfinite(m.TextSize()) && m.TextSize() > 0 ? m.TextSize() : 0;
  k.unit = k.size > 0 ? m.TextUnit() : 0;
  k.bold = m.Bool("Bold");
  k.italic = m.Bool("Italic");
  k.underline = m.Bool("Underline");
  if (k == font_) return;
  font_ = k;
  target.SetFont(MakeFont(k));
  target.Refresh();
}

void ControlPeer::ApplyColour(wxWindow& target, bool foreground, fw::Color c, fw::Color theme,
                              std::optional<fw::Color>& applied) {
  std::optional<fw::Color> want;
  if (!(c == theme)) want = c;
  if (want == applied) return;
  applied = want;
  const wxColour colour = want ? ToWx(*want) : wxNullColour;
  if (foreground) {
    target.SetForegroundColour(colour);
  } else {
    target.SetBackgroundColour(colour);
  }
  target.Refresh();
}

// ---- Creation and the Edit commands -------------------------------------------------------------

ControlPeer* CreateControlPeer(KdFrame& frame, wxWindow* parent,
                               const fw::Ref<fw::RectControl>& model,
                               const fw::Ref<fw::RectControl>& nativeParent) {
  const wxRect r = NativeRect(*model, nativeParent);
  ControlPeer* peer = nullptr;
  if (auto f = std::dynamic_pointer_cast<fw::TextField>(model)) {
    peer = new KdTextField(frame, parent, r, f, nativeParent);
  } else if (auto t = std::dynamic_pointer_cast<fw::StaticText>(model)) {
    peer = new KdLabel(frame, parent, r, t, nativeParent);
  } else if (auto b = std::dynamic_pointer_cast<fw::PushButton>(model)) {
    peer = new KdButton(frame, parent, r, b, nativeParent);
  } else if (auto c = std::dynamic_pointer_cast<fw::CheckBox>(model)) {
    peer = new KdCheckBox(frame, parent, r, c, nativeParent);
  } else if (auto v = std::dynamic_pointer_cast<fw::Canvas>(model)) {
    peer = new KdCanvas(frame, parent, r, v, nativeParent);
  } else if (auto w = std::dynamic_pointer_cast<fw::ProgressWheel>(model)) {
    peer = new KdWheel(frame, parent, r, w, nativeParent);
  } else if (std::dynamic_pointer_cast<fw::GroupBox>(model)) {
    peer = new KdGroupBox(frame, parent, r, model, nativeParent);
  }
  if (!peer) return nullptr;
  model->peer = peer;
  peer->Sync();
  return peer;
}

WheelClock::time_point TurnWheels(WheelClock::time_point now) {
  WheelClock::time_point next = WheelClock::time_point::max();
  for (KdWheel* w : LiveWheels()) next = std::min(next, w->Turn(now));
  return next;
}

void SyncWheelTimers() {
  for (KdWheel* w : LiveWheels()) w->SyncTimer();
}

namespace {

KdTextField* FocusedField() { return dynamic_cast<KdTextField*>(wxWindow::FindFocus()); }

}  // namespace

bool IsEditCommand(const std::string& name) {
  return name == "EditUndo" || name == "EditCut" || name == "EditCopy" || name == "EditPaste" ||
         name == "EditClear" || name == "EditSelectAll";
}

bool EditCommandApplies(const std::string& name) {
  KdTextField* f = FocusedField();
  fw::Ref<fw::TextField> m = f ? f->Field() : nullptr;
  if (!m) return false;
  const bool editable = f->IsEditable();
  // A masked field gives nothing away to the clipboard.
  const bool masked = f->HasFlag(wxTE_PASSWORD);
  long from = 0, to = 0;
  f->GetSelection(&from, &to);
  const bool selection = from != to;
  if (name == "EditUndo") return editable && m->CanUndo();
  if (name == "EditCut") return editable && selection && !masked;
  if (name == "EditCopy") return selection && !masked;
  if (name == "EditPaste") return editable && f->CanPaste();
  if (name == "EditClear") return editable && selection;
  if (name == "EditSelectAll") return !f->IsEmpty();
  return false;
}

bool RunEditCommand(const std::string& name) {
  KdTextField* f = FocusedField();
  fw::Ref<fw::TextField> m = f ? f->Field() : nullptr;
  if (!m || !IsEditCommand(name)) return false;
  // Native cuts, pastes and deletions come back as user edits through the field's change event.
  if (name == "EditUndo") {
    if (f->IsEditable()) m->Undo();
  } else if (name == "EditCut") {
    if (!f->HasFlag(wxTE_PASSWORD)) f->Cut();
  } else if (name == "EditCopy") {
    if (!f->HasFlag(wxTE_PASSWORD)) f->Copy();
  } else if (name == "EditPaste") {
    f->Paste();
  } else if (name == "EditClear") {
    long from = 0, to = 0;
    f->GetSelection(&from, &to);
    if (from != to && f->IsEditable()) f->Remove(from, to);
  } else if (name == "EditSelectAll") {
    f->SelectAll();
  }
  return true;
}

}  // namespace native::detail
