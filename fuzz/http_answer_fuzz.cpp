// Fuzzes the answer reader with arbitrary bytes. Beyond memory safety it checks the reader's
// contract:
// - no header block means status 0 and no page; the page is the tail of the input, its first
//   kMaxPage bytes kept; the marker is found exactly when the whole page holds it;
// - the same bytes fed in pieces of any sizes give the same answer as fed whole;
// - bytes arriving after an ended header block, ones that leave the line-end rule as it is,
//   change neither the status nor the page so far.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/http_answer.h"

namespace {

constexpr std::string_view kMarker = "404";

bool Same(const fw::HttpAnswer& a, const fw::HttpAnswer& b) {
  return a.status == b.status && a.headerComplete == b.headerComplete && a.page == b.page &&
         a.pageBytes == b.pageBytes && a.markerFound == b.markerFound;
}

// Piece sizes drawn from the input's own hash: every input gets its own split, the same on every
// run, mostly short pieces so that line ends and the marker fall across their boundaries.
fw::HttpAnswer FedInPieces(std::string_view raw) {
  uint64_t state = 1469598103934665603u;
  for (unsigned char c : raw) state = (state ^ c) * 1099511628211u;
  fw::AnswerReader reader{std::string(kMarker)};
  for (std::size_t at = 0; at < raw.size();) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    const uint64_t size = state % 8 == 0 ? state % 4096 : state % 5;
    const std::size_t piece = 1 + static_cast<std::size_t>(size);
    reader.Feed(raw.substr(at, piece));
    at += piece;
  }
  fw::HttpAnswer r = reader.Result();
  // What the exchange reads while the answer arrives must agree with the answer.
  if (reader.HeaderEnded() != r.headerComplete || reader.PageBytes() != r.pageBytes) {
    __builtin_trap();
  }
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view raw(reinterpret_cast<const char*>(data), size);
  const fw::HttpAnswer a = fw::ParseHttpAnswer(raw, kMarker);
  if (!a.headerComplete && (a.status != 0 || !a.page.empty() || a.pageBytes != 0)) {
    __builtin_trap();
  }
  if (a.pageBytes > raw.size()) __builtin_trap();
  const std::string_view page = raw.substr(raw.size() - a.pageBytes);
  if (a.page != page.substr(0, fw::AnswerReader::kMaxPage)) __builtin_trap();
  if (a.markerFound != (page.find(kMarker) != std::string_view::npos)) __builtin_trap();

  if (!Same(FedInPieces(raw), a)) __builtin_trap();

  if (a.headerComplete) {
    // An LF where the input held none would rightly switch the line-end rule: add one only
    // where LF line ends already hold.
    const bool lineFeeds = raw.find('\n') != std::string_view::npos;
    const std::string longer = std::string(raw) + (lineFeeds ? "X\r\n\r\n" : "X\r\r");
    const fw::HttpAnswer b = fw::ParseHttpAnswer(longer);
    if (!b.headerComplete || b.status != a.status ||
        b.page.compare(0, a.page.size(), a.page) != 0) {
      __builtin_trap();
    }
  }
  return 0;
}
