#include "framework/http_answer.h"

#include <algorithm>

namespace fw {
namespace {

int32_t StatusOf(std::string_view firstLine) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  std::size_t i = 0;
  while (i < firstLine.size() && blank(firstLine[i])) ++i;
  while (i < firstLine.size() && !blank(firstLine[i])) ++i;
  while (i < firstLine.size() && blank(firstLine[i])) ++i;
  uint32_t v = 0;
  for (; i < firstLine.size() && firstLine[i] >= '0' && firstLine[i] <= '9'; ++i) {
    v = v * 10u + static_cast<uint32_t>(firstLine[i] - '0');
  }
  return static_cast<int32_t>(v);
}

}  // namespace

AnswerReader::AnswerReader(std::string marker) : marker_(std::move(marker)) {}

// Where the page begins in kept_, if the header block has ended within kMaxHeader bytes. Each
// call goes on from where the last one stopped, so a header block arriving a byte at a time is
// read in linear time.
std::optional<std::size_t> AnswerReader::FindHeaderEnd() {
  const std::string_view head = std::string_view(kept_).substr(0, kMaxHeader);
  if (sawLineFeed_) {
    // An empty line: at the start, or right after an LF; CR LF or a bare LF. scanFrom_ is always
    // the start of a line.
    std::size_t lineStart = scanFrom_;
    while (lineStart < head.size()) {
      if (head[lineStart] == '\n') return lineStart + 1;
      if (head[lineStart] == '\r' && lineStart + 1 < head.size() && head[lineStart + 1] == '\n') {
        return lineStart + 2;
      }
      const std::size_t lf = head.find('\n', lineStart);
      if (lf == std::string_view::npos) break;
      lineStart = lf + 1;
    }
    scanFrom_ = lineStart;
    return std::nullopt;
  }
  if (!head.empty() && head[0] == '\r') return 1;
  const std::size_t at = head.find("\r\r", scanFrom_ > 0 ? scanFrom_ - 1 : 0);
  if (at == std::string_view::npos) {
    scanFrom_ = head.size();
    return std::nullopt;
  }
  return at + 2;
}

void AnswerReader::Search(std::string_view page) {
  if (marker_.empty() || found_ || page.empty()) return;
  std::string joined = tail_;
  joined.append(page.substr(0, std::min(page.size(), marker_.size() - 1)));
  if (joined.find(marker_) != std::string::npos || page.find(marker_) != std::string_view::npos) {
    found_ = true;
    return;
  }
  const std::size_t keep = marker_.size() - 1;
  if (page.size() >= keep) {
    tail_.assign(page.substr(page.size() - keep));
  } else {
    tail_ += page;
    tail_.erase(0, tail_.size() > keep ? tail_.size() - keep : 0);
  }
}

void AnswerReader::Feed(std::string_view bytes) {
  if (tooLarge_ || bytes.empty()) return;
  if (!sawLineFeed_ && bytes.find('\n') != std::string_view::npos) {
    sawLineFeed_ = true;
    // A header block that ended at a CR is read anew with LF line ends.
    scanFrom_ = 0;
    bodyStart_.reset();
    found_ = false;
    tail_.clear();
  }
  const std::size_t room = kMaxHeader + kMaxPage - kept_.size();
  const std::size_t keptNow = std::min(room, bytes.size());
  kept_.append(bytes.substr(0, keptNow));
  total_ += bytes.size();

  if (bodyStart_) {
    Search(bytes);
    return;
  }
  if (std::optional<std::size_t> end = FindHeaderEnd()) {
    // The header block ends within the first kMaxHeader bytes, and every byte before this piece
    // was kept (else the block would have been too large already): the page so far is the rest
    // of kept_ and this piece's unkept remainder.
    bodyStart_ = *end;
    Search(std::string_view(kept_).substr(*end));
    Search(bytes.substr(keptNow));
    return;
  }
  if (total_ > kMaxHeader) {
    tooLarge_ = true;
    kept_.clear();
    kept_.shrink_to_fit();
  }
}

HttpAnswer AnswerReader::Result() const {
  HttpAnswer a;
  if (tooLarge_ || !bodyStart_) return a;
  a.headerComplete = true;
  const std::size_t start = static_cast<std::size_t>(*bodyStart_);
  const std::string_view head = std::string_view(kept_).substr(0, start);
  std::size_t firstEnd = head.find(sawLineFeed_ ? '\n' : '\r');
  std::string_view firstLine = head.substr(0, firstEnd);
  if (sawLineFeed_ && !firstLine.empty() && firstLine.back() == '\r') firstLine.remove_suffix(1);
  a.status = StatusOf(firstLine);
  a.page = kept_.substr(start, kMaxPage);
  a.pageBytes = PageBytes();
  a.markerFound = found_;
  return a;
}

HttpAnswer ParseHttpAnswer(std::string_view raw, std::string_view marker) {
  AnswerReader reader{std::string(marker)};
  reader.Feed(raw);
  return reader.Result();
}

}  // namespace fw
