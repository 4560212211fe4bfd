// The Presentation log reader on any text, in both layouts and both selections: it always
// finishes with its summary and a table that holds exactly the events it logs, reads the
// same however the text arrives in chunks, and stays within its table when the text changes
// between its passes or a read fails.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "fuzz_input.h"
#include "fuzz_targets.h"
#include "host/host_api.h"
#include "logformat/log_fields.h"
#include "logimport/import_command.h"
#include "logimport/presentation_log.h"

namespace stimforge::fuzzing {
namespace {

// The reader's log lines go to the host, as in an import.
HostLogSink hostLog;

const char kReadError[] = "Error while reading Presentation file";

std::vector<std::string> gLog;

void keepLogLine(const char* text) {
  gLog.emplace_back(text);
}

// A text served in chunks of at most `chunk` bytes; from its `changeAt`-th rewind on it
// serves `changed`; a read that would go past `failAt` bytes fails, and so does rewind
// number `failRewind`.
class FuzzSource : public LogSource {
 public:
  FuzzSource(std::string text, size_t chunk) : text_(std::move(text)), chunk_(chunk) {}
  int changeAt = -1;
  std::string changed;
  size_t failAt = static_cast<size_t>(-1);
  int failRewind = -1;

  bool rewind() override {
    ++rewinds_;
    position_ = 0;
    if (changeAt >= 0 && rewinds_ >= changeAt)
      text_ = changed;
    return rewinds_ != failRewind;
  }
  bool read(char* buffer, size_t capacity, size_t& count) override {
    count = std::min({capacity, chunk_, text_.size() - position_});
    if (position_ + count > failAt) {
      count = 0;
      return false;
    }
    std::memcpy(buffer, text_.data() + position_, count);
    position_ += count;
    return true;
  }

