#include "framework/http_answer.h"

#include <algorithm>

namespace fw {

AnswerReader::AnswerReader(std::string marker) : marker_(std::move(marker)) {}

void AnswerReader::Reading::Feed(std::string_view bytes, const std::string& marker) {
  std::size_t at = 0;
  while (!ended && at < bytes.size()) {
    const std::size_t end = bytes.find(lineEnd, at);
    const std::string_view text = bytes.substr(at, end == std::string_view::npos ? end : end - at);
    if (firstLine) ScanStatus(text);
    if (!text.empty()) {
      // Under LF line ends a lone CR before the LF is part of the line end, not line text.
      line = lineEnd == '\n' && line == Line::Empty && text == "\r" ? Line::OnlyCr : Line::Text;
    }
    if (end == std::string_view::npos) return;
    at = end + 1;
    if (line != Line::Text) {
      ended = true;
    } else {
      firstLine = false;
      line = Line::Empty;
    }
  }
  TakePage(bytes.substr(at), marker);
}

// The status code as the first line goes by, in as many pieces as it arrives in: skip blanks,
// skip the first field, skip blanks, then read digits up to the first non-digit. A CR that comes
// right before an LF line end is neither blank nor digit, so it cannot change the status.
void AnswerReader::Reading::ScanStatus(std::string_view bytes) {
  for (char c : bytes) {
    const bool blank = c == ' ' || c == '\t';
    switch (statusStep) {
      case Status::LeadBlanks:
        if (!blank) statusStep = Status::FirstField;
        break;
      case Status::FirstField:
        if (blank) statusStep = Status::Blanks;
        break;
      case Status::Blanks:
        if (blank) break;
        statusStep = Status::Digits;
        [[fallthrough]];
      case Status::Digits:
        if (c < '0' || c > '9') {
          statusStep = Status::Read;
          return;
        }
        status = status * 10u + static_cast<uint32_t>(c - '0');
        break;
      case Status::Read:
        return;
    }
  }
}

void AnswerReader::Reading::TakePage(std::string_view bytes, const std::string& marker) {
  if (bytes.empty()) return;
  pageBytes += bytes.size();
  if (page.size() < kMaxPage) {
    const std::string_view kept = bytes.substr(0, kMaxPage - page.size());
    // Grown by doubling, but never past kMaxPage: the bound is the page's, not twice it.
    const std::size_t need = page.size() + kept.size();
    if (page.capacity() < need) {
      page.reserve(std::min(kMaxPage, std::max(need, 2 * page.capacity())));
    }
    page.append(kept);
  }
  if (marker.empty() || found) return;
  // The marker may begin in the kept tail of earlier pieces and end in this one.
  std::string joined = tail;
  joined.append(bytes.substr(0, std::min(bytes.size(), marker.size() - 1)));
  if (joined.find(marker) != std::string::npos || bytes.find(marker) != std::string_view::npos) {
    found = true;
    return;
  }
  const std::size_t keep = marker.size() - 1;
  if (bytes.size() >= keep) {
    tail.assign(bytes.substr(bytes.size() - keep));
  } else {
    tail += bytes;
    tail.erase(0, tail.size() > keep ? tail.size() - keep : 0);
  }
}

void AnswerReader::Feed(std::string_view bytes) {
  // The first LF settles the line-end rule for the whole answer: the reading by CR, and any
  // header block it had ended, is dropped; the reading by LF has seen every byte.
  if (byCr_ && bytes.find('\n') != std::string_view::npos) byCr_.reset();
  byLf_.Feed(bytes, marker_);
  if (byCr_) byCr_->Feed(bytes, marker_);
}

HttpAnswer AnswerReader::Result() const {
  const Reading& r = Current();
  HttpAnswer a;
  if (!r.ended) return a;
  a.headerComplete = true;
  a.status = static_cast<int32_t>(r.status);
  a.page = r.page;
  a.pageBytes = r.pageBytes;
  a.markerFound = r.found;
  return a;
}

HttpAnswer ParseHttpAnswer(std::string_view raw, std::string_view marker) {
  AnswerReader reader{std::string(marker)};
  reader.Feed(raw);
  return reader.Result();
}

}  // namespace fw
