#include "shell/layout.h"

#include "framework/object.h"
#include "shell/picture.h"

namespace shell {
namespace {

// The control registered under `name`, as an instance of `cls`. The name was registered a moment
// before with a control of that class, so a miss means the window was tampered with meanwhile.
fw::Ref<fw::RectControl> Lookup(const fw::Window& window, std::string_view name,
                                const fw::ClassRecord* cls) {
  fw::Ref<fw::RectControl> c =
      fw::RuntimeCheckCast<fw::RectControl>(window.ControlByName(name), cls);
  if (!c) fw::RaiseNilObjectException();
  return c;
}

}  // namespace

void SetProperties(fw::PropertyTarget& target, const fw::PropertyList& list) {
  fw::RuntimeMassPropertySetter(target, list.AsString());
}

void CreateControl(fw::Window& window, const fw::ClassRecord* cls, std::string_view name,
                   const fw::PropertyList& list, const CodeSettings& settings) {
  {
    fw::Ref<fw::RectControl> fresh = window.NewControl(cls);
    fresh->Constructor();
    window.AddControl(fw::String(name), std::move(fresh));
  }
  if (settings.textSize) Lookup(window, name, cls)->SetTextSize(*settings.textSize);
  if (settings.textUnit) Lookup(window, name, cls)->SetTextUnit(*settings.textUnit);
  if (settings.backdrop) {
    fw::Ref<fw::Canvas> canvas = std::dynamic_pointer_cast<fw::Canvas>(Lookup(window, name, cls));
    if (!canvas) fw::RaiseNilObjectException();
    canvas->SetBackdrop(Keldarafinal_128x128());
  }
  SetProperties(*Lookup(window, name, cls), list);
}

}  // namespace shell