 private:
  std::string text_;
  size_t chunk_;
  size_t position_ = 0;
  int rewinds_ = 0;
};

struct Read {
  std::optional<PresentationLog> log;
  std::vector<std::string> lines;
};

Read readWith(LogSource& source, bool hasSubjectColumn, bool pictureOnly) {
  gLog.clear();
  Read r;
  r.log =
      readPresentationLog(&source, "C:\\logs\\run1.log", hasSubjectColumn, pictureOnly, hostLog);
  r.lines = gLog;
  // SF_FUZZ_VERBOSE=1 prints what each read logged, to see what an input does.
  static const bool verbose = std::getenv("SF_FUZZ_VERBOSE") != nullptr;
  if (verbose) {
    std::fprintf(stderr, "--- read (subject %d, picture only %d)\n", hasSubjectColumn, pictureOnly);
    for (const std::string& line : r.lines)
      std::fprintf(stderr, "| %s\n", line.c_str());
  }
  return r;
}

bool startsWith(const std::string& s, const char* prefix) {
  return s.compare(0, std::strlen(prefix), prefix) == 0;
}

std::vector<std::string> codesOf(const PresentationLog& log) {
  std::vector<std::string> codes;
  for (const LogEvent& e : log.events)
    codes.push_back(log.codeOf(e));
  return codes;
}

bool sameRead(const Read& a, const Read& b) {
  if (a.lines != b.lines || a.log.has_value() != b.log.has_value())
    return false;
  if (!a.log)
    return true;
  if (a.log->eventCount != b.log->eventCount || a.log->eventTableSize != b.log->eventTableSize ||
      codesOf(*a.log) != codesOf(*b.log))
    return false;
  for (size_t i = 0; i < a.log->events.size(); ++i) {
    const LogEvent& x = a.log->events[i];
    const LogEvent& y = b.log->events[i];
    // Compared as bits: a time may be a NaN-free infinity but never differs between reads.
    if (std::memcmp(&x.time, &y.time, sizeof x.time) != 0 ||
        std::memcmp(&x.duration, &y.duration, sizeof x.duration) != 0)
      return false;
  }
  return true;
}

// What holds for every read that ends with a log: the lines come in their order, the
// summary counts the table, and the table holds what the lines show.
void checkLog(const Read& r, int32_t expectedTableSize) {
  SF_FUZZ_CHECK(r.log.has_value(), "a text in memory is always read");
  const PresentationLog& log = *r.log;
  SF_FUZZ_CHECK(log.path == "C:\\logs\\run1.log" && log.baseName == "run1", "path and base name");
  SF_FUZZ_CHECK(log.eventCount >= 0 && log.eventCount <= log.eventTableSize &&
                    static_cast<size_t>(log.eventCount) == log.events.size(),
                "the table holds eventCount events, no more than it was made for");
  if (expectedTableSize >= 0)
    SF_FUZZ_CHECK(log.eventTableSize == expectedTableSize, "the first pass sizes the table");

  std::set<std::string> distinct;
  for (const LogEvent& e : log.events) {
    SF_FUZZ_CHECK(e.code < log.codes.size(), "every event's code is in the code table");
    const std::string& code = log.codeOf(e);
    SF_FUZZ_CHECK(!code.empty() && code.size() <= kMaxCodeLength, "a code fits a condition name");
    distinct.insert(code);
  }
  SF_FUZZ_CHECK(distinct.size() == log.codes.size(), "the code table holds each code once");

  const auto summary = std::find_if(r.lines.begin(), r.lines.end(), [](const std::string& l) {
    return startsWith(l, "Number of trials: ");
  });
  SF_FUZZ_CHECK(summary != r.lines.end() && summary + 1 != r.lines.end(), "the summary lines");
  SF_FUZZ_CHECK(std::all_of(r.lines.begin(), summary,
                            [](const std::string& l) { return startsWith(l, "Trial: "); }),
                "only event lines come before the summary");
  const std::string events = ", Picture/Sound/Video/Response events: ";
  SF_FUZZ_CHECK(
      summary->size() > events.size() && summary->substr(summary->rfind(events) + events.size()) ==
                                             std::to_string(log.eventTableSize),
      "the summary counts the events the table was made for");
  SF_FUZZ_CHECK(startsWith(summary[1], "Number of lines in first part of file: "),
                "the line count follows");
  SF_FUZZ_CHECK(r.lines.end() - (summary + 2) == log.eventCount, "one line for every stored event");
}

std::string_view upToNul(std::string_view field) {
  return field.substr(0, field.find('\0'));
}

// The leading fields of every tab-separated line, found the fast way (tabs sixteen bytes at
// a time, fields walked from them), against the plain split at every tab.
void checkLeadingFields(const std::string& text, TimeColumns columns) {
  std::vector<std::string_view> split;
  size_t begin = 0;
  while (begin < text.size()) {
    size_t end = text.find('\n', begin);
    if (end == std::string::npos)
      end = text.size();
    std::string_view line(text.data() + begin, end - begin);
    begin = end + 1;
    if (!line.empty() && line.back() == '\r')
      line.remove_suffix(1);
    if (line.find('\t') == std::string_view::npos)
      continue;
    splitFields(line, split);
    for (const bool subject : {false, true}) {
      const size_t trialField = subject ? 1 : 0;
      const size_t codeField = trialField + 2;
      int32_t trial = 0;
      const bool event = split.size() > codeField &&
                         !(subject && split[0].empty() && !columns.emptySubjectIsEvent) &&
                         readWholeNumber(split[trialField], trial) &&
                         !upToNul(split[trialField + 1]).empty() &&
                         !upToNul(split[codeField]).empty();
      EventFields f;
      SF_FUZZ_CHECK(readLeadingFields(line, subject, f, columns) == event,
                    "the fast and the plain split agree on what is an event");
      if (!event)
        continue;
      SF_FUZZ_CHECK(f.trial == trial, "the same Trial");
      SF_FUZZ_CHECK(f.eventType == upToNul(split[trialField + 1]).substr(0, kMaxEventTypeLength),
                    "the same Event Type");
      SF_FUZZ_CHECK(f.code == upToNul(split[codeField]).substr(0, kMaxCodeLength), "the same Code");
      const auto after = [&](int place) {
        const size_t k = codeField + 1 + static_cast<size_t>(place);
        return place < 0 || place > kMaxPlaceAfterCode || k >= split.size() ? std::string_view()
                                                                            : split[k];
      };
      readTimeAndDuration(line, f);
      SF_FUZZ_CHECK(f.time == after(columns.time) && f.duration == after(columns.duration),
                    "the same Time and Duration");
    }
  }
}

}  // namespace

int fuzzLogReader(const uint8_t* data, size_t size) {
  HostApi api;
  api.kwLogText = &keepLogLine;
  setHostApi(api);

  FuzzInput input(data, size);
  const uint8_t flags = input.byte();
  const size_t chunk = 1 + input.byte();
  const int mode = (flags >> 2) % 4;
  const bool hasSubjectColumn = (flags & 1) != 0;
  const bool pictureOnly = (flags & 2) != 0;
  const size_t failAt = static_cast<size_t>(input.number()) & 0xFFFF;
  const std::string text = input.longText();
  const std::string changed = input.rest();
  // Places as a log's column names may give them: Time after up to a few property columns,
  // Duration anywhere after it or missing; an empty Subject cell an event or not.
  checkLeadingFields(text, TimeColumns{flags >> 5, static_cast<int>(chunk % 11) - 1,
                                       (chunk & 0x80) != 0});

  // Every layout and selection, the whole text in one read.
  Read whole[2][2];
  for (int subject = 0; subject < 2; ++subject) {
    for (int picture = 0; picture < 2; ++picture) {
      FuzzSource source(text, text.size() + 1);
      whole[subject][picture] = readWith(source, subject != 0, picture != 0);
      checkLog(whole[subject][picture], -1);
    }
    SF_FUZZ_CHECK(whole[subject][1].log->eventCount <= whole[subject][0].log->eventCount,
                  "Picture alone selects no more than all four types");
  }
  const Read& reference = whole[hasSubjectColumn][pictureOnly];

  FuzzSource source(text, chunk);
  switch (mode) {
    case 0: {
      SF_FUZZ_CHECK(sameRead(readWith(source, hasSubjectColumn, pictureOnly), reference),
                    "chunks read the same as the whole text");
      break;
    }
    case 1: {
      source.changeAt = 2;  // the second pass reads another text
      source.changed = changed;
      checkLog(readWith(source, hasSubjectColumn, pictureOnly), reference.log->eventTableSize);
      break;
    }
    case 2: {
      source.failAt = failAt;
      const Read r = readWith(source, hasSubjectColumn, pictureOnly);
      if (r.log) {
        SF_FUZZ_CHECK(sameRead(r, reference), "a read that did not fail reads as usual");
      } else {
        SF_FUZZ_CHECK(!r.lines.empty() && r.lines.back() == kReadError,
                      "a failed read is reported");
      }
      break;
    }
    default: {
      source.failRewind = 1 + static_cast<int>(failAt % 2);
      const Read r = readWith(source, hasSubjectColumn, pictureOnly);
      SF_FUZZ_CHECK(!r.log && !r.lines.empty() && r.lines.back() == kReadError,
                    "a text that cannot be read again is reported");
      break;
    }
  }

  setHostApi(HostApi{});
  return 0;
}

}  // namespace stimforge::fuzzing
