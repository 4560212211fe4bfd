#include "kwhost/design/design_runs.h"

#include <cmath>

namespace stimforge::kwhost {

bool isResponseType(std::string_view eventType) {
  return eventType == "Response" || eventType == "key press" || eventType == "keyboard start";
}

std::vector<DesignEvent> designEventsOfFile(const EventsFile& file, bool chosen) {
  std::vector<DesignEvent> events;
  for (const EventsFileRow& row : file.rows) {
    if (!chosen && (isResponseType(row.eventType) || row.trialType == "n/a"))
      continue;
    events.push_back({row.onset, row.duration, file.hasTrialType ? row.trialType : "events"});
  }
  return events;
}

std::vector<DesignEvent> designEventsOfTable(const EventsTable& table, bool chosen) {
  std::vector<DesignEvent> events;
  events.reserve(table.rows.size());
  // A row's kind: a Presentation log's event type, or the column event_type of a table whose
  // fixed columns are its source's own (a PsychoPy row's event type is its component). A
  // protocol's table has neither: every row is a stimulus.
  const ExtraColumn* kinds = nullptr;
  if (!table.logColumns) {
    for (const ExtraColumn& column : table.extra)
      if (column.name == "event_type" && !column.time)
        kinds = &column;
  }
  for (size_t r = 0; r < table.rows.size(); ++r) {
    const EventRow& row = table.rows[r];
    const std::string& trialType = table.texts[row.trialType];
    const bool response =
        table.logColumns ? isResponseType(table.texts[row.eventType])
                         : kinds != nullptr && isResponseType(table.texts[kinds->cells[r]]);
    if (!chosen && (response || trialType.empty() || trialType == "n/a"))
      continue;
    DesignEvent& event = events.emplace_back();
    event.onset = static_cast<double>(row.onset) / 1e6;
    if (row.duration != kNotApplicable)
      event.duration = static_cast<double>(row.duration < 0 ? 0 : row.duration) / 1e6;
    event.condition = trialType;
  }
  return events;
}

DesignRefusal checkRunDesign(const std::vector<DesignEvent>& events, const DesignChoices& choices,
                             double trSeconds, int64_t volumes, DesignCheck& check,
                             std::string& message) {
  DesignSettings settings;
  settings.trSeconds = trSeconds;
  settings.volumes = volumes;
  settings.conditions = choices.conditions;
  settings.highPassSeconds = choices.highPassSeconds.value_or(settings.highPassSeconds);
  settings.maxVif = choices.maxVif.value_or(settings.maxVif);
  settings.maxCorrelation = choices.maxCorrelation.value_or(settings.maxCorrelation);
  settings.minEvents = choices.minEvents.value_or(settings.minEvents);
  const std::vector<std::string> names = designConditionNames(events, settings.conditions);
  for (const std::string& text : choices.contrasts) {
    DesignContrast contrast;
    if (!parseDesignContrast(text, names, contrast, message))
      return DesignRefusal::kContrasts;
    settings.contrasts.push_back(contrast);
  }
  return checkDesign(events, settings, check, message);
}

DesignWorst worstOf(const DesignCheck& check) {
  DesignWorst worst;
  for (const ConditionFigures& condition : check.conditions) {
    if (condition.vif && (!worst.vif || *condition.vif > *worst.vif)) {
      worst.vif = condition.vif;
      worst.vifCondition = condition.name;
    }
  }
  for (const PairFigures& pair : check.pairs) {
    if (pair.correlation &&
        (!worst.correlation || std::fabs(*pair.correlation) > std::fabs(*worst.correlation))) {
      worst.correlation = pair.correlation;
      worst.firstCondition = check.conditions[pair.first].name;
      worst.secondCondition = check.conditions[pair.second].name;
    }
  }
  return worst;
}

}  // namespace stimforge::kwhost
