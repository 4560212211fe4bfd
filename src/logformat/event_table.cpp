#include "logformat/event_table.h"

#include <algorithm>
#include <cstddef>

#include "logformat/log_fields.h"
#include "logformat/log_header.h"

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

}  // namespace

EventLayout eventLayoutFor(const LogHeader& header, bool hasSubjectColumn) {
  EventLayout layout;
  layout.hasSubjectColumn = hasSubjectColumn;
  if (!header.columnNamesFound() || header.subjectFirst() != hasSubjectColumn)
    return layout;
  const std::vector<std::string>& names = header.columnNames;
  const size_t eventType =
      static_cast<size_t>(std::find(names.begin(), names.end(), "Event Type") - names.begin());
  const size_t code = static_cast<size_t>(
      std::find(names.begin() + static_cast<std::ptrdiff_t>(eventType), names.end(), "Code") -
      names.begin());
  EventColumnPlaces& p = layout.places;
  p.time = placeOf(names, code, code + 1, "Time");
  if (p.time < 0)
    return EventLayout{hasSubjectColumn, EventColumnPlaces(), false, {}};
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
  if (layout.hasSubjectColumn && record.subject.empty())
    return false;
  if (!readWholeNumber(fields[trialField], record.trial))
    return false;
  // A whole number and nothing after it: "12abc" is no Trial.
  if (!onlySignAndDigits(fields[trialField]))
    return false;
  record.eventType = upToNul(fields[trialField + 1]);
  record.code = upToNul(fields[codeField]);
  if (record.eventType.empty() || record.code.empty())
    return false;
  const EventColumnPlaces& places = layout.places;
  record.time = readLogNumber(fieldAfterCode(fields, codeField, places.time));
  if (!all) {
    // Each from a constant, not chained: a chain reads back what it has just stored.
    const LogNumber missing;
    record.ttime = missing;
    record.uncertainty = missing;
    record.duration =
        withDuration ? readLogNumber(fieldAfterCode(fields, codeField, places.duration)) : missing;
    record.durationUncertainty = missing;
    record.reqTime = missing;
    record.reqDur = missing;
    record.pairIndex = missing;
    record.stimType = std::string_view();
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

}  // namespace stimforge
