// Property bags: the named, typed properties of windows and controls.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "framework/plist.h"
#include "framework/text.h"

namespace fw {

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

}  // namespace fw
