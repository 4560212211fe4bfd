#include "kwhost/psychopy/csv_table.h"

#include <algorithm>
#include <cstring>

namespace stimforge::kwhost {

// Reads the text row by row. A line without a quote (nearly every line PsychoPy writes) is
// split at its commas with memchr; a line with one goes through the quote-aware path, which
// may run over several lines.
class CsvParser {
 public:
  explicit CsvParser(CsvTable& table) : t_(table), s_(table.text_) {}

  bool run(std::string& problem) {
    size_t pos = s_.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    size_t line = 1;
    while (pos < s_.size()) {
      const char* base = s_.data();
      const void* nl = std::memchr(base + pos, '\n', s_.size() - pos);
      const size_t lineEnd = nl ? static_cast<const char*>(nl) - base : s_.size();
      size_t end = lineEnd;
      if (end > pos && s_[end - 1] == '\r')
        --end;
      if (end == pos) {  // a blank line is no row
        pos = lineEnd + 1;
        ++line;
        continue;
      }
      rowStart_ = t_.cells_.size();
      t_.lines_.push_back(static_cast<uint32_t>(line));
      if (std::memchr(base + pos, '"', end - pos) == nullptr) {
        splitPlain(pos, end);
        pos = lineEnd + 1;
        ++line;
      } else if (!quotedRow(pos, line, problem)) {
        return false;
      }
      if (!endRow(problem))
        return false;
    }
    if (t_.lines_.empty()) {
      problem = "the file holds no header line";
      return false;
    }
    return true;
  }

 private:
  void add(size_t offset, size_t size, bool decoded = false) {
    t_.cells_.push_back({static_cast<uint32_t>(offset),
                         static_cast<uint32_t>(size) | (decoded ? CsvTable::kDecoded : 0u)});
  }

  void splitPlain(size_t pos, size_t end) {
    const char* base = s_.data();
    for (;;) {
      const void* comma = std::memchr(base + pos, ',', end - pos);
      if (comma == nullptr) {
        add(pos, end - pos);
        return;
      }
      const size_t at = static_cast<const char*>(comma) - base;
      add(pos, at - pos);
      pos = at + 1;
    }
  }

  // Where the unquoted text from `pos` ends: at the next comma, LF or the end of the text.
  size_t plainEnd(size_t pos) const {
    while (pos < s_.size() && s_[pos] != ',' && s_[pos] != '\n')
      ++pos;
    return pos;
  }
  // The end of a cell's text that ends at `end`: a CR before the line's LF is not part of it.
  size_t withoutCr(size_t begin, size_t end) const {
    const bool cr = end > begin && s_[end - 1] == '\r' && (end == s_.size() || s_[end] == '\n');
    return cr ? end - 1 : end;
  }

  // A row with quotes, from `pos` at its start; `pos` and `line` end after its LF.
  bool quotedRow(size_t& pos, size_t& line, std::string& problem) {
    for (;;) {
      if (pos < s_.size() && s_[pos] == '"') {
        if (!quotedCell(pos, line, problem))
          return false;
      } else {
        const size_t end = plainEnd(pos);
        add(pos, withoutCr(pos, end) - pos);
        pos = end;
      }
      if (pos < s_.size() && s_[pos] == ',') {
        ++pos;
        continue;
      }
      if (pos < s_.size()) {  // the LF
        ++pos;
        ++line;
      }
      return true;
    }
  }

  // A quoted cell from its opening quote at `pos`; `pos` ends at the comma, LF or end after it.
  // Text after the closing quote is kept as Python's reader keeps it ("a"b gives ab).
  bool quotedCell(size_t& pos, size_t& line, std::string& problem) {
    const size_t openLine = line;
    const char* base = s_.data();
    size_t segment = pos + 1;
    size_t q = segment;
    bool decoding = false;
    const size_t decodedStart = t_.decoded_.size();
    for (;;) {
      const void* found = std::memchr(base + q, '"', s_.size() - q);
      if (found == nullptr) {
        problem = "line " + std::to_string(openLine) + ": a quoted cell is never closed";
        return false;
      }
      const size_t at = static_cast<const char*>(found) - base;
      line += static_cast<size_t>(std::count(base + q, base + at, '\n'));
      if (at + 1 < s_.size() && s_[at + 1] == '"') {  // a doubled quote: one quote
        t_.decoded_.append(base + segment, at + 1 - segment);
        decoding = true;
        segment = q = at + 2;
        continue;
      }
      const size_t after = at + 1;
      const size_t end = plainEnd(after);
      const size_t trailing = withoutCr(after, end);
      decoding = decoding || trailing > after;
      if (decoding) {
        t_.decoded_.append(base + segment, at - segment);
        t_.decoded_.append(base + after, trailing - after);
        add(decodedStart, t_.decoded_.size() - decodedStart, true);
      } else {
        add(pos + 1, at - pos - 1);
      }
      pos = end;
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
