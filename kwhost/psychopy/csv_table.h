// The comma-separated table of a PsychoPy data file, read by the rules its writer (Python's
// csv module) follows: cells separated by ',', rows by LF or CRLF; a cell holding a comma, a
// quote or a line break is quoted, its quotes doubled ("a ""b"", c"); a UTF-8 byte-order mark
// may open the text and a trailing comma may close every line (an extra, empty cell).
//
// Written here rather than taken from a library: the reader keeps each cell as a place in
// the file's own text (no copy, no string per cell; only a quoted cell with doubled quotes is
// decoded, into one buffer), finds line ends and commas with memchr, and gives the line each
// row starts on for messages. Debian's C library for CSV copies every cell into a buffer of
// its own through a callback, byte by byte, tells no line numbers, and would have to be
// fetched and built for the Windows cross build.
#ifndef STIMFORGE_KWHOST_PSYCHOPY_CSV_TABLE_H_
#define STIMFORGE_KWHOST_PSYCHOPY_CSV_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace stimforge::kwhost {

// The largest text the reader takes: cells are kept as 31-bit offsets.
inline constexpr size_t kMaxCsvBytes = 0x7fffffff;

class CsvTable {
  // A cell: `size` bytes at `offset` in the text, or in the decoded buffer when the size's
  // top bit is set.
  struct Cell {
    uint32_t offset = 0;
    uint32_t size = 0;
  };
  static constexpr uint32_t kDecoded = 0x80000000u;

 public:
  // Columns: the header's cells, the trailing comma's empty one included.
  size_t columns() const { return columns_; }
  // Rows after the header; blank lines are not rows.
  size_t rows() const { return lines_.empty() ? 0 : lines_.size() - 1; }
  std::string_view header(size_t column) const { return cellAt(0, column); }
  // A cell's text, quotes removed and doubled quotes made single. A row shorter than the
  // header reads "" in its missing cells. Requires: row < rows(), column < columns().
  std::string_view cell(size_t row, size_t column) const { return cellAt(row + 1, column); }
  // The cells of one data row, for a caller that reads many of them (no index arithmetic per
  // cell). Valid while the table is. Requires: row < rows().
  class RowCells {
   public:
    std::string_view operator[](size_t column) const {
      const Cell c = cells_[column];
      const std::string& from = (c.size & kDecoded) != 0 ? *decoded_ : *text_;
      return std::string_view(from.data() + c.offset, c.size & ~kDecoded);
    }

   private:
    friend class CsvTable;
    const Cell* cells_;
    const std::string* text_;
    const std::string* decoded_;
  };
  RowCells rowCells(size_t row) const {
    RowCells r;
    r.cells_ = cells_.data() + (row + 1) * columns_;
    r.text_ = &text_;
    r.decoded_ = &decoded_;
    return r;
  }
  // The line of the file, counted from 1, on which data row `row` begins (a quoted cell with
  // line breaks makes a row span several lines). Requires: row < rows().
  size_t lineOf(size_t row) const { return lines_[row + 1]; }

 private:
  friend class CsvParser;
  friend bool parseCsvTable(std::string text, CsvTable& table, std::string& problem);
  std::string_view cellAt(size_t row, size_t column) const {
    const Cell c = cells_[row * columns_ + column];
    const std::string& from = (c.size & kDecoded) != 0 ? decoded_ : text_;
    return std::string_view(from).substr(c.offset, c.size & ~kDecoded);
  }

  std::string text_;
  std::string decoded_;
  std::vector<Cell> cells_;      // row-major, the header first, columns_ per row
  std::vector<uint32_t> lines_;  // the first line of each row, the header's first
  size_t columns_ = 0;
};

// Reads `text` (a UTF-8 byte-order mark at its start is skipped) into `table`, which keeps
// the text. Returns false with `problem` set, one line in the file's words, when a quoted
// cell is never closed ("line 12: a quoted cell is never closed"), a row has more non-empty
// cells than the header ("line 7 has 12 cells, the header 10"), there is no header, or the
// text is larger than kMaxCsvBytes; `table` is then unspecified. May throw std::bad_alloc.
[[nodiscard]] bool parseCsvTable(std::string text, CsvTable& table, std::string& problem);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_PSYCHOPY_CSV_TABLE_H_
