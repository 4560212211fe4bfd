#include "logimport/presentation_log.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>

#include "host/host_api.h"
#include "logimport/event_fields.h"
#include "logimport/line_reader.h"
#include "text/log_line.h"
#include "text/text_helpers.h"

namespace stimforge {
namespace {

// A log whose lines or events cannot be counted in 32 bits is refused as unreadable, so
// that no count the log reports wraps around.
constexpr int64_t kMaxCount = std::numeric_limits<int32_t>::max();

struct ReadFailure {};

// A hash of a code, eight bytes at a time (codes are short).
uint64_t hashCode(std::string_view code) {
  uint64_t hash = 0x9E3779B97F4A7C15ULL ^ code.size();
  size_t i = 0;
  for (; code.size() - i >= 8; i += 8) {
    uint64_t word = 0;
    std::memcpy(&word, code.data() + i, sizeof word);
    hash = (hash ^ word) * 0xBF58476D1CE4E5B9ULL;
    hash ^= hash >> 31;
  }
  uint64_t tail = 0;
  for (size_t shift = 0; i < code.size(); ++i, shift += 8)
    tail |= uint64_t{static_cast<unsigned char>(code[i])} << shift;
  hash = (hash ^ tail) * 0x94D049BB133111EBULL;
  return hash ^ (hash >> 29);
}

bool isSelectedType(std::string_view eventType, bool pictureOnly) {
  if (eventType == "Picture")
    return true;
  if (pictureOnly)
    return false;
  return eventType == "Sound" || eventType == "Video" || eventType == "Response";
}

// Reads an event line and decides whether it is selected; `time` is set for a selected
// one, and `duration` too when `wantDuration` (counting needs no Duration). Both passes
// decide through this alone, from the line alone, so they select the same events.
bool selectEvent(std::string_view line, bool hasSubjectColumn, bool pictureOnly, bool wantDuration,
                 EventFields& fields, bool& isEvent, double& time, double& duration) {
  isEvent = readLeadingFields(line, hasSubjectColumn, fields);
  if (!isEvent || !isSelectedType(fields.eventType, pictureOnly))
    return false;
  if (wantDuration)
    readTimeAndDuration(line, fields);
  else
    readTime(line, fields);
  // Without a Time the event has no place in the protocol. A missing Duration (Response
  // lines have none; Sound and Video lines an empty one) is 0, never another event's.
  if (!readDecimal(fields.time, time))
    return false;
  if (!wantDuration || !readDecimal(fields.duration, duration))
    duration = 0.0;
  return true;
}

class LogReader {
 public:
  LogReader(LogSource& source, bool hasSubjectColumn, bool pictureOnly)
      : source_(source), hasSubjectColumn_(hasSubjectColumn), pictureOnly_(pictureOnly) {}

  void read(PresentationLog& log) {
    countEvents();
    log.events.reserve(static_cast<size_t>(selected_));
    log.eventTableSize = static_cast<int32_t>(selected_);
    storeEvents(log);
    log.eventCount = static_cast<int32_t>(log.events.size());
  }

 private:
  void countEvents() {
    if (!source_.rewind())
      throw ReadFailure();
    LineReader lines(source_);
    int64_t index = 0;
    int32_t lastTrial = 0;
    std::string_view line;
    LineReader::Result result;
    EventFields fields;  // reset by every read; kept out of the loop, where it costs nothing
    while ((result = lines.next(line)) == LineReader::Result::kLine) {
      if (index >= kFirstEventLine) {
        bool isEvent = false;
        double time = 0.0;
        double duration = 0.0;
        const bool selected = selectEvent(line, hasSubjectColumn_, pictureOnly_, false, fields,
                                          isEvent, time, duration);
        if (isEvent) {
          LogLine text;
          text.text("Trial: ").number(fields.trial).text(" EventType: ").text(fields.eventType);
          text.text(" Code: ").text(fields.code);
          hostApi().kwLogText(text.c_str());
          lastTrial = fields.trial;
          if (selected && ++selected_ > kMaxCount)
            throw ReadFailure();
        }
      }
      if (++index > kMaxCount)
        throw ReadFailure();
    }
    if (result == LineReader::Result::kError)
      throw ReadFailure();
    lineCount_ = index;

    LogLine trials;
    trials.text("Number of trials: ").number(lastTrial);
    trials.text(", Picture/Sound/Video/Response events: ").number(selected_);
    hostApi().kwLogText(trials.c_str());
    LogLine partLines;
    partLines.text("Number of lines in first part of file: ").number(lineCount_);
    hostApi().kwLogText(partLines.c_str());
  }

