#include "framework/plist.h"

#include <map>

namespace fw {
namespace {

const char* ErrorText(PropertyListError e) {
  switch (e) {
    case PropertyListError::Truncated: return "property list ends inside an entry";
    case PropertyListError::BadKey: return "property list entry has no key";
    case PropertyListError::UnknownKey: return "unknown property";
    case PropertyListError::KeyNotInClass: return "property not supported by this object";
  }
  return "bad property list";
}

const std::map<std::string_view, PropertyForm>& KeyTable() {
  using F = PropertyForm;
  static const std::map<std::string_view, PropertyForm> table = {
      {"Placement", F::Int32},      {"Width", F::Int32},           {"Height", F::Int32},
      {"MinWidth", F::Int32},       {"MinHeight", F::Int32},       {"MaxWidth", F::Int32},
      {"MaxHeight", F::Int32},      {"Frame", F::Int32},           {"Composite", F::Boolean},
      {"HasBackColor", F::Boolean}, {"BackColor", F::Color},       {"Title", F::Text},
      {"Visible", F::Boolean},      {"FullScreen", F::Boolean},    {"MenuBarVisible", F::Boolean},
      {"CloseButton", F::Boolean},  {"Resizeable", F::Boolean},    {"LiveResize", F::Boolean},
      {"MaximizeButton", F::Boolean}, {"MinimizeButton", F::Boolean}, {"MacProcID", F::Int32},
      {"Name", F::Text},            {"Index", F::Int32},           {"Left", F::Int32},
      {"Top", F::Int32},            {"LockLeft", F::Boolean},      {"LockTop", F::Boolean},
      {"LockRight", F::Boolean},    {"LockBottom", F::Boolean},    {"TabPanelIndex", F::Int32},
      {"TabIndex", F::Int32},       {"TabStop", F::Boolean},       {"Caption", F::Text},
      {"Text", F::Text},            {"TextAlign", F::Int32},       {"TextColor", F::Color},
      {"Multiline", F::Boolean},    {"Enabled", F::Boolean},       {"Format", F::Text},
      {"HelpTag", F::Text},         {"AutoDeactivate", F::Boolean}, {"TextFont", F::Text},
      {"Bold", F::Boolean},         {"Italic", F::Boolean},        {"Underline", F::Boolean},
      {"CueText", F::Text},         {"Mask", F::Text},             {"ReadOnly", F::Boolean},
      {"LimitText", F::Int32},      {"AcceptTabs", F::Boolean},    {"Alignment", F::Int32},
      {"Border", F::Boolean},       {"Password", F::Boolean},      {"UseFocusRing", F::Boolean},
      {"Default", F::Boolean},      {"Cancel", F::Boolean},        {"AcceptFocus", F::Boolean},
      {"DoubleBuffer", F::Boolean}, {"EraseBackground", F::Boolean}, {"State", F::Int32},
      {"Value", F::Boolean},        {"DataSource", F::Text},       {"DataField", F::Text},
      {"InitialParent", F::Text},
  };
  return table;
}

bool IsKeyChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

PropertyListException::PropertyListException(PropertyListError error, std::string key,
                                             std::size_t offset)
    : UnsupportedOperationException(std::string(ErrorText(error)) +
                                    (key.empty() ? std::string() : " \"" + key + "\"") +
                                    " at byte " + std::to_string(offset)),
      error_(error),
      key_(std::move(key)),
      offset_(offset) {}

std::optional<PropertyForm> FormOfKey(std::string_view key) {
  const auto& t = KeyTable();
  auto it = t.find(key);
  if (it == t.end()) return std::nullopt;
  return it->second;
}

void RuntimeMassPropertySetter(PropertyTarget& target, const String& list) {
  std::string_view v = list.Bytes();
  std::size_t p = 0;
  while (p < v.size()) {
    const std::size_t entry = p;
    std::size_t k = p;
    while (k < v.size() && IsKeyChar(v[k])) ++k;
    std::string key(v.substr(p, k - p));
    if (key.empty()) throw PropertyListException(PropertyListError::BadKey, "", entry);
    if (k >= v.size() || v[k] != ' ') {
      throw PropertyListException(
          k >= v.size() ? PropertyListError::Truncated : PropertyListError::BadKey, key, entry);
    }
    p = k + 1;
    auto form = FormOfKey(key);
    if (!form) throw PropertyListException(PropertyListError::UnknownKey, key, entry);
    auto need = [&](std::size_t n) {
      if (v.size() - p < n) throw PropertyListException(PropertyListError::Truncated, key, entry);
    };
    auto get32 = [&]() {
      need(4);
      uint32_t x = 0;
      for (int i = 0; i < 4; ++i) x = (x << 8) | static_cast<unsigned char>(v[p++]);
      return x;
    };
    PropertyValue value;
    switch (*form) {
      case PropertyForm::Int32: value = static_cast<int32_t>(get32()); break;
      case PropertyForm::Boolean:
        need(1);
        value = v[p++] != 0;
        break;
      case PropertyForm::Color: {
        need(3);
        Color c{static_cast<uint8_t>(v[p]), static_cast<uint8_t>(v[p + 1]),
                static_cast<uint8_t>(v[p + 2])};
        p += 3;
        value = c;
        break;
      }
      case PropertyForm::Text: {
        uint32_t n = get32();
        need(n);
        value = String(v.substr(p, n));
        p += n;
        break;
      }
    }
    if (!target.SetProperty(key, value)) {
      throw PropertyListException(PropertyListError::KeyNotInClass, key, entry);
    }
  }
}

}  // namespace fw
