// The stand-in host's protocol-file parser on any text, and its writer on any protocol: a
// text is either refused with one line that names the file and the line, the protocol
// untouched, or read into a protocol within the records' limits that writes back to a text
// that reads as the same protocol.
#include <algorithm>
#include <string>

#include "fuzz_check.h"
#include "fuzz_input.h"
#include "fuzz_targets.h"
#include "kwhost/protocol/file.h"

namespace stimforge::fuzzing {
namespace {

using kwhost::Protocol;

const char kFileName[] = "C:\\exp\\fuzz.prt";

Protocol untouchedMarker() {
  Protocol p;
  p.fileName = "untouched";
  p.title = "untouched";
  p.conditions.resize(1);
  p.conditions[0].name = "untouched";
  return p;
}

bool holdsNul(const std::string& text) {
  return text.find('\0') != std::string::npos;
}

void checkWithinLimits(const Protocol& p) {
  SF_FUZZ_CHECK(p.title.size() <= kMaxTitleLength && !holdsNul(p.title),
                "a title fits the header's field");
  for (const kwhost::Condition& c : p.conditions) {
    SF_FUZZ_CHECK(c.name.size() <= kMaxConditionNameLength && !holdsNul(c.name),
                  "a condition name fits the record's field");
    SF_FUZZ_CHECK(c.starts.size() == c.ends.size(), "every interval has a start and an end");
  }
}

// Writing `p` and reading it back gives `p`; writing that again gives the same text.
void checkRoundTrip(const Protocol& p) {
  const std::string text = kwhost::formatProtocolText(p);
  Protocol back;
  std::string error;
  SF_FUZZ_CHECK(kwhost::parseProtocolText(text, p.fileName, back, error),
                "a written protocol reads back");
  SF_FUZZ_CHECK(back == p, "a written protocol reads back unchanged");
  SF_FUZZ_CHECK(kwhost::formatProtocolText(back) == text, "and writes the same text again");
}

void parseAnyText(const std::string& text) {
  Protocol protocol = untouchedMarker();
  std::string error;
  if (!kwhost::parseProtocolText(text, kFileName, protocol, error)) {
    SF_FUZZ_CHECK(protocol == untouchedMarker(), "a refused file leaves the protocol untouched");
    const std::string prefix = std::string(kFileName) + ":";
    SF_FUZZ_CHECK(
        error.compare(0, prefix.size(), prefix) == 0 && error.find('\n') == std::string::npos,
        "a refusal is one line that names the file");
    const size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    SF_FUZZ_CHECK(std::stoul(error.substr(prefix.size())) <= lines, "and a line of the file");
    return;
  }
  SF_FUZZ_CHECK(protocol.fileName == kFileName, "the protocol takes the file's name");
  checkWithinLimits(protocol);
  checkRoundTrip(protocol);
}

// A protocol within the limits, from the input (NUL bytes in texts become '?').
Protocol protocolFrom(FuzzInput& input) {
  auto withoutNul = [](std::string text, size_t limit) {
    std::replace(text.begin(), text.end(), '\0', '?');
    return text.substr(0, limit);
  };
  Protocol p;
  p.fileName = kFileName;
  p.title = withoutNul(input.text(), kMaxTitleLength);
  p.timeResolution = input.number();
  p.colour1 = input.number();
  p.colour2 = input.number();
  p.colour3 = input.number();
  p.thickness3 = input.number();
  p.colour4 = input.number();
  p.thickness4 = input.number();
  const size_t conditions = input.byte() % 32;
  for (size_t i = 0; i < conditions && !input.empty(); ++i) {
    kwhost::Condition c;
    c.name = withoutNul(input.text(), kMaxConditionNameLength);
    c.colour = input.number();
    const size_t intervals = input.byte();
    for (size_t j = 0; j < intervals && !input.empty(); ++j) {
      c.starts.push_back(input.number());
      c.ends.push_back(input.number());
    }
    p.conditions.push_back(std::move(c));
  }
  return p;
}

}  // namespace

int fuzzProtocolFile(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  if (input.byte() % 4 == 0) {
    const Protocol p = protocolFrom(input);
    checkWithinLimits(p);
    checkRoundTrip(p);
  } else {
    parseAnyText(input.rest());
  }
  return 0;
}

}  // namespace stimforge::fuzzing
