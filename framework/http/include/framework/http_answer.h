// Reading an HTTP answer from its bytes, apart from any transport.
//
// Line ends: where the answer holds an LF, a line ends at each LF (a CR right before it belongs to
// the line end); where it holds none, a line ends at each CR. The header block ends at the first
// empty line, however long it is; the status code is the second blank- or tab-separated field of
// the first line read as a decimal number modulo 2^32 (0 when the field does not begin with a
// digit, or when no header block ended); the page is every byte after the empty line.
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

/// Reads an answer as its bytes arrive, in pieces of any size, with bounded memory: it keeps no
/// header bytes at all (the status code is read as the first line goes by), the first kMaxPage
/// bytes of the page, and the marker's length of page bytes to find the marker across piece
/// boundaries. Whatever the answer, it holds at most kMaxPage bytes and twice the marker's length
/// besides its own few.
class AnswerReader {
 public:
  /// Most page bytes kept; the rest is read and searched, then dropped.
  static constexpr std::size_t kMaxPage = std::size_t{1} << 20;

  /// `marker`: the text to look for in the page; empty looks for nothing.
  explicit AnswerReader(std::string marker = {});

  /// Takes the next bytes of the answer.
  void Feed(std::string_view bytes);
  /// Whether the header block has ended (provisionally, see PageBytes).
  bool HeaderEnded() const { return Current().ended; }
  /// Page bytes so far. Before an LF has arrived, an answer whose lines end in CR has its header
  /// block end only provisionally: an LF arriving later reads it anew with LF line ends.
  uint64_t PageBytes() const { return Current().pageBytes; }
  /// The answer as read so far, taken as complete.
  HttpAnswer Result() const;

 private:
  // The answer read with one line-end rule: lines end at LF, or lines end at CR.
  struct Reading {
    enum class Status : uint8_t { LeadBlanks, FirstField, Blanks, Digits, Read };
    enum class Line : uint8_t { Empty, OnlyCr, Text };  // what the current line holds so far

    explicit Reading(char lineEnd) : lineEnd(lineEnd) {}
    void Feed(std::string_view bytes, const std::string& marker);
    void ScanStatus(std::string_view firstLineBytes);
    void TakePage(std::string_view bytes, const std::string& marker);

    char lineEnd;
    bool firstLine = true;
    Status statusStep = Status::LeadBlanks;
    uint32_t status = 0;
    Line line = Line::Empty;
    bool ended = false;
    std::string page;        // the first kMaxPage bytes
    uint64_t pageBytes = 0;
    bool found = false;
    std::string tail;        // the page's last marker-length-minus-one bytes
  };

  const Reading& Current() const { return byCr_ ? *byCr_ : byLf_; }

  std::string marker_;
  Reading byLf_{'\n'};
  std::optional<Reading> byCr_{Reading{'\r'}};  // until the answer shows an LF
};

/// Reads a whole answer at once.
HttpAnswer ParseHttpAnswer(std::string_view raw, std::string_view marker = {});

}  // namespace fw
