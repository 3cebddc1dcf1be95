// Fuzzes the answer parser with arbitrary bytes. Beyond memory safety it checks the parser's
// contract: no header block means status 0 and no page; the page is the tail of the input; and
// bytes arriving after an ended header block change neither the status nor the page so far.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/http.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view raw(reinterpret_cast<const char*>(data), size);
  const fw::HttpAnswer a = fw::ParseHttpAnswer(raw);
  if (!a.headerComplete && (a.status != 0 || !a.page.empty())) __builtin_trap();
  if (a.page.size() > raw.size() || raw.substr(raw.size() - a.page.size()) != a.page) {
    __builtin_trap();
  }
  if (a.headerComplete) {
    const std::string longer = std::string(raw) + "X\r\n\r\n";
    const fw::HttpAnswer b = fw::ParseHttpAnswer(longer);
    if (!b.headerComplete || b.status != a.status || b.page.compare(0, a.page.size(), a.page) != 0) {
      __builtin_trap();
    }
  }
  return 0;
}