  void storeEvents(PresentationLog& log) {
    if (!source_.rewind())
      throw ReadFailure();
    LineReader lines(source_);
    const size_t tableSize = static_cast<size_t>(selected_);
    std::string_view line;
    EventFields fields;
    for (int64_t index = 0; index < lineCount_; ++index) {
      const LineReader::Result result = lines.next(line);
      if (result == LineReader::Result::kError)
        throw ReadFailure();
      if (result == LineReader::Result::kEnd)
        break;  // the text changed since the first pass: keep what was stored
      if (index < kFirstEventLine)
        continue;
      bool isEvent = false;
      LogEvent event;
      if (!selectEvent(line, hasSubjectColumn_, pictureOnly_, true, fields, isEvent, event.time,
                       event.duration)) {
        continue;
      }
      if (log.events.size() == tableSize)
        continue;  // the text changed since the first pass: the table never grows
      event.code = log.codes.add(fields.code);
      log.events.push_back(event);
      LogLine text;
      text.text("Trial: ").number(fields.trial).text(", code: ").text(fields.code);
      text.text(", duration: ").rounded(event.duration / 10.0, 15);
      hostApi().kwLogText(text.c_str());
    }
  }

  LogSource& source_;
  const bool hasSubjectColumn_;
  const bool pictureOnly_;
  int64_t selected_ = 0;
  int64_t lineCount_ = 0;
};

}  // namespace

size_t CodeTable::slotOf(std::string_view code, uint64_t hash) const {
  const size_t mask = slots_.size() - 1;
  for (size_t slot = static_cast<size_t>(hash) & mask;; slot = (slot + 1) & mask) {
    const uint32_t entry = slots_[slot];
    if (entry == 0)
      return slot;
    if (hashes_[entry - 1] == hash && views_[entry - 1] == code)
      return slot;
  }
}

void CodeTable::grow() {
  std::vector<uint32_t> larger(slots_.empty() ? 64 : slots_.size() * 2, 0);
  slots_.swap(larger);
  for (uint32_t index = 0; index < codes_.size(); ++index)
    slots_[slotOf(codes_[index], hashes_[index])] = index + 1;
}

uint32_t CodeTable::add(std::string_view code) {
  if (slots_.empty())
    grow();
  const uint64_t hash = hashCode(code);
  size_t slot = slotOf(code, hash);
  if (slots_[slot] != 0)
    return slots_[slot] - 1;
  // Kept at most a quarter full, so that a look-up seldom goes past its first slot.
  if ((codes_.size() + 1) * 4 > slots_.size()) {
    grow();
    slot = slotOf(code, hash);
  }
  // What may fail is done before the new code is entered anywhere.
  hashes_.reserve(codes_.size() + 1);
  views_.reserve(codes_.size() + 1);
  codes_.emplace_back(code);
  const uint32_t index = static_cast<uint32_t>(codes_.size() - 1);
  hashes_.push_back(hash);
  views_.push_back(codes_.back());
  slots_[slot] = index + 1;
  return index;
}

std::optional<PresentationLog> readPresentationLog(LogSource* source, const std::string& path,
                                                   bool hasSubjectColumn, bool pictureOnly) {
  try {
    if (source == nullptr)
      throw ReadFailure();
    PresentationLog log;
    log.path = path;
    LogReader(*source, hasSubjectColumn, pictureOnly).read(log);
    log.baseName = baseNameOf(path, true, false).value_or(std::string());
    return log;
  } catch (...) {
    // A read error, a log too large to count, or no memory for the table or the codes:
    // the caller learns of it only through the result and the line below.
  }
  hostApi().kwLogText("Error while reading Presentation file");
  return std::nullopt;
}

std::optional<PresentationLog> readPresentationLog(const std::string& path, bool hasSubjectColumn,
                                                   bool pictureOnly) {
  std::unique_ptr<LogSource> source;
  try {
    source = openLogSource(path);
  } catch (...) {
    source = nullptr;  // reported below as a log that cannot be read
  }
  return readPresentationLog(source.get(), path, hasSubjectColumn, pictureOnly);
}

}  // namespace stimforge
