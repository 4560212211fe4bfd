// The Presentation log reader, fed from memory through the fake host.
#include "logimport/presentation_log.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "logformat/log_source.h"
#include "logimport/import_command.h"
#include "logimport/log_test_support.h"
#include "support/fake_host.h"

namespace stimforge {
namespace {

// The reader's log lines go to the host, as in an import.
HostLogSink hostLog;

using ::testing::ElementsAre;
using testing::FakeHost;
using testing::logHeader;
using testing::ScriptedLogSource;
using Event = std::tuple<std::string, double, double>;

struct Read {
  std::optional<PresentationLog> log;
  std::vector<std::string> lines;
};

Read readFrom(LogSource& source, bool withSubject, bool pictureOnly) {
  FakeHost host;
  Read read;
  read.log = readPresentationLog(&source, "C:\\exp\\run1.log", withSubject, pictureOnly, hostLog);
  read.lines = host.log;
  return read;
}

Read readText(const std::string& text, bool withSubject = false, bool pictureOnly = false) {
  MemoryLogSource source(text);
  return readFrom(source, withSubject, pictureOnly);
}

std::vector<Event> eventsOf(const PresentationLog& log) {
  std::vector<Event> events;
  for (const LogEvent& e : log.events)
    events.emplace_back(log.codeOf(e), e.time, e.duration);
  return events;
}

TEST(PresentationLogReader, ReadsTheLayoutWithoutSubjectAndLogsEveryLineInOrder) {
  const Read r = readText(logHeader(false) +
                          "1 Picture face 12345 0 1 15000\n"
                          "1 Response 1 14000 1655 1\n"
                          "2   Sound  beep 22345\r0 1 5000\n"
                          "2 Pulse 53 23000 0 1\n");
  ASSERT_TRUE(r.log);
  EXPECT_THAT(
      r.lines,
      ElementsAre("Trial: 1 EventType: Picture Code: face", "Trial: 1 EventType: Response Code: 1",
                  "Trial: 2 EventType: Sound Code: beep", "Trial: 2 EventType: Pulse Code: 53",
                  "Number of trials: 2, Picture/Sound/Video/Response events: 3",
                  "Number of lines in first part of file: 9",
                  "Trial: 1, code: face, duration:            1500",
                  "Trial: 1, code: 1, duration:               0",
                  "Trial: 2, code: beep, duration:             500"));
  EXPECT_THAT(eventsOf(*r.log), ElementsAre(Event{"face", 12345, 15000}, Event{"1", 14000, 0},
                                            Event{"beep", 22345, 5000}));
  EXPECT_EQ(r.log->eventCount, 3);
  EXPECT_EQ(r.log->eventTableSize, 3);
  EXPECT_EQ(r.log->path, "C:\\exp\\run1.log");
  EXPECT_EQ(r.log->baseName, "run1");
}

TEST(PresentationLogReader, ReadsTheLayoutWithSubjectAndVideoEvents) {
  const Read r = readText(logHeader(true) +
                              "S01\t1\tVideo\tclip one\t100\t0\t1\t\t\t0\t\tother\t0\n"
                              "S01\t2\tPicture\tface\t-300.5\t0\t1\t2004\t1\t0\tnext\tother\t0\n",
                          true, false);
  ASSERT_TRUE(r.log);
  EXPECT_THAT(r.lines, ElementsAre("Trial: 1 EventType: Video Code: clip one",
                                   "Trial: 2 EventType: Picture Code: face",
                                   "Number of trials: 2, Picture/Sound/Video/Response events: 2",
                                   "Number of lines in first part of file: 7",
                                   "Trial: 1, code: clip one, duration:               0",
                                   "Trial: 2, code: face, duration:             200"));
  EXPECT_THAT(eventsOf(*r.log),
              ElementsAre(Event{"clip one", 100, 0}, Event{"face", -300.5, 2004}));
}

TEST(PresentationLogReader, SelectsExactTypesAndPictureOnlyKeepsTheSummaryWords) {
  const std::string text = logHeader(false) +
                           "1 Picture a 10 0 0 1\n"
                           "2 picture b 20 0 0 1\n"
                           "3 Pictures c 30 0 0 1\n"
                           "4 Sound d 40 0 0 1\n"
                           "5 Video e 50 0 0 1\n"
                           "6 Response f 60 0 0 1\n"
                           "7 Nothing g 70 0 0 1\n";
  const Read pictures = readText(text, false, true);
  ASSERT_TRUE(pictures.log);
  EXPECT_THAT(eventsOf(*pictures.log), ElementsAre(Event{"a", 10, 1}));
  EXPECT_EQ(pictures.lines.at(7), "Number of trials: 7, Picture/Sound/Video/Response events: 1");
  const Read all = readText(text, false, false);
  ASSERT_TRUE(all.log);
  EXPECT_THAT(eventsOf(*all.log), ElementsAre(Event{"a", 10, 1}, Event{"d", 40, 1},
                                              Event{"e", 50, 1}, Event{"f", 60, 1}));
}

// No subject name typed: Presentation writes an empty Subject cell, and the line is an event
// like any other; a blank-separated line that starts with blanks is still none.
TEST(PresentationLogReader, AnEmptySubjectCellIsAnEventLineLikeAnyOther) {
  const Read r = readText(logHeader(true) + "\t1\tPicture\tface\t100\t0\t1\t2000\n" +
                              "  2 Picture house 300 0 1 2000\n",
                          true);
  ASSERT_TRUE(r.log);
  EXPECT_THAT(r.lines, ElementsAre("Trial: 1 EventType: Picture Code: face",
                                   "Number of trials: 1, Picture/Sound/Video/Response events: 1",
                                   "Number of lines in first part of file: 7",
                                   "Trial: 1, code: face, duration:             200"));
  EXPECT_THAT(eventsOf(*r.log), ElementsAre(Event{"face", 100, 2000}));
}

TEST(PresentationLogReader, SubjectLinesReadWithoutTheSubjectLayoutSelectNothing) {
  const Read r = readText(logHeader(true) + "S01\t1\tPicture\tface\t100\t0\t1\t2000\n", false);
  ASSERT_TRUE(r.log);
  EXPECT_THAT(r.lines, ElementsAre("Number of trials: 0, Picture/Sound/Video/Response events: 0",
                                   "Number of lines in first part of file: 6"));
  EXPECT_EQ(r.log->eventCount, 0);
}

TEST(PresentationLogReader, FirstPartEndsAtTheEndOfTheTextOrAtARepeatedLine) {
  struct Case {
    std::string text;
    int lines;
  };
  const std::string event = "1 Picture a 10 0 0 5\n";
  for (const Case& c : {
           Case{"", 0},
           Case{"a\nb\nc", 3},                      // the last line without a break counts
           Case{"a\nb\n\n\nc\nd\ne\n" + event, 3},  // two empty lines inside the header
           Case{"a\na\n", 1},                       // the first two lines alike
           Case{logHeader(false) + event + "\n\n" + event, 7},
           Case{logHeader(false) + event + event, 6},  // a repeated event line ends it too
           Case{logHeader(false) + "1 Picture a 10 0 0 5\r\n1 Picture a 10 0 0 5\n" + event, 6},
           Case{logHeader(false) + "1 Picture a 10 0 0 5\n1 Picture a 10 0 0 5", 7},
       }) {
    const Read r = readText(c.text);
    ASSERT_TRUE(r.log);
    ASSERT_GE(r.lines.size(), 2u);
    EXPECT_EQ(r.lines[r.lines.size() - (r.log->eventCount + 1)],
              "Number of lines in first part of file: " + std::to_string(c.lines))
        << c.text;
  }
  // Nothing after the end of the first part is read, in either pass.
  const Read r = readText(logHeader(false) + "1 Picture a 10 0 0 5\n\n\n2 Picture b 20 0 0 5\n");
  ASSERT_TRUE(r.log);
  EXPECT_THAT(eventsOf(*r.log), ElementsAre(Event{"a", 10, 5}));
  EXPECT_THAT(r.lines, ::testing::Not(::testing::Contains("Trial: 2 EventType: Picture Code: b")));
}

TEST(PresentationLogReader, CarriageReturnAndLineFeedIsOneLineBreak) {
  std::string text = logHeader(true) +
                     "S1\t1\tPicture\tface\t100\t0\t1\t2000\n"
                     "S1\t2\tPicture\thouse\t300\t0\t1\t4000\n"
                     "\n\nrest\n";
  std::string windows;
  for (char c : text)
    windows += c == '\n' ? std::string("\r\n") : std::string(1, c);
  const Read unix = readText(text, true);
  const Read dos = readText(windows, true);
  ASSERT_TRUE(unix.log && dos.log);
  EXPECT_EQ(dos.lines, unix.lines);
  EXPECT_EQ(eventsOf(*dos.log), eventsOf(*unix.log));
  EXPECT_EQ(dos.lines.at(3), "Number of lines in first part of file: 8");
}

TEST(PresentationLogReader, ChunkBoundariesDoNotMatter) {
  std::string text =
      logHeader(false) + "1\tPicture\t" + std::string(70000, 'x') + "\t5\t0\t0\t7\r\n";
  for (int i = 0; i < 300; ++i)
    text += std::to_string(i) + "\tSound\tcode" + std::to_string(i % 7) + "\t" +
            std::to_string(i * 100) + "\t0\t0\t" + std::to_string(i) + "\r\n";
  text += "\r\n\n9 Picture after 1 0 0 1\n";
  const Read whole = readText(text);
  ASSERT_TRUE(whole.log);
  EXPECT_EQ(whole.log->eventCount, 301);
  EXPECT_EQ(whole.log->codes.size(), 8u);
  for (size_t chunk : {1, 2, 3, 7, 4096}) {
    ScriptedLogSource source(text);
    source.chunk = chunk;
    const Read pieces = readFrom(source, false, false);
    ASSERT_TRUE(pieces.log) << chunk;
    EXPECT_EQ(pieces.lines, whole.lines) << chunk;
    EXPECT_EQ(eventsOf(*pieces.log), eventsOf(*whole.log)) << chunk;
  }
}

TEST(PresentationLogReader, DurationsAreLoggedInWholeMillisecondsRightAligned) {
  const Read r = readText(logHeader(false) +
                          "1 Picture a 0 0 0 50000\n"
                          "2 Picture b 0 0 0 40146\n"
                          "3 Picture c 0 0 0 -4\n"
                          "4 Picture d 0 0 0 1e20\n"
                          "5 Picture e 0 0 0 123456789012345678\n");
  ASSERT_TRUE(r.log);
  EXPECT_THAT(std::vector<std::string>(r.lines.begin() + 7, r.lines.end()),
              ElementsAre("Trial: 1, code: a, duration:            5000",
                          "Trial: 2, code: b, duration:            4015",
                          "Trial: 3, code: c, duration:              -0",
                          "Trial: 4, code: d, duration: 10000000000000000000",
                          "Trial: 5, code: e, duration: 12345678901234568"));
}

// Real logs put the first event on the sixth line (index 5), right after a five-line
// header.
TEST(PresentationLogReader, RegressionFirstEventDropped) {
  const Read r = readText(logHeader(true) + "S1\t1\tPicture\tfirst\t100\t0\t1\t2000\n", true);
  ASSERT_TRUE(r.log);
  EXPECT_THAT(eventsOf(*r.log), ElementsAre(Event{"first", 100, 2000}));
  // A sixth line that is no event reads the same as a header line would.
  const Read six = readText("a\nb\n\nc\n\nnot an event\n1 Picture x 5 0 0 1\n");
  ASSERT_TRUE(six.log);
  EXPECT_THAT(eventsOf(*six.log), ElementsAre(Event{"x", 5, 1}));
}

// A line that is no event (empty, or lacking a leading field) used to repeat the event
// before it, since fields carried over from line to line.
TEST(PresentationLogReader, RegressionPhantomEvents) {
  const Read r = readText(logHeader(false) +
                          "1 Picture a 100 0 0 50\n"
                          "\n"
                          "2 Picture\n"
                          "just words\n"
                          "3\tPicture\t\t300\t0\t0\t70\n"
                          "4 Response 2 400 0 0\n");
  ASSERT_TRUE(r.log);
  EXPECT_THAT(r.lines, ElementsAre("Trial: 1 EventType: Picture Code: a",
                                   "Trial: 4 EventType: Response Code: 2",
                                   "Number of trials: 4, Picture/Sound/Video/Response events: 2",
                                   "Number of lines in first part of file: 11",
                                   "Trial: 1, code: a, duration:               5",
                                   "Trial: 4, code: 2, duration:               0"));
  EXPECT_THAT(eventsOf(*r.log), ElementsAre(Event{"a", 100, 50}, Event{"2", 400, 0}));
}

// Splitting tab-separated lines at runs of blanks shifted every column after a value with
// a blank or an empty field.
TEST(PresentationLogReader, RegressionColumnsThatShift) {
  const Read r =
      readText(logHeader(true) +
                   "S1\t1\tPort Input\t53\t900\t900\t1\n"
                   "S1\t1\tPicture\tWait Screen\t1000\t0\t1\t2000\t1\t0\tnext\tother\t0\n"
                   "S1\t1\tSound\tbeep\t3000\t5\t2\t\t\t4000\t\tother\t0\n",
               true);
  ASSERT_TRUE(r.log);
  EXPECT_EQ(r.lines.at(0), "Trial: 1 EventType: Port Input Code: 53");
  EXPECT_EQ(r.lines.at(1), "Trial: 1 EventType: Picture Code: Wait Screen");
  EXPECT_THAT(eventsOf(*r.log),
              ElementsAre(Event{"Wait Screen", 1000, 2000}, Event{"beep", 3000, 0}));
}

// A selected line without a Time or a Duration took them from the previous selected event.
TEST(PresentationLogReader, RegressionBorrowedTimesAndDurations) {
  const Read r = readText(logHeader(false) +
                          "1\tPicture\ta\t1000\t0\t1\t500\n"
                          "2\tResponse\t1\t2000\t0\t1\n"
                          "3\tPicture\tb\tNA\t0\t1\t700\n"
                          "4\tVideo\tc\t\t0\t1\t700\n"
                          "5\tPicture\td\t3000\t0\t1\tNA\n");
  ASSERT_TRUE(r.log);
  EXPECT_THAT(
      r.lines,
      ElementsAre("Trial: 1 EventType: Picture Code: a", "Trial: 2 EventType: Response Code: 1",
                  "Trial: 3 EventType: Picture Code: b", "Trial: 4 EventType: Video Code: c",
                  "Trial: 5 EventType: Picture Code: d",
                  "Number of trials: 5, Picture/Sound/Video/Response events: 3",
                  "Number of lines in first part of file: 10",
                  "Trial: 1, code: a, duration:              50",
                  "Trial: 2, code: 1, duration:               0",
                  "Trial: 5, code: d, duration:               0"));
  EXPECT_THAT(eventsOf(*r.log),
              ElementsAre(Event{"a", 1000, 500}, Event{"1", 2000, 0}, Event{"d", 3000, 0}));
  // The trial count is the Trial of the last event line, selected or not.
  const Read last = readText(logHeader(false) + "1 Picture a 10 0 0 1\n9 Picture b NA 0 0 1\n");
  ASSERT_TRUE(last.log);
  EXPECT_EQ(last.lines.at(2), "Number of trials: 9, Picture/Sound/Video/Response events: 1");
}

// Codes were cut at 99 characters, so long codes that differ late merged into one
// condition, and lines were split every 255 characters.
TEST(PresentationLogReader, RegressionCodesCutOrMerged) {
  const std::string stem(150, 's');
  const std::string longest(300, 'L');
  const Read r =
      readText(logHeader(false) + "1\tPicture\t" + stem + std::string(31, 'a') + "\t10\t0\t0\t1\n" +
               "2\tPicture\t" + stem + std::string(31, 'b') + "\t20\t0\t0\t1\n" + "3\tPicture\t" +
               longest + "\t30\t0\t0\t1\n" + "4\tPicture\t" + longest + "x\t40\t0\t0\t1\n");
  ASSERT_TRUE(r.log);
  EXPECT_THAT(eventsOf(*r.log), ElementsAre(Event{stem + std::string(31, 'a'), 10, 1},
                                            Event{stem + std::string(31, 'b'), 20, 1},
                                            Event{longest.substr(0, 255), 30, 1},
                                            Event{longest.substr(0, 255), 40, 1}));
  EXPECT_EQ(r.log->codes.size(), 3u);
  EXPECT_EQ(r.lines.at(2), "Trial: 3 EventType: Picture Code: " + longest.substr(0, 255));
  EXPECT_EQ(r.lines.at(5), "Number of lines in first part of file: 9");
}

// A log that could not be read was reported as read, and the import went on to replace
// the host's protocol with an empty one.
TEST(PresentationLogReader, RegressionFailureReportedAsSuccess) {
  {
    FakeHost host;
    EXPECT_FALSE(readPresentationLog(nullptr, "C:\\gone.log", false, false, hostLog));
    EXPECT_THAT(host.log, ElementsAre("Error while reading Presentation file"));
  }
  const std::string text = logHeader(false) + "1 Picture a 10 0 0 5\n2 Picture b 20 0 0 5\n";
  ScriptedLogSource broken(text);
  broken.chunk = 1;
  broken.failAt = text.size() - 5;
  const Read r = readFrom(broken, false, false);
  EXPECT_FALSE(r.log);
  EXPECT_THAT(r.lines, ElementsAre("Trial: 1 EventType: Picture Code: a",
                                   "Error while reading Presentation file"));
  ScriptedLogSource noRewind(text);
  noRewind.failRewind = true;
  const Read again = readFrom(noRewind, false, false);
  EXPECT_FALSE(again.log);
  EXPECT_THAT(again.lines, ElementsAre("Error while reading Presentation file"));
}

TEST(PresentationLogReader, TextChangedBetweenThePassesNeverOverfillsTheTable) {
  const std::string before = logHeader(false) + "1 Picture a 10 0 0 5\n2 Picture b 20 0 0 5\n";
  ScriptedLogSource grown(before);
  grown.changedAfterRewinds = 2;
  grown.changedText =
      logHeader(false) + "1 Picture x 10 0 0 5\n2 Picture y 20 0 0 5\n" + "3 Picture z 30 0 0 5\n";
  const Read more = readFrom(grown, false, false);
  ASSERT_TRUE(more.log);
  EXPECT_EQ(more.log->eventTableSize, 2);
  EXPECT_EQ(more.log->eventCount, 2);
  EXPECT_THAT(eventsOf(*more.log), ElementsAre(Event{"x", 10, 5}, Event{"y", 20, 5}));
  EXPECT_EQ(more.log->events.capacity(), 2u);

  ScriptedLogSource shrunk(before);
  shrunk.changedAfterRewinds = 2;
  shrunk.changedText = logHeader(false) + "1 Picture x 10 0 0 5\n";
  const Read fewer = readFrom(shrunk, false, false);
  ASSERT_TRUE(fewer.log);
  EXPECT_EQ(fewer.log->eventTableSize, 2);
  EXPECT_EQ(fewer.log->eventCount, 1);
  EXPECT_THAT(eventsOf(*fewer.log), ElementsAre(Event{"x", 10, 5}));
}

}  // namespace
}  // namespace stimforge
