#include "framework/property_bag.h"

#include "framework/object.h"

namespace fw {

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

}  // namespace fw
