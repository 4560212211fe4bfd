#include "kwhost/sources/psychopy_source.h"

#include <algorithm>
#include <map>
#include <utility>

#include "kwhost/common/read_file.h"
#include "kwhost/common/text_codec.h"
#include "kwhost/events/log_columns.h"
#include "kwhost/psychopy/cell_values.h"

namespace stimforge::kwhost {
namespace {

std::string listed(const std::vector<std::string>& names, size_t most) {
  std::string text;
  for (size_t i = 0; i < names.size() && i < most; ++i)
    text += (i == 0 ? "" : ", ") + names[i];
  if (names.size() > most)
    text += " and " + std::to_string(names.size() - most) + " more";
  return text;
}

}  // namespace

PsychopySource::PsychopySource(std::string path, std::string name)
    : path_(std::move(path)), name_(std::move(name)) {}

Refusal PsychopySource::load() {
  if (loaded_)
    return loadRefusal_;
  loaded_ = true;
  std::string text;
  std::string error;
  if (!readWholeFile(path_, text, error))
    return loadRefusal_ = Refusal::input(error);
  PsychopyRefusal refusal;
  if (!readPsychopyDataFile(std::move(text), file_, refusal))
    return loadRefusal_ = Refusal::input(name_ + ": " + refusal.message);
  scan_ = keepPsychopyEvents(file_, events_);
  return loadRefusal_;
}

Refusal PsychopySource::defaultTrigger(const SettingWords& words, TriggerSelection& trigger) {
  const Refusal loaded = load();
  if (loaded.refused())
    return loaded;
  if (!found_) {
    PsychopyTrigger found;
    std::string problem;
    if (!findPsychopyTrigger(file_, scan_, nullptr, found, problem))
      return Refusal::input(name_ + ": " + problem + "; give " +
                            words.given(Setting::kTrigger, "COMPONENT") + " (or " +
                            words.given(Setting::kZero, "scenario") +
                            ": time zero at the experiment's start)");
    found_ = std::move(found);
  }
  trigger = TriggerSelection{file_.components[found_->component].name, found_->key};
  return Refusal::none();
}

std::string PsychopySource::triggerText(const TriggerSelection& trigger) const {
  return trigger.type + "'s presses" + (trigger.code ? " of '" + *trigger.code + "'" : "");
}

std::string PsychopySource::timeText(Micros time) const {
  return secondsText(time, 6) + " s in the data file";
}

std::string PsychopySource::originText(bool described) const {
  return described ? "the experiment's start (PsychoPy's own clock, 0 s in the data file)"
                   : "the experiment's start";
}

std::string PsychopySource::zeroCodeText(const std::string& code) const {
  return "the first event of the component \"" + code + "\"";
}

std::string PsychopySource::nameOrigin(const std::string& name) const {
  if (template_.empty())
    return "the component \"" + name + "\"";
  if (name == "n/a")
    return "the rows with an empty, None or nan cell in a column of the template \"" + template_ +
           "\"";
  return "the rows for which the template \"" + template_ + "\" gives \"" + name + "\"";
}

std::vector<PsychopySource::Column> PsychopySource::furtherColumns() const {
  std::vector<Column> columns;
  for (const size_t index : file_.furtherColumns) {
    const std::string name = propertyColumnName(file_.names[index].name);
    const bool taken = std::any_of(columns.begin(), columns.end(),
                                   [&name](const Column& column) { return column.name == name; });
    if (!taken)
      columns.push_back({name, index});
  }
  return columns;
}

Refusal PsychopySource::bindColumns(const std::vector<std::string>& names,
                                    std::vector<Column>& columns) const {
  const std::vector<Column> further = furtherColumns();
  columns.clear();
  for (const std::string& name : names) {
    const auto found = std::find_if(further.begin(), further.end(),
                                    [&name](const Column& column) { return column.name == name; });
    if (found == further.end()) {
      std::vector<std::string> known;
      for (const Column& column : further)
        known.push_back(column.name);
      return Refusal::usage("\"" + escapeLine(name) +
                            "\" is no column of the data file; its columns are " +
                            listed(known, 40));
    }
    columns.push_back(*found);
  }
  return Refusal::none();
}

Refusal PsychopySource::checkColumns(const std::vector<std::string>& columns) {
  const Refusal loaded = load();
  if (loaded.refused() || columns.empty())
    return loaded;
  std::vector<Column> bound;
  return bindColumns(columns, bound);
}

Refusal PsychopySource::bindTemplate(const SourceRequest& request,
                                     std::vector<size_t>& columns) const {
  columns.clear();
  if (request.trialType == nullptr)
    return Refusal::none();
  for (const std::string& name : request.trialType->columns()) {
    int index = file_.findName(name);
    for (size_t i = 0; i < file_.names.size() && index < 0; ++i) {
      if (propertyColumnName(file_.names[i].name) == name)
        index = static_cast<int>(i);
    }
    if (index < 0)
      return Refusal::usage(name_ + ": " + request.words->name(Setting::kTrialType) + ": {" +
                            escapeLine(name) +
                            "} is no column of the data file (its column names are in its "
                            "first line)");
    columns.push_back(static_cast<size_t>(index));
  }
  return Refusal::none();
}

Refusal PsychopySource::resolveTrigger(const SourceRequest& request, PsychopyTrigger& trigger) {
  const TriggerSelection& wanted = *request.trigger;
  if (found_ && wanted.type == file_.components[found_->component].name &&
      wanted.code == found_->key) {
    trigger = *found_;
    return Refusal::none();
  }
  const std::string text = wanted.type + (wanted.code ? ":" + *wanted.code : "");
  const std::string given = name_ + ": " + request.words->given(Setting::kTrigger, text) + ": ";
  PsychopyTriggerChoice choice;
  std::string problem;
  if (!parsePsychopyTriggerChoice(text, choice, problem) ||
      !findPsychopyTrigger(file_, scan_, &choice, trigger, problem))
    return Refusal::usage(given + problem);
  return Refusal::none();
}

Refusal PsychopySource::chooseComponents(const SourceRequest& request,
                                         const PsychopyTrigger* trigger,
                                         std::vector<bool>& chosen) {
  const std::vector<PsychopyComponent>& components = file_.components;
  chosen.assign(components.size(), !request.types);
  if (request.types) {
    for (const std::string& type : *request.types) {
      const auto found = std::find_if(
          components.begin(), components.end(),
          [&type](const PsychopyComponent& component) { return component.name == type; });
      if (found == components.end())
        return Refusal::usage(name_ + ": " + request.words->name(Setting::kTypes) + ": \"" +
                              escapeLine(type) + "\" is no component of the data file");
      chosen[static_cast<size_t>(found - components.begin())] = true;
    }
  } else if (trigger != nullptr) {
    chosen[trigger->component] = false;
  }
  for (const PsychopyOtherClock& other : scan_.otherClock) {
    const bool kept = request.types.has_value() && chosen[other.component];
    chosen[other.component] = kept;
    warnings_.insert(
        name_ + ": " + describeOtherClock(file_, other) +
        (kept ? ": kept as chosen, though its onsets are not on that clock"
              : ": left out (name it in " + request.words->name(Setting::kTypes) + " to keep it)"));
  }
  for (const PsychopyNote& note : scan_.notes) {
    if (chosen[note.component])
      warnings_.insert(name_ + ": " + describePsychopyNote(file_, note));
  }
  return Refusal::none();
}

Refusal PsychopySource::read(const SourceRequest& request, SourcePass& pass) {
  pass = SourcePass();
  passKeys_.clear();
  columns_.clear();
  warnings_.clear();
  template_ = request.trialType != nullptr ? request.trialType->text : "";
  Refusal refusal = load();
  if (!refusal.refused() && consumed_) {
    scan_ = keepPsychopyEvents(file_, events_);  // the same events again
    consumed_ = false;
  }
  PsychopyTrigger trigger;
  if (!refusal.refused() && request.trigger)
    refusal = resolveTrigger(request, trigger);
  if (refusal.refused())
    return refusal;
  const PsychopyTrigger* used = request.trigger ? &trigger : nullptr;
  if (used != nullptr)
    pass.trigger = TriggerSelection{file_.components[trigger.component].name, trigger.key};
  addTriggers(request, used, pass);
  if (!request.rows)
    return Refusal::none();
  std::vector<bool> chosen;
  std::vector<size_t> templateColumns;
  refusal = chooseComponents(request, used, chosen);
  if (!refusal.refused())
    refusal = bindTemplate(request, templateColumns);
  if (!refusal.refused()) {
    refusal = bindColumns(request.columns, columns_);
    if (refusal.refused())
      refusal.message =
          name_ + ": " + request.words->name(Setting::kColumns) + " " + refusal.message;
  }
  if (refusal.refused())
    return refusal;
  addRows(request, used, chosen, templateColumns, pass);
  return Refusal::none();
}

void PsychopySource::describeRun(SidecarFacts& facts, std::set<std::string>&) const {
  const PsychopyRunFacts& run = file_.facts;
  facts.logColumns = false;
  facts.program = "PsychoPy";
  facts.softwareVersion = run.psychopyVersion;
  std::string text = "PsychoPy experiment " + (run.expName.empty() ? "(unnamed)" : run.expName);
  for (const auto& [what, value] :
       {std::pair<const char*, const std::string*>{"participant", &run.participant},
        {"session", &run.session},
        {"date", &run.date}}) {
    if (!value->empty())
      text += std::string(", ") + what + " " + *value;
  }
  facts.runDescription = text;
  facts.durationDescription =
      "Duration of the event in seconds: for a shown event its component's .stopped less its "
      ".started, where both are numbers; or the time to the next event written, as chosen when "
      "the file was written; n/a where there is none (a key press, a component never stopped).";
  facts.trialTypeDescription =
      template_.empty()
          ? "The condition: the event's component, or the name a map gave it."
          : "The condition: what the template \"" + template_ +
                "\" gives for the event's row, n/a where a column it names is empty, None or "
                "nan; or the name a map gave that.";
}

TriggerAdvice PsychopySource::adviseTrigger() {
  TriggerAdvice advice;
  if (load().refused())
    return advice;
  for (const PsychopyComponent& component : file_.components)
    advice.eventTypes.push_back(component.name);
  // Each keyboard's presses by key, in the order of the file (the order the scanner beat in).
  std::map<std::pair<std::string, std::string>, std::vector<Tenths>> series;
  for (const PsychopyKeyboard& keyboard : scan_.keyboards) {
    for (const PsychopyPress& press : keyboard.presses) {
      series[{file_.components[keyboard.component].name,
              scan_.keys[static_cast<size_t>(press.key)]}]
          .push_back(press.onset.roundedMicroseconds() / kMicrosPerTenth);
    }
  }
  advice.candidates = triggerCandidates(series);
  return advice;
}

}  // namespace stimforge::kwhost
