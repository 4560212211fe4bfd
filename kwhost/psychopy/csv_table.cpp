#include "kwhost/psychopy/csv_table.h"

#include <algorithm>
#include <cstring>

#include "kwhost/psychopy/words.h"

namespace stimforge::kwhost {
namespace {

constexpr uint64_t kCommas = words::repeat(',');

// The commas of [from, end) in order, eight bytes at a time: each word's commas are found at
// once and handed out one by one.
class Commas {
 public:
  Commas(const char* base, size_t from, size_t end) : base_(base) { reset(from, end); }

  void reset(size_t from, size_t end) {
    pos_ = from;
    end_ = end;
    mask_ = maskAt(from);
  }

  // The next comma's position, or the end when there is none.
  size_t next() {
    while (mask_ == 0) {
      pos_ += 8;
      if (pos_ >= end_)
        return end_;
      mask_ = maskAt(pos_);
    }
    const size_t at = pos_ + static_cast<size_t>(words::lowestBit(mask_)) / 8;
    mask_ &= mask_ - 1;
    return at;
  }

 private:
  // The top bit of each byte of the word at `at` that is a comma, bytes past the end left out.
  uint64_t maskAt(size_t at) const {
    if (at >= end_)
      return 0;
    if (end_ - at >= 8 && words::littleEndian())
      return words::zeroBytes(words::load(base_ + at) ^ kCommas);
    uint64_t mask = 0;
    for (size_t i = 0; i < 8 && at + i < end_; ++i)
      mask |= base_[at + i] == ',' ? uint64_t{0x80} << (8 * i) : 0;
    return mask;
  }

  const char* base_;
  size_t pos_ = 0, end_ = 0;
  uint64_t mask_ = 0;
};

// The lines of the text, for the cells' room: one memchr per line.
size_t countLines(const std::string& s) {
  size_t lines = 1;
  const char* const end = s.data() + s.size();
  for (const char* p = s.data(); (p = static_cast<const char*>(std::memchr(p, '\n', end - p))); ++p)
    ++lines;
  return lines;
}

}  // namespace

// Reads the text row by row: each line's commas through one scanner; a quote matters only
// where a cell starts, and a quoted cell may run over several lines.
class CsvParser {
 public:
  explicit CsvParser(CsvTable& table) : t_(table), s_(table.text_) {}

  bool run(std::string& problem) {
    size_t pos = s_.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    size_t line = 1;
    while (pos < s_.size()) {
      const size_t lineEnd = lineEndFrom(pos);
      if (lineEnd == pos || (lineEnd == pos + 1 && s_[pos] == '\r')) {  // a blank line: no row
        pos = lineEnd + 1;
        ++line;
        continue;
      }
      if (t_.lines_.size() == 1)  // the header told the columns
        t_.cells_.reserve(t_.columns_ * countLines(s_));
      rowStart_ = t_.cells_.size();
      t_.lines_.push_back(static_cast<uint32_t>(line));
      if (!row(pos, lineEnd, line, problem) || !endRow(problem))
        return false;
    }
    if (t_.lines_.empty()) {
      problem = "the file holds no header line";
      return false;
    }
    return true;
  }

 private:
  size_t lineEndFrom(size_t pos) const {
    const void* nl = std::memchr(s_.data() + pos, '\n', s_.size() - pos);
    return nl ? static_cast<const char*>(nl) - s_.data() : s_.size();
  }

  void add(size_t offset, size_t size, bool decoded = false) {
    t_.cells_.push_back({static_cast<uint32_t>(offset),
                         static_cast<uint32_t>(size) | (decoded ? CsvTable::kDecoded : 0u)});
  }

