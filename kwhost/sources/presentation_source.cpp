#include "kwhost/sources/presentation_source.h"

#include <algorithm>
#include <map>
#include <new>
#include <utility>

#include "kwhost/common/text_utf8.h"
#include "kwhost/events/run_facts.h"
#include "kwhost/sources/trial_keys.h"
#include "logformat/event_table.h"
#include "logformat/log_check.h"

namespace stimforge::kwhost {
namespace {

bool timeOf(const LogNumber& number, Tenths& time) {
  if (!number.isWhole() || number.whole > kMaxLogTime || number.whole < -kMaxLogTime)
    return false;
  time = number.whole;
  return true;
}

// Room for a row per kBytesPerRow bytes of log: Presentation's event lines are 40 to 90
// bytes long, and not every line is selected. Only the rows filled take memory; a log of
// shorter lines grows the vector past this as usual.
void reserveRows(uint64_t logBytes, std::vector<EventRow>& rows) {
  constexpr uint64_t kBytesPerRow = 64;
  constexpr uint64_t kMaxReserved = uint64_t{1} << 26;
  try {
    rows.reserve(static_cast<size_t>(std::min(logBytes / kBytesPerRow, kMaxReserved)));
  } catch (const std::bad_alloc&) {
    // An estimate the memory does not hold: the rows grow as they come.
  }
}

// What the pass asks of an event type, found once for each distinct type: every line looks
// its type up once, instead of comparing it with the trigger and every type chosen.
struct TypeFacts {
  bool selected = false;
  bool trigger = false;
  bool stimulus = false;        // kept for the check against the scan
  uint32_t index = UINT32_MAX;  // in pass.eventTypes, once a row of the type is kept
};

// The cell a template's column takes in `record`: its Code (place -1) or a stimulus property
// (the field after Code at `place`); empty where the log has none, NA or next.
std::string_view templateCell(const EventRecord& record, size_t codeField, int place) {
  if (place < 0)
    return record.code;
  const size_t index = codeField + 1 + static_cast<size_t>(place);
  std::string_view cell = index < record.fields.size() ? record.fields[index] : std::string_view();
  cell = cell.substr(0, cell.find('\0'));
  return cell == "NA" || cell == "next" ? std::string_view() : cell;
}

// The template filled in for `record`, "n/a" when a cell it names is empty.
uint32_t templateName(const TrialTypeTemplate& tmpl, const std::vector<int>& places,
                      const EventRecord& record, size_t codeField, CodeTable& names) {
  const std::optional<std::string> name =
      expandTrialTypeTemplate(tmpl, [&](size_t k) -> std::optional<std::string_view> {
        const std::string_view cell = templateCell(record, codeField, places[k]);
        return cell.empty() ? std::nullopt : std::optional<std::string_view>(cell);
      });
  return names.add(name ? std::string_view(*name) : std::string_view("n/a"));
}

TypeFacts typeFactsOf(std::string_view eventType, const std::vector<std::string>& types,
                      const TriggerSelection& trigger, bool keepStimuli) {
  TypeFacts facts;
  facts.selected = std::find(types.begin(), types.end(), eventType) != types.end();
  facts.trigger = eventType == trigger.type;
  facts.stimulus = keepStimuli && isStimulusType(eventType);
  return facts;
}

// The table's columns that `names` gives (checked before: the others are no such column).
std::vector<TableColumn> tableColumnsOf(const std::vector<std::string>& names) {
  std::vector<TableColumn> columns;
  for (const std::string& name : names) {
    TableColumn column = TableColumn::kStimType;
    if (tableColumnNamed(name, column))
      columns.push_back(column);
  }
  return columns;
}

// How a row's trial key is found: from its code, or what the template gives.
struct RowNames {
  const TrialTypeTemplate* trialType = nullptr;
  std::vector<int> places;  // of the template's columns
  size_t codeField = 2;

