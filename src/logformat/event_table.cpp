#include "logformat/event_table.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "logformat/log_fields.h"
#include "logformat/log_header.h"
#include "logformat/tab_search.h"

// For the few small functions of every line that the compiler would otherwise call.
#if defined(__GNUC__) || defined(__clang__)
#define SF_ALWAYS_INLINE inline __attribute__((always_inline))
#elif defined(_MSC_VER)
#define SF_ALWAYS_INLINE __forceinline
#else
#define SF_ALWAYS_INLINE inline
#endif

namespace stimforge {
namespace {

// Field `place` after Code, or an empty view when the line has no such field.
std::string_view fieldAfterCode(const std::vector<std::string_view>& fields, size_t codeField,
                                int place) {
  if (place < 0)
    return std::string_view();
  const size_t index = codeField + 1 + static_cast<size_t>(place);
  return index < fields.size() ? fields[index] : std::string_view();
}

// Whether a field (trimmed) is an optional sign and digits alone: readWholeNumber has
// already read its number, so this is all that tells "12" from "12abc", without reading
// the field as a LogNumber a second time.
bool onlySignAndDigits(std::string_view field) {
  size_t i = !field.empty() && (field[0] == '+' || field[0] == '-') ? 1 : 0;
  for (; i < field.size(); ++i) {
    if (field[i] < '0' || field[i] > '9')
      return false;
  }
  return true;
}

std::string_view upToNul(std::string_view field) {
  return field.substr(0, field.find('\0'));
}

// The place after Code of the first column called `name` at or after names[from]; -1 when
// there is none, or when it stands beyond what the reader looks at.
int placeOf(const std::vector<std::string>& names, size_t code, size_t from,
            std::string_view name) {
  for (size_t i = from; i < names.size(); ++i) {
    if (names[i] == name) {
      const size_t place = i - code - 1;
      return place <= static_cast<size_t>(kMaxPlaceAfterCode) ? static_cast<int>(place) : -1;
    }
  }
  return -1;
}

size_t afterPlace(size_t code, int place, size_t otherwise) {
  return place < 0 ? otherwise : code + 1 + static_cast<size_t>(place) + 1;
}

// What the lean reads below need of the line splitting, by the same rules: the blanks a
// field of a tab-separated line is trimmed of.
bool isBlank(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string_view trimmed(const char* begin, const char* end) {
  // Most fields have no blank at either end: a byte above ' ' is none.
  if (begin < end && static_cast<unsigned char>(*begin) > ' ' &&
      static_cast<unsigned char>(end[-1]) > ' ')
    return std::string_view(begin, static_cast<size_t>(end - begin));
  while (begin < end && isBlank(*begin))
    ++begin;
  while (end > begin && isBlank(end[-1]))
    --end;
  return std::string_view(begin, static_cast<size_t>(end - begin));
}

// A text up to its first NUL byte; a loop, for the fields are short.
std::string_view beforeNul(std::string_view field) {
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\0')
      return field.substr(0, i);
  }
  return field;
}

// readWholeNumber and onlySignAndDigits at once: an optional sign and digits alone, within
// 32 bits.
bool readTrial(std::string_view field, int32_t& value) {
  size_t i = 0;
  const bool negative = !field.empty() && field[0] == '-';
  if (!field.empty() && (negative || field[0] == '+'))
    ++i;
  if (i == field.size())
    return false;
  const int64_t limit = negative ? int64_t{2147483648} : int64_t{2147483647};
  int64_t magnitude = 0;
  for (; i < field.size(); ++i) {
    const unsigned digit = static_cast<unsigned char>(field[i]) - unsigned{'0'};
    if (digit > 9)
      return false;
    magnitude = magnitude * 10 + digit;
    if (magnitude > limit)
      return false;
  }
  value = static_cast<int32_t>(negative ? -magnitude : magnitude);
  return true;
}

// When the `count` bytes (1 to 8) that end at `end` are all digits, stores their value in
// `value` and returns true. Reads the eight bytes that end at `end`: those before the
// digits count as zeros.
SF_ALWAYS_INLINE bool digitsBefore(const char* end, size_t count, uint64_t& value) {
#if !defined(__BYTE_ORDER__) || __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  constexpr uint64_t kOnes = 0x0101010101010101ULL;
  uint64_t word = 0;
  std::memcpy(&word, end - 8, sizeof word);
  // The first byte in memory is the lowest: the `pad` lowest bytes are not digits of the
  // number, and become '0'.
  const size_t padBits = 8 * (8 - count);
  const uint64_t padMask = padBits == 0 ? 0 : ~uint64_t{0} >> (64 - padBits);
  word = (word & ~padMask) | (kOnes * '0' & padMask);
  return eightDigitsValue(word, value);
#else
  static_cast<void>(end);
  static_cast<void>(count);
  static_cast<void>(value);
  return false;
#endif
}

// readLogNumber into `number` for a field of the line that starts at `lineStart`, with its
// common case first and inline: 1 to 16 digits alone, read eight at a time (a lean read
// takes one or two numbers per line, Presentation's times having 5 to 10 digits).
SF_ALWAYS_INLINE void readNumber(std::string_view field, const char* lineStart,
                                 LogNumber& number) {
  const char* const end = field.data() + field.size();
  const size_t size = field.size();
  uint64_t low = 0;
  uint64_t high = 0;
  const bool whole =
      size >= 1 && size <= 16 && static_cast<size_t>(end - lineStart) >= 16 &&
      digitsBefore(end, std::min<size_t>(size, 8), low) &&
      (size <= 8 || digitsBefore(end - 8, size - 8, high));
  if (whole) {
    number.kind = LogNumber::Kind::kWhole;
    number.whole = static_cast<int64_t>(high * 100000000 + low);
    number.value = static_cast<double>(number.whole);
    return;
  }
  // A column the line lacks, or leaves empty, is the most common of the rest: no call.
  if (field.empty())
    number = LogNumber();
  else
    number = readLogNumber(field);
}

// The lean reads (Time, and Duration when `withDuration`) of a line that holds a tab, as
// readEventRecord reads them from splitFields' fields, with only the tabs they need found.
// Returns false when the line is not an event; sets `general` (and returns false) for what
// the general read handles: a line without a tab, places beyond kMaxPlaceAfterCode.
bool readLeanTabLine(std::string_view line, const EventLayout& layout, bool withDuration,
                     EventRecord& record, bool& general) {
  const size_t trialField = layout.hasSubjectColumn ? 1 : 0;
  const size_t codeField = trialField + 2;
  const EventColumnPlaces& places = layout.places;
  const int last = withDuration ? std::max(places.time, places.duration) : places.time;
  general = last > kMaxPlaceAfterCode;
  if (general)
    return false;
  // The fields the general read splits: up to the later of Time and Duration, each ended
  // by a tab or by the line's end.
  const size_t count = codeField + 1 + static_cast<size_t>(std::max(last, 0)) + 1;
  size_t tabs[4 + kMaxPlaceAfterCode + 1];
  bool mayHoldNul = false;
  const size_t found = findTabs(line, 0, tabs, count, mayHoldNul);
  general = found == 0;
  if (general || found < codeField)
    return false;
  // Field k of the count, given that the line has it (k <= found).
  const char* const data = line.data();
  const auto field = [&](size_t k) {
    const char* begin = data + (k == 0 ? 0 : tabs[k - 1] + 1);
    const char* end = data + (k < found ? tabs[k] : line.size());
    return trimmed(begin, end);
  };
  // Field `place` after Code, or an empty one when the line does not have it.
  const auto afterCode = [&](int place) {
    if (place < 0)
      return std::string_view();
    const size_t k = codeField + 1 + static_cast<size_t>(place);
    return k <= found && k < count ? field(k) : std::string_view();
  };
  record.subject = layout.hasSubjectColumn ? field(0) : std::string_view();
  if (layout.hasSubjectColumn && record.subject.empty() && !layout.emptySubjectIsEvent)
    return false;
  const std::string_view trial = field(trialField);
  if (!readTrial(trial, record.trial))
    return false;
  record.eventType = field(trialField + 1);
  record.code = field(codeField);
  if (mayHoldNul) {
    record.eventType = beforeNul(record.eventType);
    record.code = beforeNul(record.code);
  }
  if (record.eventType.empty() || (record.code.empty() && !layout.emptyCodeIsEvent))
    return false;
  readNumber(afterCode(places.time), data, record.time);
  if (withDuration)
    readNumber(afterCode(places.duration), data, record.duration);
  else
    record.duration = LogNumber();
  return true;
}

}  // namespace

EventLayout eventLayoutFor(const LogHeader& header, bool hasSubjectColumn) {
  EventLayout layout;
  layout.hasSubjectColumn = hasSubjectColumn;
  if (!header.columnNamesFound() || header.subjectFirst() != hasSubjectColumn)
    return layout;
  layout.emptySubjectIsEvent = hasSubjectColumn;
  const std::vector<std::string>& names = header.columnNames;
  const size_t eventType =
      static_cast<size_t>(std::find(names.begin(), names.end(), "Event Type") - names.begin());
  const size_t code = static_cast<size_t>(
      std::find(names.begin() + static_cast<std::ptrdiff_t>(eventType), names.end(), "Code") -
      names.begin());
  EventColumnPlaces& p = layout.places;
  p.time = placeOf(names, code, code + 1, "Time");
  if (p.time < 0) {
    EventLayout own;  // Presentation's own places
    own.hasSubjectColumn = hasSubjectColumn;
    own.emptySubjectIsEvent = layout.emptySubjectIsEvent;
    return own;
  }
  const size_t afterTime = afterPlace(code, p.time, names.size());
  p.ttime = placeOf(names, code, afterTime, "TTime");
  p.uncertainty = placeOf(names, code, afterPlace(code, p.ttime, afterTime), "Uncertainty");
  p.duration = placeOf(names, code, afterTime, "Duration");
  const size_t afterDuration = afterPlace(code, p.duration, afterTime);
  p.durationUncertainty = p.duration < 0 ? -1 : placeOf(names, code, afterDuration, "Uncertainty");
  p.reqTime = placeOf(names, code, afterDuration, "ReqTime");
  p.reqDur = placeOf(names, code, afterDuration, "ReqDur");
  p.stimType = placeOf(names, code, afterDuration, "Stim Type");
  p.pairIndex = placeOf(names, code, afterDuration, "Pair Index");
  layout.placesFromColumnNames = true;
  for (size_t i = code + 1; i < code + 1 + static_cast<size_t>(p.time); ++i)
    layout.properties.push_back(names[i]);
  return layout;
}

bool readEventRecord(std::string_view line, const EventLayout& layout, EventRecord& record,
                     EventColumns columns) {
  const size_t trialField = layout.hasSubjectColumn ? 1 : 0;
  const size_t codeField = trialField + 2;
  const bool all = columns == EventColumns::kAll;
  const bool withDuration = columns == EventColumns::kTimeAndDuration;
  if (!all) {
    // Each from a constant, not chained: a chain reads back what it has just stored.
    const LogNumber missing;
    record.ttime = missing;
    record.uncertainty = missing;
    record.durationUncertainty = missing;
    record.reqTime = missing;
    record.reqDur = missing;
    record.pairIndex = missing;
    record.stimType = std::string_view();
    record.fields.clear();
    // A tab-separated line is read without splitting it; the general read below takes the
    // rest.
    bool general = false;
    if (readLeanTabLine(line, layout, withDuration, record, general))
      return true;
    if (!general)
      return false;
  }
  if (all) {
    splitFields(line, record.fields);
  } else {
    const int last =
        withDuration ? std::max(layout.places.time, layout.places.duration) : layout.places.time;
    splitFields(line, record.fields, codeField + 1 + static_cast<size_t>(std::max(last, 0)) + 1);
  }
  const std::vector<std::string_view>& fields = record.fields;
  if (fields.size() <= codeField)
    return false;
  record.subject = layout.hasSubjectColumn ? fields[0] : std::string_view();
  if (layout.hasSubjectColumn && record.subject.empty() && !layout.emptySubjectIsEvent)
    return false;
  if (!readWholeNumber(fields[trialField], record.trial))
    return false;
  // A whole number and nothing after it: "12abc" is no Trial.
  if (!onlySignAndDigits(fields[trialField]))
    return false;
  record.eventType = upToNul(fields[trialField + 1]);
  record.code = upToNul(fields[codeField]);
  if (record.eventType.empty())
    return false;
  // Only a tab-separated line can hold an empty Code cell: a blank-separated one whose Code
  // begins with a NUL is no event.
  if (record.code.empty() &&
      (!layout.emptyCodeIsEvent || line.find('\t') == std::string_view::npos)) {
    return false;
  }
  const EventColumnPlaces& places = layout.places;
  record.time = readLogNumber(fieldAfterCode(fields, codeField, places.time));
  if (!all) {
    // A line without a tab: the other columns were set missing above.
    record.duration = withDuration
                          ? readLogNumber(fieldAfterCode(fields, codeField, places.duration))
                          : LogNumber();
    record.fields.clear();  // as the tab-separated lines leave it
    return true;
  }
  record.ttime = readLogNumber(fieldAfterCode(fields, codeField, places.ttime));
  record.uncertainty = readLogNumber(fieldAfterCode(fields, codeField, places.uncertainty));
  record.duration = readLogNumber(fieldAfterCode(fields, codeField, places.duration));
  record.durationUncertainty =
      readLogNumber(fieldAfterCode(fields, codeField, places.durationUncertainty));
  record.reqTime = readLogNumber(fieldAfterCode(fields, codeField, places.reqTime));
  record.reqDur = readLogNumber(fieldAfterCode(fields, codeField, places.reqDur));
  record.stimType = fieldAfterCode(fields, codeField, places.stimType);
  record.pairIndex = readLogNumber(fieldAfterCode(fields, codeField, places.pairIndex));
  return true;
}

EventTableReader::EventTableReader(LogSource& source, const EventLayout& layout,
                                   EventColumns columns)
    : source_(source), lines_(source), layout_(layout), columns_(columns) {}

EventTableReader::Result EventTableReader::next(EventRecord& record) {
  if (!started_) {
    started_ = true;
    failed_ = !source_.rewind();
  }
  if (failed_)
    return Result::kError;
  std::string_view line;
  for (;;) {
    const LineReader::Result result = lines_.next(line);
    if (result == LineReader::Result::kError)
      return Result::kError;
    if (result == LineReader::Result::kEnd)
      return Result::kEnd;
    const int64_t index = index_++;
    if (index < kFirstEventLine)
      continue;
    if (readEventRecord(line, layout_, record, columns_)) {
      record.line = index;
      return Result::kEvent;
    }
  }
}

LineReader::Result EventTableReader::nextLineAfterTable(std::string_view& line) {
  if (failed_)
    return LineReader::Result::kError;
  lines_.readPastFirstPart();
  return lines_.next(line);
}

}  // namespace stimforge
