#include "kwhost/events/log_columns.h"

#include <algorithm>

#include "kwhost/common/log_time.h"
#include "kwhost/common/text_utf8.h"

namespace stimforge::kwhost {
namespace {

struct TableColumnFacts {
  TableColumn column;
  const char* name;
  const char* logName;
  const char* longName;
  int EventColumnPlaces::*place;
  LogNumber EventRecord::*time;  // null for the columns of text and numbers
};

// In the order of TableColumn: factsOf indexes it.
constexpr TableColumnFacts kTableColumns[] = {
    {TableColumn::kStimType, "stim_type", "Stim Type", "Presentation stimulus type",
     &EventColumnPlaces::stimType, nullptr},
    {TableColumn::kPairIndex, "pair_index", "Pair Index", "Presentation pair index",
     &EventColumnPlaces::pairIndex, nullptr},
    {TableColumn::kTTime, "ttime", "TTime", "Time from the trial's start",
     &EventColumnPlaces::ttime, &EventRecord::ttime},
    {TableColumn::kTimeUncertainty, "time_uncertainty", "Uncertainty",
     "Uncertainty of the event's time", &EventColumnPlaces::uncertainty, &EventRecord::uncertainty},
    {TableColumn::kDurationUncertainty, "duration_uncertainty", "Uncertainty",
     "Uncertainty of the event's duration", &EventColumnPlaces::durationUncertainty,
     &EventRecord::durationUncertainty},
    {TableColumn::kReqTime, "req_time", "ReqTime", "Requested time", &EventColumnPlaces::reqTime,
     &EventRecord::reqTime},
    {TableColumn::kReqDur, "req_dur", "ReqDur", "Requested duration", &EventColumnPlaces::reqDur,
     &EventRecord::reqDur},
};

const TableColumnFacts& factsOf(TableColumn column) {
  return kTableColumns[static_cast<size_t>(column)];
}

int placeOf(const EventColumnPlaces& places, TableColumn column) {
  return places.*factsOf(column).place;
}

bool isAsciiAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The names a log's table always has.
constexpr const char* kFixedNames[] = {"onset",      "duration", "trial_type",
                                       "event_type", "code",     "trial"};

// A text column gets Levels up to this many distinct values: beyond, they would describe
// nothing a reader could take in.
constexpr size_t kMaxLevels = 30;

constexpr char kNotApplicableMeaning[] =
    " n/a where the log's cell is empty or holds NA or next, or the line has no such cell.";

}  // namespace

std::string tableColumnNames() {
  std::string names;
  for (const TableColumnFacts& facts : kTableColumns)
    names += std::string(names.empty() ? "" : ", ") + facts.name;
  return names;
}

bool tableColumnNamed(std::string_view name, TableColumn& column) {
  for (const TableColumnFacts& facts : kTableColumns) {
    if (name == facts.name) {
      column = facts.column;
      return true;
    }
  }
  return false;
}

std::string propertyColumnName(std::string_view logName) {
  for (const std::string_view suffix : {"(num)", "(str)"}) {
    if (logName.size() >= suffix.size() &&
        logName.substr(logName.size() - suffix.size()) == suffix) {
      logName.remove_suffix(suffix.size());
      break;
    }
  }
  std::string name;
  for (const char c : logName) {
    if (isAsciiAlnum(c))
      name += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    else if (!name.empty() && name.back() != '_')
      name += '_';
  }
  while (!name.empty() && name.back() == '_')
    name.pop_back();
  return name.empty() ? "column" : name;
}

bool checkTableColumns(const LogHeader& header, const std::vector<TableColumn>& columns,
                       std::string& problem) {
  const EventLayout layout = eventLayoutFor(header, header.subjectFirst());
  if (!layout.placesFromColumnNames) {
    problem = "the log has no line of column names, which these columns need";
    return false;
  }
  std::string has;
  for (const TableColumnFacts& facts : kTableColumns) {
    if (placeOf(layout.places, facts.column) >= 0)
      has += std::string(has.empty() ? "" : ", ") + facts.name;
  }
  for (const TableColumn column : columns) {
    if (placeOf(layout.places, column) < 0) {
      problem = std::string(factsOf(column).name) + ": the log has no such column (" +
                (has.empty() ? std::string("it has none of them") : "it has " + has) + ")";
      return false;
    }
  }
  return true;
}

LogColumnReader::LogColumnReader(const EventLayout& layout, bool properties,
                                 const std::vector<TableColumn>& columns,
                                 std::set<std::string>& warnings)
    : codeField_(layout.hasSubjectColumn ? 3 : 2) {
  std::set<std::string> taken(std::begin(kFixedNames), std::end(kFixedNames));
  const auto plan = [&](Column column) {
    std::string name = column.name;
    for (int n = 2; !taken.insert(name).second; ++n)
      name = column.name + "_" + std::to_string(n);
    if (name != column.name) {
      warnings.insert("the column \"" + column.logName + "\" is written as \"" + name + "\": \"" +
                      column.name + "\" is taken by another column");
      column.name = name;
    }
    columns_.push_back(std::move(column));
  };
  if (properties) {
    for (size_t i = 0; i < layout.properties.size(); ++i) {
      Column column;
      column.logName = layout.properties[i];
      column.name = propertyColumnName(column.logName);
      const std::string& log = column.logName;
      column.kind = log.size() >= 5 && log.compare(log.size() - 5, 5, "(num)") == 0 ? Kind::kNumber
                                                                                    : Kind::kText;
      column.property = true;
      column.place = static_cast<int>(i);
      plan(std::move(column));
    }
  }
  for (const TableColumn which : columns) {
    const TableColumnFacts& facts = factsOf(which);
    Column column;
    column.name = facts.name;
    column.logName = facts.logName;
    column.table = which;
    column.place = placeOf(layout.places, which);
    column.kind = facts.time != nullptr             ? Kind::kTime
                  : which == TableColumn::kStimType ? Kind::kText
                                                    : Kind::kNumber;
    plan(std::move(column));
  }
}

void LogColumnReader::add(const EventRecord& record) {
  for (Column& column : columns_) {
    if (column.kind == Kind::kTime) {
      const LogNumber& number = record.*factsOf(column.table).time;
      const bool exact =
          number.isWhole() && number.whole <= kMaxLogTime && number.whole >= -kMaxLogTime;
      column.times.push_back(exact ? number.whole : kNotApplicable);
      continue;
    }
    const size_t index = codeField_ + 1 + static_cast<size_t>(column.place);
    std::string_view cell =
        index < record.fields.size() ? record.fields[index] : std::string_view();
    cell = cell.substr(0, cell.find('\0'));
    if (cell == "NA" || cell == "next")
      cell = std::string_view();
    column.cells.push_back(column.raw.add(cell));
  }
}

void LogColumnReader::finish(EventsTable& table, std::set<std::string>& warnings) {
  for (Column& column : columns_) {
    ExtraColumn extra;
    extra.name = column.name;
    extra.time = column.kind == Kind::kTime;
    extra.times = std::move(column.times);
    for (int64_t& time : extra.times) {
      if (time != kNotApplicable)
        time = microsOfTenths(time);
    }
    std::vector<uint32_t> textOf(column.raw.size());
    for (uint32_t i = 0; i < column.raw.size(); ++i)
      textOf[i] = table.addText(utf8Of(column.raw[i], "a cell of a log's column", warnings));
    extra.cells.reserve(column.cells.size());
    for (const uint32_t raw : column.cells)
      extra.cells.push_back(textOf[raw]);
    column.cells = std::vector<uint32_t>();
    table.extra.push_back(std::move(extra));
  }
}

void LogColumnReader::describe(const EventsTable& table,
                               std::vector<ExtraColumnFacts>& facts) const {
  for (size_t i = 0; i < columns_.size() && i < table.extra.size(); ++i) {
    const Column& column = columns_[i];
    ExtraColumnFacts described;
    described.name = column.name;
    if (column.property) {
      described.longName = column.logName;
      described.description = "The log's stimulus-property column \"" + column.logName +
                              "\", as the log writes it;" + kNotApplicableMeaning;
    } else {
      described.longName = factsOf(column.table).longName;
      described.description =
          "The log's " + column.logName + " column" +
          (column.table == TableColumn::kTimeUncertainty       ? " after Time"
           : column.table == TableColumn::kDurationUncertainty ? " after Duration"
                                                               : "") +
          (column.kind == Kind::kTime ? ", in seconds;" : ";") + kNotApplicableMeaning;
    }
    described.seconds = column.kind == Kind::kTime;
    if (column.kind == Kind::kText) {
      std::set<std::string> values;
      for (const uint32_t cell : table.extra[i].cells) {
        bool changed = false;
        if (!table.texts[cell].empty())
          values.insert(tsvCellText(table.texts[cell], changed));
        if (values.size() > kMaxLevels)
          break;
      }
      if (values.size() <= kMaxLevels) {
        for (const std::string& value : values)
          described.levels.emplace_back(
              value, "The value \"" + value + "\" of the log's column \"" + column.logName + "\".");
      }
    }
    facts.push_back(std::move(described));
  }
}

}  // namespace stimforge::kwhost
