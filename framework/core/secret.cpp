#include "framework/secret.h"

#include <string.h>

namespace fw {

void Wipe(std::string& s) {
  if (!s.empty()) ::explicit_bzero(s.data(), s.size());
}

}  // namespace fw
