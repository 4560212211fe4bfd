// The one-line form of a call to a host entry point: the entry point's name, its arguments
// in parentheses, and " -> " with what the call gave back, e.g.
// "kwGetIntegerInput(<prompt>, 1, 1, 3) -> 2". kwhost writes these lines to its transcript
// (escaped there) and the fake host of the unit tests (tests/support/fake_host.h) records
// them. They only format what each host hands them: which calls a host records, and what
// a call does, stay each host's own.
#ifndef STIMFORGE_KWHOST_HOST_CALL_LINES_H_
#define STIMFORGE_KWHOST_HOST_CALL_LINES_H_

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "host/protocol_records.h"

namespace stimforge::kwhost {

// "entry(a, b, c)".
std::string callLine(std::string_view entry, std::initializer_list<std::string_view> arguments);
// "entry(a, b, c) -> result".
std::string callLine(std::string_view entry, std::initializer_list<std::string_view> arguments,
                     std::string_view result);

// A text or file dialog: "... -> 1 ANSWER" when `result` is 1, else "... -> 0".
std::string dialogLine(std::string_view entry, std::initializer_list<std::string_view> arguments,
                       int result, std::string_view answer);

// "kwGetIntegerInput(PROMPT, DEFAULT, MIN, MAX) -> ANSWER".
std::string integerInputLine(std::string_view prompt, int defaultValue, int minimum, int maximum,
                             int answer);

// "kwSetProtocol(CONDITIONS, FILE, TITLE, RESOLUTION)", the texts up to their NUL or their
// field's end.
std::string setProtocolLine(const ProtocolHeader& header);

// "kwAddProtocolCondition(NAME, 0xCCCCCCCC)", the name up to its NUL or its field's end.
std::string addConditionLine(const ProtocolCondition& condition);

// "kwAddProtocolConditionInterval(INDEX, START, END)".
std::string addIntervalLine(int index, int start, int end);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_HOST_CALL_LINES_H_
