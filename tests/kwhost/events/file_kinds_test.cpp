// The one recognizer of each kind of file kwhost writes, decided from a file's start.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "kwhost/events/sidecar.h"
#include "kwhost/events/table.h"
#include "kwhost/protocol/file.h"
#include "kwhost/timeline/svg_timeline.h"

namespace stimforge::kwhost {
namespace {

TEST(FileKinds, ProtocolFileStart) {
  struct Case {
    std::string_view head;
    bool protocol;
  };
  const Case cases[] = {
      {"kwhost-protocol 1", true},
      {"kwhost-protocol 1\ntitle \"x\"", true},
      {"kwhost-protocol 1\r\n", true},
      {"kwhost-protocol 12\n", false},
      {"kwhost-protocol 1 \n", false},
      {"kwhost-protocol 1\r\r\n", false},
      {"\xEF\xBB\xBFkwhost-protocol 1\n", false},
      {" kwhost-protocol 1\n", false},
      {"", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(isProtocolFileStart(c.head), c.protocol) << std::string(c.head);
  EXPECT_TRUE(isProtocolFileStart(formatProtocolText(Protocol())));
}

TEST(FileKinds, EventsTables) {
  for (const bool logColumns : {true, false}) {
    std::string header = eventsHeaderLine(logColumns);
    EXPECT_TRUE(isEventsTableStart(header));
    header.pop_back();  // the line break
    EXPECT_TRUE(isOwnEventsTable(header));
    // A log's table may go on with the log's own columns; a protocol's has none.
    EXPECT_EQ(isOwnEventsTable(header + "\tconfiguration"), logColumns);
  }
  // Another program's table is an events table to draw, but not kwhost's own to replace.
  EXPECT_TRUE(isEventsTableStart("onset\tduration\tresponse_time\n"));
  EXPECT_FALSE(isOwnEventsTable("onset\tduration\tresponse_time"));
  EXPECT_FALSE(isEventsTableStart("onset duration\n"));
  EXPECT_FALSE(isOwnEventsTable(""));
}

TEST(FileKinds, SidecarsAndPicturesKwhostMade) {
  SidecarFacts facts;
  EXPECT_TRUE(isOwnEventsSidecar(formatEventsSidecar(facts)));
  EXPECT_FALSE(isOwnEventsSidecar("{\"onset\": {\"Description\": \"Onset\"}}"));
  EXPECT_FALSE(isOwnEventsSidecar("not json"));
  const std::string svg = renderTimelineSvg(Timeline(), TimelineView());
  EXPECT_TRUE(isTimelineSvg(svg));
  EXPECT_FALSE(isTimelineSvg("<svg xmlns=\"http://www.w3.org/2000/svg\">"));
}

}  // namespace
}  // namespace stimforge::kwhost
