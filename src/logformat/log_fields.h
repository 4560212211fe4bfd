// The fields of a Presentation log's lines, and the columns of an event line.
//
// A line that holds a tab is split at every single tab (Presentation writes its columns
// that way, with empty fields and with values that contain blanks); blanks around a field
// are trimmed, blanks inside it kept. A line without a tab is split at runs of blanks.
// Each column is read on its own: an empty or non-numeric value counts as missing, and no
// value is ever taken over from another line.
// EventType and Code end at a NUL byte, as the host will read them.
#ifndef STIMFORGE_LOGFORMAT_LOG_FIELDS_H_
#define STIMFORGE_LOGFORMAT_LOG_FIELDS_H_

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "logformat/log_numbers.h"

namespace stimforge {

// The longest EventType kept (longer ones are cut) and the longest code kept: the most a
// condition name holds, so that distinct codes stay distinct conditions.
constexpr size_t kMaxEventTypeLength = 99;
constexpr size_t kMaxCodeLength = 255;

// Where Time and Duration stand among the fields after Code (0 is the first after Code):
// Presentation's own columns put them at 0 and 3, stimulus-property columns between Code
// and Time further on. A duration of -1 is a log without a Duration column. Places beyond
// kMaxPlaceAfterCode are not read (the fields count as missing).
struct TimeColumns {
  int time = 0;
  int duration = 3;
  // Whether a tab-separated line whose Subject field is empty (or blank) is still an event:
  // Presentation leaves the cell empty when no subject name was typed. Only for logs whose
  // column names begin with "Subject" (EventLayout::emptySubjectIsEvent).
  bool emptySubjectIsEvent = false;
};
constexpr int kMaxPlaceAfterCode = 27;

// The columns of an event line that the reader uses. The views point into the line.
struct EventFields {
  int32_t trial = 0;
  std::string_view eventType;  // cut to kMaxEventTypeLength
  std::string_view code;       // cut to kMaxCodeLength
  std::string_view time;       // the raw Time field (empty when missing)
  std::string_view duration;   // the raw Duration field (empty when missing)

  // Where readTimeAndDuration goes on: the places of Time and Duration, the line's split and
  // the position after Code; on a tab-separated line also the positions of the tabs after
  // Code up to the one that ends Duration (so the line is searched once).
  size_t timePlace = 0;      // SIZE_MAX when not read
  size_t durationPlace = 3;  // SIZE_MAX when not read
  bool tabSeparated = false;
  size_t afterCode = 0;
  size_t tabsAfterCode[kMaxPlaceAfterCode + 1] = {};
  size_t tabsAfterCodeFound = 0;
};

// Reads the leading columns: Trial, EventType and Code, with Subject first when
// `hasSubjectColumn`. Returns false when the line is not an event: one of them is missing
// or empty (an empty Subject on a tab-separated line aside, when
// `columns.emptySubjectIsEvent`), or Trial is not a whole number within 32 bits. `time` and `duration` are left
// empty; readTimeAndDuration fills them from the places `columns` gives.
[[nodiscard]] bool readLeadingFields(std::string_view line, bool hasSubjectColumn,
                                     EventFields& fields, const TimeColumns& columns = {});

// Finds the raw Time field of an event line, and leaves Duration empty: all that selecting
// an event needs. Requires: `fields` as readLeadingFields filled it from this same line.
void readTime(std::string_view line, EventFields& fields);

// Finds the raw Time and Duration fields of an event line. Requires: `fields` as
// readLeadingFields filled it from this same line. A column the line lacks is left empty.
void readTimeAndDuration(std::string_view line, EventFields& fields);

// The fields of a whole line by the same rules, appended to `fields` (cleared first): split
// at every tab and trimmed when the line holds a tab, else at runs of blanks. May throw
// std::bad_alloc.
void splitFields(std::string_view line, std::vector<std::string_view>& fields);

// The same, but at most the first `limit` fields: the rest of the line is not looked at.
void splitFields(std::string_view line, std::vector<std::string_view>& fields, size_t limit);

}  // namespace stimforge

#endif  // STIMFORGE_LOGFORMAT_LOG_FIELDS_H_
