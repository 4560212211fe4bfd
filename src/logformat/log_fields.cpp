#include "logformat/log_fields.h"

#include <algorithm>
#include <cstring>

#include "logformat/tab_search.h"


namespace stimforge {
namespace {

// The characters that separate fields on a line without a tab, as formatted input reads
// them.
bool isBlank(char c) {
  // One test of a bit set: space (32) and tab, line feed, vertical tab, form feed and
  // carriage return (9 to 13).
  const unsigned byte = static_cast<unsigned char>(c);
  return byte <= 32 && ((0x100003E00ULL >> byte) & 1) != 0;
}

inline std::string_view trimmed(std::string_view text) {
  if (text.empty() || (!isBlank(text.front()) && !isBlank(text.back())))
    return text;
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && isBlank(text[begin]))
    ++begin;
  while (end > begin && isBlank(text[end - 1]))
    --end;
  return text.substr(begin, end - begin);
}

// Walks the blank-separated fields of a line without a tab, from a given position.
class FieldCursor {
 public:
  FieldCursor(std::string_view line, size_t position) : line_(line), position_(position) {}

  // The next field, or false when the line has no more.
  bool next(std::string_view& field) {
    const char* const data = line_.data();
    const size_t size = line_.size();
    while (position_ < size && isBlank(data[position_]))
      ++position_;
    if (position_ >= size)
      return false;
    const size_t begin = position_;
    while (position_ < size && !isBlank(data[position_]))
      ++position_;
    field = std::string_view(data + begin, position_ - begin);
    return true;
  }

  // Skips `count` fields; false when the line ends first.
  bool skip(int count) {
    std::string_view ignored;
    for (int i = 0; i < count; ++i) {
      if (!next(ignored))
        return false;
    }
    return true;
  }

  size_t position() const { return position_; }

 private:
  std::string_view line_;
  size_t position_;
};

// A text up to its first NUL byte. The host takes names and log lines as NUL-terminated
// texts, so nothing after a NUL could reach it: codes that differ only there would become
// distinct conditions of one name.
std::string_view upToNul(std::string_view field) {
  return field.substr(0, field.find('\0'));
}

constexpr size_t kNotRead = static_cast<size_t>(-1);

// A place of TimeColumns as EventFields keeps it: kNotRead for none or one beyond the limit.
size_t placeKept(int place) {
  return place < 0 || place > kMaxPlaceAfterCode ? kNotRead : static_cast<size_t>(place);
}

// The place's field after Code on a line without a tab, or empty when the line has none.
std::string_view blankFieldAt(std::string_view line, size_t afterCode, size_t place) {
  std::string_view field;
  FieldCursor cursor(line, afterCode);
  if (place == kNotRead || !cursor.skip(static_cast<int>(place)) || !cursor.next(field))
    return std::string_view();
  return field;
}

// Field k after Code on a tab-separated line, from the tabs that readLeadingFields kept,
// or empty when the line has none (k == kNotRead included).
std::string_view tabFieldAfterCode(std::string_view line, const EventFields& fields, size_t k) {
  if (fields.afterCode > line.size() || k > fields.tabsAfterCodeFound)
    return std::string_view();
  const size_t begin = k == 0 ? fields.afterCode : fields.tabsAfterCode[k - 1] + 1;
  const size_t end = k < fields.tabsAfterCodeFound ? fields.tabsAfterCode[k] : line.size();
  return trimmed(std::string_view(line.data() + begin, end - begin));
}

// The same, with `usual` the place that Presentation's own columns give: for it the field
// is found with a constant place, which makes the common case cheap.
template <size_t usual>
std::string_view tabFieldAt(std::string_view line, const EventFields& fields, size_t place) {
  return place == usual ? tabFieldAfterCode(line, fields, usual)
                        : tabFieldAfterCode(line, fields, place);
}

}  // namespace

