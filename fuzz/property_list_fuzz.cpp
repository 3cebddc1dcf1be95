// Fuzzes the property-list reader with a target that takes every key. Beyond memory safety it
// checks that the entries it applied, written back in the packed form, give exactly the bytes it
// consumed: the whole list, or everything before the refused entry. Any exception other than
// PropertyListException escapes and is reported as a crash.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "framework/plist.h"

namespace {

class AcceptEverything : public fw::PropertyTarget {
 public:
  std::string rewritten;
  std::vector<std::size_t> booleanAt;  // offsets in `rewritten` that hold a Boolean byte

  bool SetProperty(std::string_view key, const fw::PropertyValue& value) override {
    rewritten.append(key).push_back(' ');
    auto put32 = [&](uint32_t v) {
      for (int shift = 24; shift >= 0; shift -= 8) rewritten.push_back(static_cast<char>(v >> shift));
    };
    std::visit(
        [&](const auto& v) {
          using T = std::decay_t<decltype(v)>;
          if constexpr (std::is_same_v<T, int32_t>) {
            put32(static_cast<uint32_t>(v));
          } else if constexpr (std::is_same_v<T, bool>) {
            booleanAt.push_back(rewritten.size());
            rewritten.push_back(v ? '\1' : '\0');
          } else if constexpr (std::is_same_v<T, fw::Color>) {
            rewritten.push_back(static_cast<char>(v.r));
            rewritten.push_back(static_cast<char>(v.g));
            rewritten.push_back(static_cast<char>(v.b));
          } else {
            put32(static_cast<uint32_t>(v.ByteLength()));
            rewritten.append(v.Bytes());
          }
        },
        value);
    return true;
  }
};

// Equal bytes, except that a Boolean byte other than 0 reads as true and is written back as 1.
bool SameBytes(std::string_view original, const AcceptEverything& t) {
  if (original.size() != t.rewritten.size()) return false;
  std::size_t next = 0;
  for (std::size_t i = 0; i < original.size(); ++i) {
    if (next < t.booleanAt.size() && t.booleanAt[next] == i) {
      ++next;
      if ((original[i] != 0) != (t.rewritten[i] == 1)) return false;
    } else if (original[i] != t.rewritten[i]) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view list(reinterpret_cast<const char*>(data), size);
  AcceptEverything target;
  std::size_t consumed = size;
  try {
    fw::RuntimeMassPropertySetter(target, fw::String(list));
  } catch (const fw::PropertyListException& e) {
    if (e.error() == fw::PropertyListError::KeyNotInClass) __builtin_trap();
    consumed = e.offset();
  }
  if (consumed > size || !SameBytes(list.substr(0, consumed), target)) {
    __builtin_trap();
  }
  return 0;
}