  // The row from `pos`, whose first line ends at `lineEnd`; `pos` and `line` end past it.
  bool row(size_t& pos, size_t lineEnd, size_t& line, std::string& problem) {
    Commas commas(s_.data(), pos, lineEnd);
    size_t cell = pos;
    for (;;) {
      if (cell < s_.size() && s_[cell] == '"') {
        size_t after = 0;  // the comma, LF or end after the quoted cell
        if (!quotedCell(cell, line, after, problem))
          return false;
        if (after < s_.size() && s_[after] == ',') {
          cell = after + 1;
          lineEnd = after < lineEnd ? lineEnd : lineEndFrom(after);
          commas.reset(cell, lineEnd);
          continue;
        }
        pos = after + 1;
        line += after < s_.size() ? 1 : 0;
        return true;
      }
      const size_t comma = commas.next();
      if (comma < lineEnd) {
        add(cell, comma - cell);
        cell = comma + 1;
        continue;
      }
      const bool cr = lineEnd > cell && s_[lineEnd - 1] == '\r';
      add(cell, lineEnd - cell - (cr ? 1 : 0));
      pos = lineEnd + 1;
      ++line;
      return true;
    }
  }

  // A quoted cell from its opening quote at `at`; `after` is set to the comma, LF or end that
  // follows it. Text after the closing quote is kept, as Python's reader keeps it ("a"b is ab).
  bool quotedCell(size_t at, size_t& line, size_t& after, std::string& problem) {
    const size_t openLine = line;
    const char* base = s_.data();
    size_t segment = at + 1;
    size_t q = segment;
    bool decoding = false;
    const size_t decodedStart = t_.decoded_.size();
    for (;;) {
      const void* found = std::memchr(base + q, '"', s_.size() - q);
      if (found == nullptr) {
        problem = "line " + std::to_string(openLine) + ": a quoted cell is never closed";
        return false;
      }
      const size_t close = static_cast<const char*>(found) - base;
      line += static_cast<size_t>(std::count(base + q, base + close, '\n'));
      if (close + 1 < s_.size() && s_[close + 1] == '"') {  // a doubled quote: one quote
        t_.decoded_.append(base + segment, close + 1 - segment);
        decoding = true;
        segment = q = close + 2;
        continue;
      }
      after = close + 1;
      while (after < s_.size() && s_[after] != ',' && s_[after] != '\n')
        ++after;
      const bool cr =
          after > close + 1 && s_[after - 1] == '\r' && (after == s_.size() || s_[after] == '\n');
      const size_t trailingEnd = cr ? after - 1 : after;
      if (decoding || trailingEnd > close + 1) {
        t_.decoded_.append(base + segment, close - segment);
        t_.decoded_.append(base + close + 1, trailingEnd - close - 1);
        add(decodedStart, t_.decoded_.size() - decodedStart, true);
      } else {
        add(at + 1, close - at - 1);
      }
      return true;
    }
  }

  bool endRow(std::string& problem) {
    const size_t count = t_.cells_.size() - rowStart_;
    if (t_.lines_.size() == 1) {
      t_.columns_ = count;
      return true;
    }
    if (count < t_.columns_) {
      t_.cells_.resize(rowStart_ + t_.columns_);  // the missing cells read ""
      return true;
    }
    for (size_t i = rowStart_ + t_.columns_; i < t_.cells_.size(); ++i) {
      if ((t_.cells_[i].size & ~CsvTable::kDecoded) != 0) {
        problem = "line " + std::to_string(t_.lines_.back()) + " has " + std::to_string(count) +
                  " cells, the header " + std::to_string(t_.columns_);
        return false;
      }
    }
    t_.cells_.resize(rowStart_ + t_.columns_);
    return true;
  }

  CsvTable& t_;
  const std::string& s_;
  size_t rowStart_ = 0;
};

bool parseCsvTable(std::string text, CsvTable& table, std::string& problem) {
  table = CsvTable();
  if (text.size() > kMaxCsvBytes) {
    problem = "the file is larger than 2 GB";
    return false;
  }
  table.text_ = std::move(text);
  return CsvParser(table).run(problem);
}

}  // namespace stimforge::kwhost
