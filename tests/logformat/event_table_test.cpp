// The log format layer read from memory, without a host: the header and every column of
// the event lines of real logs' kinds.
#include "logformat/event_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "logformat/log_header.h"
#include "logformat/log_source.h"

namespace stimforge {
namespace {

constexpr char kHeader[] =
    "Scenario - RUN1\r\nLogfile written - 06/23/2018 10:48:44\r\n\r\n"
    "Subject\tTrial\tEvent Type\tCode\tTime\tTTime\tUncertainty\tDuration\tUncertainty\t"
    "ReqTime\tReqDur\tStim Type\tPair Index\r\n\r\n";

// A number as the test tables write it: "-" missing, "~x" a fraction, else a whole number.
std::string shown(const LogNumber& n) {
  if (!n.present())
    return "-";
  if (!n.isWhole())
    return "~" + std::to_string(n.value);
  return std::to_string(n.whole);
}

struct Case {
  const char* line;
  const char* subject;
  int trial;
  const char* eventType;
  const char* code;
  // Time, TTime, Uncertainty, Duration, Uncertainty, ReqTime, ReqDur, Pair Index
  std::vector<std::string> numbers;
  const char* stimType;
};

TEST(EventTable, EveryColumnOfEachKindOfLine) {
  const Case cases[] = {
      {"S1\t0\tPulse\t53\t94239\t94239\t1",
       "S1",
       0,
       "Pulse",
       "53",
       {"94239", "94239", "1", "-", "-", "-", "-", "-"},
       ""},
      {"S1\t3\tResponse\t2\t173479\t1500\t1",
       "S1",
       3,
       "Response",
       "2",
       {"173479", "1500", "1", "-", "-", "-", "-", "-"},
       ""},
      {"S1\t1\tSound\tbeep\t5000\t0\t1\t\t\t0\t\tother\t0",
       "S1",
       1,
       "Sound",
       "beep",
       {"5000", "0", "1", "-", "-", "0", "-", "0"},
       "other"},
      {"S1\t0\tManual\tRead 45 trials\t12\t12\tNA",
       "S1",
       0,
       "Manual",
       "Read 45 trials",
       {"12", "12", "-", "-", "-", "-", "-", "-"},
       ""},
      {"S1\t2\tPicture\tvis\xe4ge\t-9833\t0\t1\t40146\t2\t0\t40000\thit\t7",
       "S1",
       2,
       "Picture",
       "vis\xe4ge",
       {"-9833", "0", "1", "40146", "2", "0", "40000", "7"},
       "hit"},
      {"S1\t2\tPicture\tx\t12.5\t0\t1\tnext\t2\t0\t12abc\tother\t0",
       "S1",
       2,
       "Picture",
       "x",
       {"~12.500000", "0", "1", "-", "2", "0", "-", "0"},
       "other"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EventRecord r;
    EventLayout layout;
    layout.hasSubjectColumn = true;
    ASSERT_TRUE(readEventRecord(c.line, layout, r));
    EXPECT_EQ(r.subject, c.subject);
    EXPECT_EQ(r.trial, c.trial);
    EXPECT_EQ(r.eventType, c.eventType);
    EXPECT_EQ(r.code, c.code);
    EXPECT_EQ(r.stimType, c.stimType);
    const std::vector<std::string> numbers = {shown(r.time),
                                              shown(r.ttime),
                                              shown(r.uncertainty),
                                              shown(r.duration),
                                              shown(r.durationUncertainty),
                                              shown(r.reqTime),
                                              shown(r.reqDur),
                                              shown(r.pairIndex)};
    EXPECT_EQ(numbers, c.numbers);
    // Up to Time: the same event, its leading columns and Time, and nothing after.
    EventRecord lean;
    ASSERT_TRUE(readEventRecord(c.line, layout, lean, EventColumns::kUpToTime));
    EXPECT_EQ(lean.subject, c.subject);
    EXPECT_EQ(lean.trial, c.trial);
    EXPECT_EQ(lean.eventType, c.eventType);
    EXPECT_EQ(lean.code, c.code);
    EXPECT_EQ(shown(lean.time), c.numbers[0]);
    EXPECT_EQ(shown(lean.ttime) + shown(lean.duration) + shown(lean.pairIndex), "---");
    EXPECT_EQ(lean.stimType, "");
    // With Duration: Time and Duration as the full read gives them, nothing else.
    ASSERT_TRUE(readEventRecord(c.line, layout, lean, EventColumns::kTimeAndDuration));
    EXPECT_EQ(shown(lean.time) + " " + shown(lean.duration), c.numbers[0] + " " + c.numbers[3]);
    EXPECT_EQ(shown(lean.ttime) + shown(lean.pairIndex), "--");
  }
}

TEST(EventTable, LinesThatAreNoEvents) {
  EventLayout withSubject;
  withSubject.hasSubjectColumn = true;
  const EventLayout without;
  EventRecord r;
  for (const char* line : {"", "S1\t1\tPicture", "S1\tx\tPicture\ta\t1", "S1\t1\t\ta\t1",
                           "\t1\tPicture\ta\t1", "S1\t12abc\tPicture\ta\t1"}) {
    EXPECT_FALSE(readEventRecord(line, withSubject, r)) << line;
    EXPECT_FALSE(readEventRecord(line, withSubject, r, EventColumns::kUpToTime)) << line;
  }
  // The layout without Subject reads a Subject as the Trial, which is no number.
  EXPECT_FALSE(readEventRecord("S1\t1\tPicture\ta\t1", without, r));
  ASSERT_TRUE(readEventRecord("  4 Picture face 10 0 0 25", without, r, EventColumns::kUpToTime));
  EXPECT_EQ(shown(r.time), "10");
  ASSERT_TRUE(readEventRecord("  4 Picture face 10 0 0 25", without, r));
  EXPECT_EQ(r.code, "face");
  EXPECT_EQ(shown(r.duration), "25");
}

// A Quit line has an empty Code cell: an event only where the reader asks for such lines.
TEST(EventTable, AnEmptyCodeCellIsAnEventOnlyWhenAskedFor) {
  EventLayout layout;
  layout.hasSubjectColumn = true;
  EventRecord r;
  EXPECT_FALSE(readEventRecord("S1\t5\tQuit\t\t123456", layout, r));
  layout.emptyCodeIsEvent = true;
  ASSERT_TRUE(readEventRecord("S1\t5\tQuit\t\t123456", layout, r));
  EXPECT_EQ(r.eventType, "Quit");
  EXPECT_EQ(r.code, "");
  EXPECT_EQ(r.time.whole, 123456);
  EXPECT_FALSE(readEventRecord(std::string("S1 5 Quit \0x 12", 15), layout, r));
  EXPECT_FALSE(readEventRecord("S1\t5\tQuit", layout, r));  // no Code cell at all
}

TEST(EventTable, ReadsTheHeaderAndTheTableToItsEnd) {
  MemoryLogSource source(std::string(kHeader) + "S1\t0\tPulse\t53\t94239\t94239\t1\r\n" +
                         "not an event\r\nS1\t1\tPicture\tface\t95000\t0\t1\t20000\r\n\r\n\r\n" +
                         "S1\t9\tPicture\tafter the table\t1\t0\t1\t1\r\n");
  LogHeader header;
  ASSERT_TRUE(readLogHeader(source, header));
  EXPECT_EQ(header.scenario, "RUN1");
  EXPECT_EQ(header.writtenLine, "Logfile written - 06/23/2018 10:48:44");
  EXPECT_TRUE(header.subjectFirst());
  ASSERT_EQ(header.columnNames.size(), 13u);
  EXPECT_EQ(header.columnNames[2], "Event Type");

  EventLayout layout;
  layout.hasSubjectColumn = true;
  EventTableReader table(source, layout);
  EventRecord r;
  std::vector<std::string> seen;
  EventTableReader::Result result;
  while ((result = table.next(r)) == EventTableReader::Result::kEvent)
    seen.push_back(std::to_string(r.line) + " " + std::string(r.code));
  EXPECT_EQ(result, EventTableReader::Result::kEnd);
  EXPECT_EQ(seen, (std::vector<std::string>{"5 53", "7 face"}));
  EXPECT_EQ(table.linesRead(), 9);
}

// Time and Duration where the column names put them, when the names agree with the chosen
// layout; Presentation's own places otherwise.
TEST(EventTable, LayoutFollowsTheColumnNamesThatAgreeWithTheChoice) {
  const std::string standard =
      "Subject\tTrial\tEvent Type\tCode\tTime\tTTime\tUncertainty\t"
      "Duration\tUncertainty\tReqTime\tReqDur\tStim Type\tPair Index";
  const std::string properties =
      "Subject\tTrial\tEvent Type\tCode\tconfiguration(num)\tform(str)\tTime\tTTime\t"
      "Uncertainty\tDuration";
  const struct {
    std::vector<std::string> lines;
    bool subject;
    int time, duration, pairIndex;
    bool fromNames;
  } cases[] = {
      {{"Scenario - a", "x", "", standard, ""}, true, 0, 3, 8, true},
      {{"Scenario - a", "x", "", properties, ""}, true, 2, 5, -1, true},
      // The names begin with Subject, the layout without was chosen: today's places.
      {{"Scenario - a", "x", "", properties, ""}, false, 0, 3, 8, false},
      // No Duration column: no Duration on any line.
      {{"Scenario - a", "x", "", "Trial\tEvent Type\tCode\tTime\tTTime", ""},
       false,
       0,
       -1,
       -1,
       true},
      // Found on the fifth line of a copy with an empty line after every line.
      {{"Scenario - a", "", "x", "", standard, ""}, true, 0, 3, 8, true},
      // Blank-separated names are no column-name line.
      {{"Scenario - a", "x", "", "Trial Event Type Code Time", ""}, false, 0, 3, 8, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lines[3]);
    const EventLayout layout = eventLayoutFor(makeLogHeader(c.lines), c.subject);
    EXPECT_EQ(layout.places.time, c.time);
    EXPECT_EQ(layout.places.duration, c.duration);
    EXPECT_EQ(layout.places.pairIndex, c.pairIndex);
    EXPECT_EQ(layout.placesFromColumnNames, c.fromNames);
  }
  EXPECT_EQ(eventLayoutFor(makeLogHeader(cases[1].lines), true).properties,
            (std::vector<std::string>{"configuration(num)", "form(str)"}));
  // The fast reader of the plug-in takes the same places.
  EventFields fields;
  const std::string line = "S1\t1\tPicture\tflower\t1\tflower\t20000\t0\t1\t30000";
  ASSERT_TRUE(readLeadingFields(line, true, fields, TimeColumns{2, 5}));
  readTimeAndDuration(line, fields);
  EXPECT_EQ(fields.time, "20000");
  EXPECT_EQ(fields.duration, "30000");
  ASSERT_TRUE(readLeadingFields("1 Picture a 10 0 0 7", false, fields, TimeColumns{0, -1}));
  readTimeAndDuration("1 Picture a 10 0 0 7", fields);
  EXPECT_EQ(fields.time, "10");
  EXPECT_EQ(fields.duration, "");
}

// The lean reads find only some tabs and read numbers their own way: they must take every
// line as the full read does, in every layout, whatever the line's length and blanks.
TEST(EventTable, LeanReadsAgreeWithTheFullRead) {
  const std::string longCode(70, 'c');
  const std::string lines[] = {
      "S1\t1\tPicture\tface\t12345\t0\t1\t678",
      "S\t1\tP\tc\t5",
      "S\t1\tP\tc\t12345678\t0\t1\t5",
      "S1\t0\tPulse\t53\t94239\t94239\t1",
      "S1\t1\tPulse\t53",
      "S1\t1\tPulse\t53\t",
      "S1\t1\tPicture\tface\t1234567890123456\t0\t1\t99999999",
      "S1\t1\tPicture\tface\t12345678901234567\t0\t1\t123456789",
      "S1\t1\tPicture\tface\t000000000000000001\t0\t1\t0",
      "S1\t1\tPicture\tface\t-5\t0\t1\t+3",
      "S1\t1\tPicture\tface\t1e3\t0\t1\t2.5",
      "S1\t1\tPicture\tface\t12abc\t0\t1\tNA",
      " S1 \t 1 \t Picture \t face \t 10 \t0\t1\t 7\r",
      "S1\t1\tPicture\t" + longCode + "\t4242\t0\t1\t17\tx\ty",
      "S1\t1\t" + longCode + "\tc\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12",
      std::string("S1\t1\tPic\0ture\tco\0de\t5\t0\t1\t6", 27),
      std::string("S1\t1\t\0Picture\tcode\t5", 20),
      "S1\t+7\tPicture\tf\t1\t0\t1\t2",
      "S1\t-2147483648\tPicture\tf\t1\t0\t1\t2",
      "S1\t2147483648\tPicture\tf\t1\t0\t1\t2",
      "S1\t+\tPicture\tf\t1",
      "S1\t12abc\tPicture\tf\t1",
      "\t1\tPicture\tf\t1",
      "S1 1 Picture face 10 0 0 25",
      "1\tPicture\tface\t33\t44\t55\t66\t77",
      "1 Picture face 33 44 55 66",
      "S1\t5\tQuit\t\t123456",
      "S1\t5\tQuit\t",
      std::string("S1 5 Quit \0x 12", 15),
  };
  EventLayout withSubject;
  withSubject.hasSubjectColumn = true;
  EventLayout properties = withSubject;  // two columns between Code and Time
  properties.places.time = 2;
  properties.places.duration = 5;
  EventLayout noDuration;
  noDuration.places.duration = -1;
  EventLayout emptyCells = withSubject;
  emptyCells.emptySubjectIsEvent = true;
  emptyCells.emptyCodeIsEvent = true;
  const EventLayout layouts[] = {withSubject, EventLayout(), properties, noDuration, emptyCells};
  const auto number = [](const LogNumber& n) {
    return std::to_string(static_cast<int>(n.kind)) + ":" + std::to_string(n.whole) + ":" +
           std::to_string(n.value);
  };
  for (const EventLayout& layout : layouts) {
    for (const std::string& line : lines) {
      SCOPED_TRACE(line + " in the layout with Time at " + std::to_string(layout.places.time));
      EventRecord full;
      const bool isEvent = readEventRecord(line, layout, full);
      for (const EventColumns columns : {EventColumns::kUpToTime, EventColumns::kTimeAndDuration}) {
        EventRecord lean;
        ASSERT_EQ(readEventRecord(line, layout, lean, columns), isEvent);
        if (!isEvent)
          continue;
        EXPECT_EQ(lean.subject, full.subject);
        EXPECT_EQ(lean.trial, full.trial);
        EXPECT_EQ(lean.eventType, full.eventType);
        EXPECT_EQ(lean.code, full.code);
        EXPECT_EQ(number(lean.time), number(full.time));
        EXPECT_EQ(number(lean.duration), columns == EventColumns::kTimeAndDuration
                                             ? number(full.duration)
                                             : number(LogNumber()));
        EXPECT_TRUE(lean.fields.empty());
      }
    }
  }
}

// Presentation leaves the Subject cell empty when no subject name was typed: in a log whose
// column names begin with "Subject", such a tab-separated line is an event; a blank-separated
// one, or one in a log of another shape, is not.
TEST(EventTable, AnEmptySubjectCellIsAnEventOnlyWhereTheColumnNamesBeginWithSubject) {
  const std::vector<std::string> subjectNames = {
      "Scenario - a", "Logfile written - x", "",
      "Subject\tTrial\tEvent Type\tCode\tTime\tTTime\tUncertainty\tDuration", ""};
  std::vector<std::string> trialNames = subjectNames;
  trialNames[3] = "Trial\tEvent Type\tCode\tTime\tTTime\tUncertainty\tDuration";
  const struct {
    const char* line;
    const std::vector<std::string>& names;
    bool subjectLayout;
    bool isEvent;
  } cases[] = {
      {"\t3\tPicture\tface\t95000\t0\t1\t20000", subjectNames, true, true},
      {"  \t3\tPicture\tface\t95000\t0\t1\t20000", subjectNames, true, true},
      {" 3 Picture face 95000 0 1 20000", subjectNames, true, false},  // blanks: Trial shifts
      {"\t3\tPicture\tface\t95000\t0\t1\t20000", subjectNames, false, false},
      {"\t3\tPicture\tface\t95000\t0\t1\t20000", trialNames, true, false},
      {"\t\tPicture\tface\t95000", subjectNames, true, false},  // still needs its Trial
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const EventLayout layout = eventLayoutFor(makeLogHeader(c.names), c.subjectLayout);
    EventRecord r;
    ASSERT_EQ(readEventRecord(c.line, layout, r), c.isEvent);
    ASSERT_EQ(readEventRecord(c.line, layout, r, EventColumns::kUpToTime), c.isEvent);
    EventFields fields;
    EXPECT_EQ(readLeadingFields(c.line, c.subjectLayout, fields, layout.timeColumns()), c.isEvent);
    if (c.isEvent) {
      EXPECT_EQ(r.subject, "");
      EXPECT_EQ(r.trial, 3);
      EXPECT_EQ(r.code, "face");
      EXPECT_EQ(r.time.whole, 95000);
    }
  }
}

}  // namespace
}  // namespace stimforge
