// Patterns over a log's path that tell which BIDS run the log belongs to, such as
// "sub{sub}/ses{ses}/sub{sub}_{task}_run{run}.log". A pattern reads a path relative to the
// study's source folder, with "/" between folders on every system:
//   {entity}  one or more characters other than "/", taken as that entity's value; the
//             entities are those of a functional run (sub, ses, task, acq, ce, rec, dir,
//             run, echo, part). An entity given twice must match the same text both times.
//   *         zero or more characters other than "/", not kept.
//   {{ }}     a literal "{" and "}".
//   /         a folder separator; every other character stands for itself.
// A pattern must capture sub and task, and matches a whole path.
#ifndef STIMFORGE_KWHOST_STUDY_PATH_PATTERN_H_
#define STIMFORGE_KWHOST_STUDY_PATH_PATTERN_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "kwhost/bids/bids_entities.h"

namespace stimforge::kwhost {

// The values one way of reading a path gives, in BIDS entity order (sub, ses, task ...),
// each entity once.
using PatternValues = std::vector<BidsEntity>;

struct PatternMatch {
  enum class Kind {
    kNone,       // the pattern does not match the path
    kOne,        // exactly one set of values: `values`
    kAmbiguous,  // at least two: `values` and `other` are two of them
    kTooMany,    // the pattern can read the path in so many ways that matching stopped
  };
  Kind kind = Kind::kNone;
  PatternValues values;
  PatternValues other;
};

class PathPattern {
 public:
  // Compiles `text` into `pattern`. Returns false with `problem` set to a sentence that
  // names what is wrong and where (column counted from 1): an empty pattern or folder, an
  // unknown or empty placeholder, an unclosed "{", a lone "}", or no {sub} or {task}.
  [[nodiscard]] static bool compile(std::string_view text, PathPattern& pattern,
                                    std::string& problem);

  // The pattern as written.
  const std::string& text() const { return text_; }

  // The entities the pattern captures, in BIDS order.
  const std::vector<std::string>& keys() const { return keys_; }

  // Matches `path` ("/" between folders). Ways that differ only in what "*" takes count as
  // one, since they give the same values. The work is bounded: each folder of the path is
  // matched on its own with remembered partial results, and a path readable in more than a
  // few hundred ways gives kTooMany.
  PatternMatch match(std::string_view path) const;

 private:
  struct Token {
    enum class Kind { kText, kStar, kEntity };
    Kind kind;
    std::string text;  // kText
    size_t key = 0;    // kEntity: the index into keys_
  };
  using Segment = std::vector<Token>;
  // A segment as read, its placeholders still by name.
  using NamedSegment = std::vector<std::pair<Token, std::string>>;

  // Reads `text` into segments (one per folder), marking in `used` the entities (in the
  // order of functionalEntities()) it names. Returns false with `problem` set.
  static bool readSegments(std::string_view text, std::vector<NamedSegment>& segments,
                           std::vector<bool>& used, std::string& problem);

  std::string text_;
  std::vector<std::string> keys_;
  std::vector<Segment> segments_;
};

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_STUDY_PATH_PATTERN_H_
