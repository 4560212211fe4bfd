#include "kwhost/events/table.h"

#include <algorithm>
#include <cstring>

#include "kwhost/common/text_codec.h"

namespace stimforge::kwhost {
namespace {

// "00" to "99": numbers are written two digits at a time, a few numbers per row.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

void putPair(char* at, unsigned pair) {
  std::memcpy(at, kDigitPairs + 2 * pair, 2);
}

// The number of decimal digits of `value`, from the position of its highest bit.
unsigned digitCount(uint64_t value) {
  static constexpr uint64_t kPowers[20] = {1ULL,
                                           10ULL,
                                           100ULL,
                                           1000ULL,
                                           10000ULL,
                                           100000ULL,
                                           1000000ULL,
                                           10000000ULL,
                                           100000000ULL,
                                           1000000000ULL,
                                           10000000000ULL,
                                           100000000000ULL,
                                           1000000000000ULL,
                                           10000000000000ULL,
                                           100000000000000ULL,
                                           1000000000000000ULL,
                                           10000000000000000ULL,
                                           100000000000000000ULL,
                                           1000000000000000000ULL,
                                           10000000000000000000ULL};
#if defined(__GNUC__) || defined(__clang__)
  const auto bits = static_cast<unsigned>(64 - __builtin_clzll(value | 1));
#else
  unsigned bits = 1;
  for (uint64_t rest = value >> 1; rest != 0; rest >>= 1)
    ++bits;
#endif
  // bits * log10(2), which is at most one short of the count (0 has one digit too).
  const unsigned estimate = (bits * 1233) >> 12;
  return estimate + ((value | 1) >= kPowers[estimate] ? 1 : 0);
}

// Writes `value` at `at` and returns the end: at most 20 characters.
char* putUnsigned(char* at, uint64_t value) {
  char* const end = at + digitCount(value);
  char* digits = end;
  while (value >= 100) {
    digits -= 2;
    putPair(digits, static_cast<unsigned>(value % 100));
    value /= 100;
  }
  if (value >= 10)
    putPair(digits - 2, static_cast<unsigned>(value));
  else
    digits[-1] = static_cast<char>('0' + value);
  return end;
}

// The magnitude of a value, unsigned so that the most negative value has one too.
uint64_t magnitudeOf(int64_t value) {
  return value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
}

// A whole number: at most 20 characters.
char* putWhole(char* at, int64_t value) {
  if (value < 0)
    *at++ = '-';
  return putUnsigned(at, magnitudeOf(value));
}

// Microseconds as seconds with four decimals (rounded half away from zero to whole tenths
// of a millisecond, which Presentation's times always are) or six: at most 22 characters.
char* putSeconds(char* at, int64_t micros, int decimals) {
  uint64_t magnitude = magnitudeOf(micros);
  if (decimals == 6) {
    if (micros < 0)
      *at++ = '-';
    at = putUnsigned(at, magnitude / 1000000);
    const auto fraction = static_cast<unsigned>(magnitude % 1000000);
    *at++ = '.';
    putPair(at, fraction / 10000);
    putPair(at + 2, fraction / 100 % 100);
    putPair(at + 4, fraction % 100);
    return at + 6;
  }
  magnitude = magnitude / 100 + (magnitude % 100 >= 50 ? 1 : 0);
  if (micros < 0 && magnitude > 0)
    *at++ = '-';
  at = putUnsigned(at, magnitude / 10000);
  const auto fraction = static_cast<unsigned>(magnitude % 10000);
  *at++ = '.';
  putPair(at, fraction / 100);
  putPair(at + 2, fraction % 100);
  return at + 4;
}

// The longest a number and its tab can be written.
constexpr size_t kMaxNumberCell = 24;

// The texts as cells (tsvCellText), each with the tab before it, in one text: a row copies
// its cells from there, sixteen bytes at once for the short ones, which the padding at the
// end leaves room for.
class Cells {
 public:
  explicit Cells(const EventsTable& table) : places_(table.texts.size()) {
    for (size_t i = 0; i < table.texts.size(); ++i) {
      bool changed = false;
      places_[i].offset = text_.size();
      text_ += '\t';
      text_ += tsvCellText(table.texts[i], changed);
      places_[i].size = text_.size() - places_[i].offset;
    }
    text_.append(kPadding, ' ');
  }

  size_t size(uint32_t text) const { return places_[text].size; }

