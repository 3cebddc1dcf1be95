// The layout description: applying property lists and the one control-creation sequence that
// both windows use.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "framework/plist.h"
#include "framework/ui.h"

namespace shell {

/// Settings a control gets in code, after it is registered and before its list is applied.
struct CodeSettings {
  std::optional<float> textSize{};   ///< TextSize, set first
  /// TextUnit, set second: the unit TextSize counts in (0, the default, is points, one to a
  /// pixel; 3 inches, 4 millimetres).
  std::optional<uint8_t> textUnit{};
  bool backdrop = false;             ///< Backdrop = the application picture, set third
};

/// Hands the object and its list to the framework's property setter; its exceptions pass on.
void SetProperties(fw::PropertyTarget& target, const fw::PropertyList& list);

/// Runs the control-creation sequence for one control of `window`: new control of `cls`,
/// constructed, registered under `name`, the code settings, then its list. Each step finds the
/// control anew by name. Installing the control's handlers follows, by the caller.
void CreateControl(fw::Window& window, const fw::ClassRecord* cls, std::string_view name,
                   const fw::PropertyList& list, const CodeSettings& settings);

/// The control registered in `window` under `name`, cast to T; raises NilObjectException when
/// there is none or it is of another class.
template <class T>
fw::Ref<T> Find(const fw::Window& window, std::string_view name) {
  fw::Ref<T> c = fw::RuntimeCheckCast<T>(window.ControlByName(name), T::Record());
  if (!c) fw::RaiseNilObjectException();
  return c;
}

}  // namespace shell