  uint32_t keyOf(const EventRecord& record, const EventRow& row, TrialKeys& keys,
                 SourcePass& pass) const {
    if (trialType == nullptr)
      return keys.keyOf(row.code, row.eventType, record.code.empty());
    return keys.keyOf(templateName(*trialType, places, record, codeField, pass.templateNames),
                      row.eventType, false);
  }
};

}  // namespace

const std::vector<std::string>& presentationDefaultTypes() {
  static const std::vector<std::string> types = {"Picture", "Sound", "Video", "Response"};
  return types;
}

Refusal PresentationSource::defaultTrigger(const SettingWords&, TriggerSelection& trigger) {
  trigger = TriggerSelection{"Pulse", {}};
  return Refusal::none();
}

std::string PresentationSource::triggerText(const TriggerSelection& trigger) const {
  return trigger.type + (trigger.code ? " events with code " + *trigger.code : " events");
}

std::string PresentationSource::timeText(Micros time) const {
  return "Time " + formatMsOfMicros(time) + " ms in the log";
}

std::string PresentationSource::originText(bool described) const {
  return described ? "the scenario's start (Presentation's own origin, Time 0 of the log)"
                   : "the scenario's origin";
}

std::string PresentationSource::nameOrigin(const std::string& name) const {
  if (template_.empty())
    return "the code \"" + name + "\"";
  if (name == "n/a")
    return "the lines with an empty, NA or next cell in a column of the template \"" + template_ +
           "\"";
  return "the lines for which the template \"" + template_ + "\" gives \"" + name + "\"";
}

PresentationSource::PresentationSource(std::unique_ptr<LogSource> source, std::string name)
    : source_(std::move(source)), name_(std::move(name)) {}

Refusal PresentationSource::readHeader() {
  if (headerRead_)
    return Refusal::none();
  std::string problem;
  if (!source_->rewind())
    return Refusal::input(name_ + ": the file cannot be read");
  if (!checkPresentationLog(*source_, problem))
    return Refusal::input(name_ + ": " + problem);
  if (!source_->rewind() || !readLogHeader(*source_, header_))
    return Refusal::input(name_ + ": the file cannot be read");
  headerRead_ = true;
  return Refusal::none();
}

Refusal PresentationSource::checkColumns(const std::vector<std::string>& names) {
  std::vector<TableColumn> columns;
  for (const std::string& name : names) {
    TableColumn column = TableColumn::kStimType;
    if (!tableColumnNamed(name, column))
      return Refusal::usage("\"" + name +
                            "\" is no column of a Presentation log; the columns "
                            "are " +
                            tableColumnNames());
    columns.push_back(column);
  }
  if (columns.empty())
    return Refusal::none();
  const Refusal header = readHeader();
  if (header.refused())
    return header;
  std::string problem;
  if (!checkTableColumns(header_, columns, problem))
    return Refusal::usage(problem);
  return Refusal::none();
}

Refusal PresentationSource::bindTemplate(const SourceRequest& request, const EventLayout& layout,
                                         std::vector<int>& places) const {
  places.clear();
  if (request.trialType == nullptr)
    return Refusal::none();
  std::string known = "{code}";
  for (const std::string& property : layout.properties)
    known += ", {" + propertyColumnName(property) + "}";
  for (const std::string& column : request.trialType->columns()) {
    int place = column == "code" ? -1 : -2;
    for (size_t i = 0; i < layout.properties.size() && place == -2; ++i) {
      const std::string& property = layout.properties[i];
      if (column == propertyColumnName(property) || column == property)
        place = static_cast<int>(i);
    }
    if (place == -2)
      return Refusal::usage(name_ + ": " + request.words->name(Setting::kTrialType) + ": {" +
                            column + "} is no column of the log; it has " + known);
    places.push_back(place);
  }
  return Refusal::none();
}

Refusal PresentationSource::read(const SourceRequest& request, SourcePass& pass) {
  pass = SourcePass();
  columns_.reset();
  columnWarnings_.clear();
  runBlock_.clear();
  template_ = request.trialType != nullptr ? request.trialType->text : "";
  pass.trigger = request.trigger.value_or(TriggerSelection{"Pulse", {}});
  if (!request.rows) {
    // The lean pass of the trigger report: the triggers and stimulus events alone.
    std::string problem;
    pass.triggers.keepStimuli = request.keepStimuli;
    if (!source_->rewind())
      return Refusal::input(name_ + ": the file cannot be read");
    const ReadTriggersResult result =
        readLogTriggers(*source_, *pass.trigger, pass.triggers, problem);
    if (result != ReadTriggersResult::kRead)
      return Refusal::input(name_ + ": " + problem);
    return Refusal::none();
  }
  headerRead_ = false;  // the pass starts after the header, read anew
  Refusal refusal = checkColumns(request.columns);
  if (refusal.refused())
    return refusal;
  refusal = readHeader();
  if (refusal.refused())
    return refusal;
  return readRows(request, pass);
}

// The one pass over the event table: the selected events into `pass.rows` (onset holding the
// Time, code and eventType indexing the pass's raw texts, trialType the pass's keys), their
// extra cells into the column reader, the triggers and stimulus events, the first event of a
// zero code and the block after the table.
Refusal PresentationSource::readRows(const SourceRequest& request, SourcePass& pass) {
  EventLayout layout = eventLayoutFor(header_, header_.subjectFirst());
  layout.emptyCodeIsEvent = true;
  RowNames names;
  const Refusal bound = bindTemplate(request, layout, names.places);
  if (bound.refused())
    return bound;
  names.trialType = request.trialType;
  names.codeField = layout.hasSubjectColumn ? 3 : 2;
  pass.templated = request.trialType != nullptr;
  columns_.emplace(layout, request.propertyColumns, tableColumnsOf(request.columns),
                   columnWarnings_);
  LogColumnReader& columns = *columns_;
  const std::vector<std::string>& types =
      request.types ? *request.types : presentationDefaultTypes();
  reserveRows(request.bytes, pass.rows);
  CodeTable seenTypes;
  std::vector<TypeFacts> typeFacts;
  TrialKeys keys(request.typedKeys, pass.typedKeys);
  // Only the columns an events row takes, unless it has extra ones: far less work than
  // every column of every line.
  EventTableReader reader(
      *source_, layout,
      columns.empty() && !pass.templated ? EventColumns::kTimeAndDuration : EventColumns::kAll);
  const TriggerSelection& trigger = *pass.trigger;
  EventRecord record;
  EventTableReader::Result result;
  while ((result = reader.next(record)) == EventTableReader::Result::kEvent) {
    const uint32_t seen = seenTypes.add(record.eventType);
    if (seen == typeFacts.size())
      typeFacts.push_back(typeFactsOf(record.eventType, types, trigger, request.keepStimuli));
    TypeFacts& type = typeFacts[seen];
    Tenths time = 0;
    const bool timed = timeOf(record.time, time);
    // A line without a Code is no trigger, as `kwhost triggers` reads them.
    const bool isTrigger =
        type.trigger && !record.code.empty() && (!trigger.code || record.code == *trigger.code);
    if (timed && isTrigger)
      pass.triggers.times.push_back(time);
    if (timed && type.stimulus && !isTrigger) {
      pass.triggers.stimuli.push_back(
          {record.line, time, std::string(record.eventType), std::string(record.code)});
    }
    if (request.zeroCode && !pass.codeZero && timed && record.code == *request.zeroCode)
      pass.codeZero = microsOfTenths(time);
    if (!type.selected)
      continue;
    if (isTrigger && !request.keepTriggers) {
      ++pass.triggerRows;
      continue;
    }
    if (!timed) {
      ++pass.withoutTime;
      continue;
    }
    EventRow row;
    row.onset = microsOfTenths(time);
    Tenths duration = 0;
    row.duration = timeOf(record.duration, duration) ? microsOfTenths(std::max<Tenths>(duration, 0))
                                                     : kNotApplicable;
    row.trial = record.trial;
    row.code = pass.codes.add(record.code);
    if (type.index == UINT32_MAX)
      type.index = pass.eventTypes.add(record.eventType);
    row.eventType = type.index;
    row.trialType = names.keyOf(record, row, keys, pass);
    pass.rows.push_back(row);
    if (!columns.empty())
      columns.add(record);
  }
  if (result == EventTableReader::Result::kError)
    return Refusal::input(name_ + ": the file cannot be read");
  // Still the one pass: what follows the table, for the block of JSON about the run that
  // some versions of Presentation write at the end (the version it states, the system).
  runBlock_ = jsonBlockAfterTable(reader);
  return Refusal::none();
}

void PresentationSource::finishColumns(EventsTable& table, std::set<std::string>& warnings) {
  warnings.insert(columnWarnings_.begin(), columnWarnings_.end());
  if (columns_)
    columns_->finish(table, warnings);
}

void PresentationSource::describeColumns(const EventsTable& table,
                                         std::vector<ExtraColumnFacts>& facts) const {
  if (columns_)
    columns_->describe(table, facts);
}

void PresentationSource::describeRun(SidecarFacts& facts, std::set<std::string>& warnings) const {
  facts.logColumns = true;
  facts.program = "Presentation";
  if (!template_.empty())
    facts.trialTypeDescription = "The condition: what the template \"" + template_ +
                                 "\" gives for the event's Code and stimulus properties, or "
                                 "the name a map gave that.";
  facts.scenario = utf8Of(header_.scenario, "the scenario name", warnings);
  facts.writtenLine = utf8Of(header_.writtenLine, "the log's date line", warnings);
  facts.softwareVersion = statedSoftwareVersion(header_);
  if (!runBlock_.empty()) {
    const RunFacts run = runFactsOf(runBlock_);
    if (facts.softwareVersion.empty())
      facts.softwareVersion = run.softwareVersion;
    facts.operatingSystem = run.operatingSystem;  // JSON text: UTF-8 already
  }
}

TriggerAdvice PresentationSource::adviseTrigger() {
  TriggerAdvice advice;
  headerRead_ = false;
  if (readHeader().refused())
    return advice;
  // Every line of the table with a Code and a whole Time, by type and code.
  std::map<std::pair<std::string, std::string>, std::vector<Tenths>> series;
  CodeTable types;
  EventTableReader reader(*source_, eventLayoutFor(header_, header_.subjectFirst()),
                          EventColumns::kUpToTime);
  EventRecord record;
  while (reader.next(record) == EventTableReader::Result::kEvent) {
    if (types.add(record.eventType) == advice.eventTypes.size())
      advice.eventTypes.emplace_back(record.eventType);
    Tenths time = 0;
    if (!record.code.empty() && timeOf(record.time, time))
      series[{std::string(record.eventType), std::string(record.code)}].push_back(time);
  }
  advice.candidates = triggerCandidates(series);
  return advice;
}

}  // namespace stimforge::kwhost