  // Copies the cell to `at` and returns its end. Requires: kPadding bytes of room at `at`
  // beyond the cell.
  char* put(char* at, uint32_t text) const {
    const Place& place = places_[text];
    if (place.size <= kPadding)
      std::memcpy(at, text_.data() + place.offset, kPadding);
    else
      std::memcpy(at, text_.data() + place.offset, place.size);
    return at + place.size;
  }

  static constexpr size_t kPadding = 16;

 private:
  struct Place {
    size_t offset = 0;
    size_t size = 0;
  };
  std::vector<Place> places_;
  std::string text_;
};

// Cell `row` of an extra column, with the tab before it. Requires: the room of a number
// cell, or of a text cell and Cells::kPadding, at `at`.
char* putExtraCell(char* at, const ExtraColumn& column, size_t row, const Cells& cells,
                   int decimals) {
  if (!column.time)
    return cells.put(at, column.cells[row]);
  *at++ = '\t';
  const int64_t time = column.times[row];
  if (time != kNotApplicable)
    return putSeconds(at, time, decimals);
  std::memcpy(at, "n/a", 3);
  return at + 3;
}

// The most the extra cells of any row take, tabs included.
size_t extraCellsSize(const EventsTable& table, const Cells& cells) {
  // The longest text any cell can hold, without looking at each cell of each row.
  size_t longest = 0;
  for (uint32_t text = 0; text < table.texts.size(); ++text)
    longest = std::max(longest, cells.size(text));
  size_t size = 0;
  for (const ExtraColumn& column : table.extra)
    size += column.time ? kMaxNumberCell : longest;
  return size;
}

}  // namespace

uint32_t EventsTable::addText(std::string text) {
  texts.push_back(std::move(text));
  return static_cast<uint32_t>(texts.size() - 1);
}

std::string eventsHeaderLine(bool logColumns) {
  return logColumns ? "onset\tduration\ttrial_type\tevent_type\tcode\ttrial\n"
                    : "onset\tduration\ttrial_type\n";
}

std::string eventsHeaderLine(const EventsTable& table) {
  std::string line = eventsHeaderLine(table.logColumns);
  for (const ExtraColumn& column : table.extra) {
    line.insert(line.size() - 1, "\t");
    line.insert(line.size() - 1, column.name);
  }
  return line;
}

namespace {

// Puts `cells` in the order `order` gives (order[i]: the index of the new i-th cell).
template <typename T>
void reorder(std::vector<T>& cells, const std::vector<uint32_t>& order) {
  if (cells.empty())
    return;
  std::vector<T> sorted;
  sorted.reserve(order.size());
  for (const uint32_t from : order)
    sorted.push_back(cells[from]);
  cells.swap(sorted);
}

}  // namespace

void sortByOnset(EventsTable& table) {
  const auto earlier = [](const EventRow& a, const EventRow& b) { return a.onset < b.onset; };
  // A log is nearly always in time order already: then there is nothing to move.
  if (std::is_sorted(table.rows.begin(), table.rows.end(), earlier))
    return;
  if (table.extra.empty()) {
    std::stable_sort(table.rows.begin(), table.rows.end(), earlier);
    return;
  }
  // The extra cells follow their rows: the order is found once and applied to each.
  std::vector<uint32_t> order(table.rows.size());
  for (size_t i = 0; i < order.size(); ++i)
    order[i] = static_cast<uint32_t>(i);
  std::stable_sort(order.begin(), order.end(), [&table](uint32_t a, uint32_t b) {
    return table.rows[a].onset < table.rows[b].onset;
  });
  reorder(table.rows, order);
  for (ExtraColumn& column : table.extra) {
    reorder(column.cells, order);
    reorder(column.times, order);
  }
}

std::string secondsText(int64_t micros, int decimals) {
  char text[kMaxNumberCell];
  return std::string(text, putSeconds(text, micros, decimals == 6 ? 6 : 4));
}

std::string tsvCellText(std::string_view text, bool& changed) {
  changed = false;
  if (text.empty())
    return "n/a";
  std::string cell(text);
  for (char& c : cell) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      c = ' ';
      changed = true;
    }
  }
  return cell;
}