bool readLeadingFields(std::string_view line, bool hasSubjectColumn, EventFields& fields,
                       const TimeColumns& columns) {
  // Every field but the tab positions, which are read only up to the count set below.
  fields.trial = 0;
  fields.eventType = std::string_view();
  fields.code = std::string_view();
  fields.time = std::string_view();
  fields.duration = std::string_view();
  fields.afterCode = 0;
  fields.tabsAfterCodeFound = 0;
  fields.timePlace = placeKept(columns.time);
  fields.durationPlace = placeKept(columns.duration);
  // Subject (when there is one), Trial, EventType, Code.
  const size_t trialField = hasSubjectColumn ? 1 : 0;
  // The tabs up to the end of Time and Duration are looked for at once: for Presentation's
  // own columns those of Time, TTime, Uncertainty and Duration.
  const int lastPlace = std::min(std::max(columns.time, columns.duration), kMaxPlaceAfterCode);
  TabCursor tabs(line);
  size_t ends[4];  // where Subject (if any), Trial, EventType and Code end
  fields.tabSeparated = tabs.next(ends[0]);
  if (fields.tabSeparated) {
    const size_t codeField = trialField + 2;
    for (size_t k = 1; k < codeField; ++k) {
      if (!tabs.next(ends[k]))
        return false;
    }
    const bool codeIsLast = !tabs.next(ends[codeField]);
    if (codeIsLast)
      ends[codeField] = line.size();
    const auto field = [&](size_t k) {
      const size_t begin = k == 0 ? 0 : ends[k - 1] + 1;
      return trimmed(std::string_view(line.data() + begin, ends[k] - begin));
    };
    if (hasSubjectColumn && field(0).empty() && !columns.emptySubjectIsEvent)
      return false;
    if (!readWholeNumber(field(trialField), fields.trial))
      return false;
    fields.eventType = field(trialField + 1);
    fields.code = field(codeField);
    if (tabs.mayHoldNul()) {  // every byte up to the end of Code has been looked at
      fields.eventType = upToNul(fields.eventType);
      fields.code = upToNul(fields.code);
    }
    fields.eventType = fields.eventType.substr(0, kMaxEventTypeLength);
    fields.code = fields.code.substr(0, kMaxCodeLength);
    if (fields.eventType.empty() || fields.code.empty())
      return false;
    fields.afterCode = codeIsLast ? line.size() + 1 : ends[codeField] + 1;
    // The tabs that end the fields after Code, up to the later of Time and Duration, for
    // readTime and readTimeAndDuration.
    if (!codeIsLast) {
      const size_t wanted = static_cast<size_t>(std::max(lastPlace, 0)) + 1;
      size_t found = 0;
      while (found < wanted && tabs.next(fields.tabsAfterCode[found]))
        ++found;
      fields.tabsAfterCodeFound = found;
    }
    return true;
  }
  FieldCursor cursor(line, 0);
  std::string_view field;
  if (hasSubjectColumn && !cursor.next(field))
    return false;
  if (!cursor.next(field) || !readWholeNumber(field, fields.trial))
    return false;
  if (!cursor.next(field) || upToNul(field).empty())
    return false;
  fields.eventType = upToNul(field).substr(0, kMaxEventTypeLength);
  if (!cursor.next(field) || upToNul(field).empty())
    return false;
  fields.code = upToNul(field).substr(0, kMaxCodeLength);
  fields.afterCode = cursor.position();
  return true;
}

void readTime(std::string_view line, EventFields& fields) {
  fields.time = std::string_view();
  fields.duration = std::string_view();
  if (fields.tabSeparated) {
    fields.time = tabFieldAt<0>(line, fields, fields.timePlace);
    return;
  }
  fields.time = blankFieldAt(line, fields.afterCode, fields.timePlace);
}

void readTimeAndDuration(std::string_view line, EventFields& fields) {
  fields.time = std::string_view();
  fields.duration = std::string_view();
  if (fields.tabSeparated) {
    fields.time = tabFieldAt<0>(line, fields, fields.timePlace);
    fields.duration = tabFieldAt<3>(line, fields, fields.durationPlace);
    return;
  }
  if (fields.timePlace != 0 || fields.durationPlace != 3) {
    fields.time = blankFieldAt(line, fields.afterCode, fields.timePlace);
    fields.duration = blankFieldAt(line, fields.afterCode, fields.durationPlace);
    return;
  }
  // Presentation's own columns: Time, TTime, Uncertainty, Duration, in one walk.
  FieldCursor cursor(line, fields.afterCode);
  if (!cursor.next(fields.time)) {
    fields.time = std::string_view();
    return;
  }
  if (!cursor.skip(2))
    return;
  if (!cursor.next(fields.duration))
    fields.duration = std::string_view();
}

void splitFields(std::string_view line, std::vector<std::string_view>& fields) {
  fields.clear();
  if (line.find('\t') != std::string_view::npos) {
    size_t begin = 0;
    for (;;) {
      const size_t tab = line.find('\t', begin);
      const size_t end = tab == std::string_view::npos ? line.size() : tab;
      fields.push_back(trimmed(line.substr(begin, end - begin)));
      if (tab == std::string_view::npos)
        return;
      begin = tab + 1;
    }
  }
  FieldCursor cursor(line, 0);
  std::string_view field;
  while (cursor.next(field))
    fields.push_back(field);
}

void splitFields(std::string_view line, std::vector<std::string_view>& fields, size_t limit) {
  fields.clear();
  // The first few fields are short: the tabs that end them are looked for eight bytes at a
  // time, a few at once, rather than one search per field.
  constexpr size_t kTabsAtOnce = 8;
  size_t tabs[kTabsAtOnce];
  size_t begin = 0;
  while (fields.size() < limit) {
    const size_t wanted = std::min(kTabsAtOnce, limit - fields.size());
    bool mayHoldNul = false;
    const size_t found = findTabs(line, begin, tabs, wanted, mayHoldNul);
    if (begin == 0 && found == 0)
      break;  // no tab: split at blanks
    for (size_t k = 0; k < found; ++k) {
      fields.push_back(trimmed(line.substr(begin, tabs[k] - begin)));
      begin = tabs[k] + 1;
    }
    if (found < wanted) {
      fields.push_back(trimmed(line.substr(begin)));
      return;
    }
  }
  if (begin > 0 || limit == 0)
    return;
  FieldCursor cursor(line, 0);
  std::string_view field;
  while (fields.size() < limit && cursor.next(field))
    fields.push_back(field);
}

}  // namespace stimforge
