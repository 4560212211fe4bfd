#include "kwhost/triggers/log_triggers.h"

#include "logformat/event_table.h"
#include "logformat/log_check.h"
#include "logformat/log_header.h"

namespace stimforge::kwhost {

bool isStimulusType(std::string_view type) {
  return type == "Picture" || type == "Sound" || type == "Video";
}

void LogTriggers::addTrigger(int64_t line, Tenths time) {
  if (!times.empty() && time < times.back()) {
    if (backward++ == 0)
      firstBackward = line;
  }
  times.push_back(time);
  lines.push_back(line);
  // Only the events after the last trigger can lie after it.
  afterLast_.clear();
  afterText_.clear();
}

void LogTriggers::addStimulus(int64_t line, Tenths time, std::string_view type,
                              std::string_view code) {
  ++stimulusEvents;
  if (keepStimuli)
    stimuli.push_back(StimulusEvent{line, time, std::string(type), std::string(code)});
  if (!times.empty() && time < times.front()) {
    if (lateBefore_++ == 0)
      firstLateBefore_ = StimulusEvent{line, time, std::string(type), std::string(code)};
  }
  std::vector<Candidate>& candidates = times.empty() ? beforeFirst_ : afterLast_;
  std::string& text = times.empty() ? beforeText_ : afterText_;
  candidates.push_back(Candidate{line, time, text.size(), static_cast<uint32_t>(type.size()),
                                 static_cast<uint32_t>(code.size())});
  text.append(type);
  text.append(code);
}

StimulusEvent LogTriggers::expand(const Candidate& candidate, const std::string& text) const {
  return StimulusEvent{candidate.line, candidate.time,
                       text.substr(candidate.start, candidate.typeLength),
                       text.substr(candidate.start + candidate.typeLength, candidate.codeLength)};
}

StimulusOutside LogTriggers::outside(Tenths end) const {
  StimulusOutside result;
  if (times.empty())
    return result;
  for (const Candidate& candidate : beforeFirst_) {
    if (candidate.time < times.front() && result.before++ == 0)
      result.firstBefore = expand(candidate, beforeText_);
  }
  if (lateBefore_ > 0 && result.before == 0)
    result.firstBefore = firstLateBefore_;
  result.before += lateBefore_;
  for (const Candidate& candidate : afterLast_) {
    if (candidate.time > end && result.after++ == 0)
      result.firstAfter = expand(candidate, afterText_);
  }
  return result;
}

ReadTriggersResult readLogTriggers(LogSource& source, const TriggerSelection& selection,
                                   LogTriggers& triggers, std::string& problem) {
  const bool keepStimuli = triggers.keepStimuli;
  triggers = LogTriggers();
  triggers.keepStimuli = keepStimuli;
  if (!checkPresentationLog(source, problem))
    return ReadTriggersResult::kNotALog;
  LogHeader header;
  if (!source.rewind() || !readLogHeader(source, header)) {
    problem = "the file cannot be read";
    return ReadTriggersResult::kUnreadable;
  }
  triggers.subjectColumn = header.subjectFirst();
  // Time where the column names put it, when they agree with the layout.
  const EventLayout layout = eventLayoutFor(header, triggers.subjectColumn);
  triggers.propertyColumns = layout.properties;
  EventTableReader reader(source, layout, EventColumns::kUpToTime);
  EventRecord record;
  for (;;) {
    const EventTableReader::Result result = reader.next(record);
    if (result == EventTableReader::Result::kError) {
      problem = "the file cannot be read";
      return ReadTriggersResult::kUnreadable;
    }
    if (result == EventTableReader::Result::kEnd)
      return ReadTriggersResult::kRead;
    if (record.eventType == selection.type && (!selection.code || record.code == *selection.code)) {
      if (record.time.isWhole()) {
        triggers.addTrigger(record.line, record.time.whole);
      } else if (triggers.withoutTime++ == 0) {
        triggers.firstWithoutTime = record.line;
      }
    } else if (isStimulusType(record.eventType) && record.time.isWhole()) {
      triggers.addStimulus(record.line, record.time.whole, record.eventType, record.code);
    }
  }
}

}  // namespace stimforge::kwhost
