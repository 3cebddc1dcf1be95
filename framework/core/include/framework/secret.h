// Wiping memory that held a secret (a typed password, a credential) before it is given back.
#pragma once

#include <string>

namespace fw {

/// Overwrites every byte of `s` with zero in a way the compiler may not drop; the size stays.
void Wipe(std::string& s);

/// Wipes the string it watches when the scope ends.
class WipeOnExit {
 public:
  explicit WipeOnExit(std::string& s) : s_(s) {}
  ~WipeOnExit() { Wipe(s_); }
  WipeOnExit(const WipeOnExit&) = delete;
  WipeOnExit& operator=(const WipeOnExit&) = delete;

 private:
  std::string& s_;
};

}  // namespace fw