void addEventsTsvWarnings(const EventsTable& table, std::set<std::string>& warnings) {
  // Nearly always no text needs a blank: then the rows need not be looked at.
  const bool any = std::any_of(table.texts.begin(), table.texts.end(), [](const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
      const auto byte = static_cast<unsigned char>(c);
      return byte < 0x20 || byte == 0x7F;
    });
  });
  if (!any)
    return;
  // A warning is given only for texts a row writes.
  std::vector<char> used(table.texts.size(), 0);
  for (const EventRow& row : table.rows) {
    used[row.trialType] = 1;
    if (table.logColumns) {
      used[row.eventType] = 1;
      used[row.code] = 1;
    }
  }
  for (const ExtraColumn& column : table.extra) {
    for (const uint32_t cell : column.cells)
      used[cell] = 1;
  }
  for (size_t i = 0; i < table.texts.size(); ++i) {
    bool changed = false;
    if (used[i])
      tsvCellText(table.texts[i], changed);
    if (changed) {
      warnings.insert("the name \"" + escapeLine(table.texts[i]) +
                      "\" holds a tab, line break or control character: written with blanks");
    }
  }
}

bool writeEventsTsv(const EventsTable& table,
                    const std::function<bool(const std::string& piece)>& write) {
  const Cells cells(table);
  constexpr size_t kPiece = size_t{1} << 20;
  // The piece is written in place: `used` bytes of it hold text, the rest is room.
  std::string piece = eventsHeaderLine(table);
  size_t used = piece.size();
  // A small table's first piece is made about its size: the room of a whole piece is
  // cleared when it is made, which a study of a thousand runs would pay a thousand times.
  constexpr size_t kRowRoom = 128;
  piece.resize(std::min(kPiece, used + kRowRoom * (table.rows.size() + 1)));
  constexpr char kNotApplicableCell[] = "n/a";
  int32_t lastTrial = 0;
  char lastTrialText[16];  // its digits (at most 11), copied whole
  size_t lastTrialSize = 0;
  const bool extra = !table.extra.empty();
  const size_t extraSize = extra ? extraCellsSize(table, cells) : 0;
  const int decimals = table.decimals == 6 ? 6 : 4;
  size_t r = 0;  // the row's index, for its extra cells
  for (const EventRow& row : table.rows) {
    // The most the row can take: three numbers, the cells (the last with room to copy
    // sixteen bytes at once) and the line break.
    size_t most = 3 * kMaxNumberCell + cells.size(row.trialType) + Cells::kPadding + 1;
    if (table.logColumns)
      most += cells.size(row.eventType) + cells.size(row.code);
    most += extraSize;
    if (piece.size() - used < most) {
      piece.resize(used);
      if (!write(piece))
        return false;
      used = 0;
      piece.resize(std::max(kPiece, most));
    }
    char* const start = &piece[used];
    char* at = putSeconds(start, row.onset, decimals);
    *at++ = '\t';
    if (row.duration == kNotApplicable) {
      std::memcpy(at, kNotApplicableCell, 3);
      at += 3;
    } else {
      at = putSeconds(at, std::max<int64_t>(row.duration, 0), decimals);
    }
    at = cells.put(at, row.trialType);
    if (table.logColumns) {
      at = cells.put(at, row.eventType);
      at = cells.put(at, row.code);
      *at++ = '\t';
      // Rows of one trial follow one another: its digits are made once.
      if (row.trial != lastTrial || lastTrialSize == 0) {
        lastTrial = row.trial;
        lastTrialSize = static_cast<size_t>(putWhole(lastTrialText, row.trial) - lastTrialText);
      }
      std::memcpy(at, lastTrialText, sizeof lastTrialText);
      at += lastTrialSize;
    }
    if (extra) {
      for (const ExtraColumn& column : table.extra)
        at = putExtraCell(at, column, r, cells, decimals);
    }
    *at++ = '\n';
    used += static_cast<size_t>(at - start);
    ++r;
  }
  piece.resize(used);
  return used == 0 || write(piece);
}

std::string formatEventsTsv(const EventsTable& table, std::set<std::string>& warnings) {
  addEventsTsvWarnings(table, warnings);
  std::string out;
  writeEventsTsv(table, [&out](const std::string& piece) {
    out += piece;
    return true;
  });
  return out;
}

bool isOwnEventsTable(std::string_view firstLine) {
  const std::string line = std::string(firstLine) + "\n";
  if (line == eventsHeaderLine(true) || line == eventsHeaderLine(false))
    return true;
  // A log's fixed columns and then its own.
  std::string fixed = eventsHeaderLine(true);
  fixed.back() = '\t';
  return line.compare(0, fixed.size(), fixed) == 0 && line.size() > fixed.size() + 1;
}

bool isEventsTableStart(std::string_view head) {
  const std::string_view start = "onset\tduration";
  return head.substr(0, start.size()) == start;
}

}  // namespace stimforge::kwhost
