// What a log says about the program that wrote it: the version of Presentation its header
// or the block of JSON after its event table states, and the system that block names.
#ifndef STIMFORGE_KWHOST_EVENTS_LOG_FACTS_H_
#define STIMFORGE_KWHOST_EVENTS_LOG_FACTS_H_

#include <string>
#include <string_view>

#include "logformat/event_table.h"
#include "logformat/log_header.h"

namespace stimforge::kwhost {

// The version of Presentation that a log's header states, or "" when it states none. Only
// the lines after the "Scenario - " line (line 0) and before the column-name line are
// looked at, and only when both were found. A line states the version when, blanks around
// it trimmed, it begins with "Presentation ", "Presentation version ", "Presentation
// Version ", "Version: " or "Version " and then a version number: digits and dots that
// begin and end with a digit, hold a dot, and end the line or a word ("20.1"; "20.1a" is
// none). The version is that number, with " Build B" after it when the line goes on with
// "Build B", B digits and dots alike (a dot not needed): "Presentation 18.0 Build
// 07.16.15" -> "18.0 Build 07.16.15". Whatever else follows is not taken. The first line
// that states one counts.
std::string statedSoftwareVersion(const LogHeader& header);

// The version that one line states, by the rule above; "" when it states none.
std::string versionStatedBy(std::string_view line);

// What the block of JSON after a log's event table says about the run: the version its
// "app" text states (by the rule above) and its "os" text. Both "" when the block is no
// JSON object or does not say.
struct RunFacts {
  std::string softwareVersion;
  std::string operatingSystem;
};
RunFacts runFactsOf(std::string_view block);

// The first block of JSON after the table `reader` has read to its end: from a line that is
// "{" alone (blanks aside) to the next line that is "}" alone, both included; "" when there
// is none, when it is not closed, or when it is larger than such a block ever is (it is then
// not looked at). May throw std::bad_alloc.
std::string blockAfterTable(EventTableReader& reader);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_EVENTS_LOG_FACTS_H_
