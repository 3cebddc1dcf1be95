// Reading an HTTP answer from its bytes, apart from any transport.
//
// Line ends: where the answer holds an LF, a line ends at each LF (a CR right before it belongs to
// the line end); where it holds none, a line ends at each CR. The header block ends at the first
// empty line; the status code is the second blank- or tab-separated field of the first line read
// as a decimal number modulo 2^32 (0 when the field does not begin with a digit, or when no header
// block ended); the page is every byte after the empty line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fw {

/// What an answer came to.
struct HttpAnswer {
  int32_t status = 0;
  bool headerComplete = false;
  std::string page;          ///< the page's first AnswerReader::kMaxPage bytes
  uint64_t pageBytes = 0;    ///< the page's whole length, kept or not
  bool markerFound = false;  ///< the marker text occurs somewhere in the whole page
};

/// Reads an answer as its bytes arrive, in pieces of any size, with bounded memory: it keeps the
/// header block and the first kMaxPage bytes of the page, and looks for a marker text in the whole
/// page, across piece boundaries.
class AnswerReader {
 public:
  /// Most page bytes kept; the rest is read and searched, then dropped.
  static constexpr std::size_t kMaxPage = std::size_t{1} << 20;
  /// Most header-block bytes; an answer whose header block has not ended by then has none.
  static constexpr std::size_t kMaxHeader = std::size_t{1} << 16;

  /// `marker`: the text to look for in the page; empty looks for nothing.
  explicit AnswerReader(std::string marker = {});

  /// Takes the next bytes of the answer.
  void Feed(std::string_view bytes);
  /// Whether the header block ran past kMaxHeader without ending; later bytes are ignored.
  bool HeaderTooLarge() const { return tooLarge_; }
  /// Whether the header block has ended (provisionally, see PageBytes).
  bool HeaderEnded() const { return bodyStart_.has_value(); }
  /// Page bytes so far. Before an LF has arrived, an answer whose lines end in CR has its header
  /// block end only provisionally: an LF arriving later would read it anew.
  uint64_t PageBytes() const { return bodyStart_ ? total_ - *bodyStart_ : 0; }
  /// The answer as read so far, taken as complete.
  HttpAnswer Result() const;

 private:
  std::optional<std::size_t> FindHeaderEnd();
  void Search(std::string_view pageBytes);

  std::string marker_;
  std::string kept_;                       // the answer's first kMaxHeader + kMaxPage bytes
  uint64_t total_ = 0;                     // bytes fed
  bool sawLineFeed_ = false;
  std::optional<uint64_t> bodyStart_;      // where the page begins, once the header block ended
  std::size_t scanFrom_ = 0;               // where the search for the header block's end goes on
  bool tooLarge_ = false;
  bool found_ = false;
  std::string tail_;                       // the page's last marker-length-minus-one bytes
};

/// Reads a whole answer at once.
HttpAnswer ParseHttpAnswer(std::string_view raw, std::string_view marker = {});

}  // namespace fw
