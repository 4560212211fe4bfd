// The protocol builder against the fake host: whole transcripts and the interval
// arithmetic.
#include "logimport/protocol_builder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "support/fake_host.h"
#include "text/text_helpers.h"

namespace stimforge {
namespace {

using ::testing::ElementsAre;
using testing::FakeHost;
using Event = std::tuple<std::string, double, double>;
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

PresentationLog makeLog(const std::vector<Event>& events,
                        const std::string& path = "D:\\exp\\run1.log") {
  PresentationLog log;
  log.path = path;
  log.baseName = baseNameOf(path, true, false).value_or("");
  for (const Event& e : events) {
    LogEvent event;
    event.code = log.codes.add(std::get<0>(e));
    event.time = std::get<1>(e);
    event.duration = std::get<2>(e);
    log.events.push_back(event);
  }
  log.eventCount = log.eventTableSize = static_cast<int32_t>(events.size());
  return log;
}

TEST(ProtocolBuilder, BuildsConditionsInOrderOfFirstAppearanceAndSavesThePlainName) {
  FakeHost host;
  host.protocol.conditions.push_back({"old", 1, {1}, {2}});
  ASSERT_TRUE(
      buildProtocol(makeLog({{"B", 12345, 15000}, {"A", 22345, 3000}, {"B", 32345, 15000}}), 1));
  EXPECT_THAT(
      host.calls,
      ElementsAre(
          "kwClearProtocol()", "kwLogText(Creating new protocol...)",
          "kwLogText(Creating protocol name:\n\n\tD:\\exp\\run1_MSEC.prt\n)",
          "kwLogText(Creating and preparing conditions and intervals lists...)",
          "kwLogText(Searching condition names...)", "kwAddProtocolCondition(B, 0x3F00C355)",
          "kwAddProtocolCondition(A, 0x3F0186AA)", "kwAddProtocolConditionInterval(0, 1234, 2232)",
          "kwLogText(Added interval: 1234 - 2232, for condition: B)",
          "kwAddProtocolConditionInterval(1, 2234, 3232)",
          "kwLogText(Added interval: 2234 - 3232, for condition: A)",
          "kwLogText(Last interval(s), computation based on Duration in protocol.)",
          "kwAddProtocolConditionInterval(0, 3234, 4734)",
          "kwLogText(Added interval: 3234 - 4734, for condition: B)",
          "kwLogText(Setting colors and pen thickness...)",
          "kwSetProtocol(2, D:\\exp\\run1.prt, run1, 2)", "kwSaveProtocol(D:\\exp\\run1.prt)",
          "kwLogText(Protocol generated from Presentation Log file.)"));
  ASSERT_EQ(host.saves.size(), 1u);
  const testing::FakeProtocol& saved = host.saves[0].second;
  EXPECT_EQ(saved.fileName, "D:\\exp\\run1.prt");
  EXPECT_EQ(saved.title, "run1");
  EXPECT_EQ(saved.timeResolution, 2);
  EXPECT_EQ(saved.colour1, 0);
  EXPECT_EQ(saved.colour2, 0xFFFFFF);
  EXPECT_EQ(saved.colour3, 0xFFFFFF);
  EXPECT_EQ(saved.thickness3, 2);
  EXPECT_EQ(saved.colour4, 0x3F0007D0);
  EXPECT_EQ(saved.thickness4, 2);
  ASSERT_EQ(saved.conditions.size(), 2u);
  EXPECT_THAT(saved.conditions[0].starts, ElementsAre(1234, 3234));
  EXPECT_THAT(saved.conditions[0].ends, ElementsAre(2232, 4734));
  EXPECT_THAT(saved.conditions[1].starts, ElementsAre(2234));
  EXPECT_THAT(saved.conditions[1].ends, ElementsAre(3232));
  EXPECT_TRUE(host.misuse.empty());
}

TEST(ProtocolBuilder, DurationModeTwoUsesEveryEventsOwnDuration) {
  FakeHost host;
  ASSERT_TRUE(buildProtocol(makeLog({{"Face", 12345, 15000}, {"face", 22345, 0}}), 2));
  EXPECT_THAT(host.log, ::testing::Not(::testing::Contains(
                            "Last interval(s), computation based on Duration in protocol.")));
  EXPECT_THAT(host.conditionNames(), ElementsAre("Face", "face"));
  EXPECT_THAT(host.protocol.conditions[0].ends, ElementsAre(2734));
  EXPECT_THAT(host.protocol.conditions[1].starts, ElementsAre(2234));
  EXPECT_THAT(host.protocol.conditions[1].ends, ElementsAre(2234));
}

TEST(ProtocolBuilder, OneEventTakesItsLengthFromItsDuration) {
  FakeHost host;
  ASSERT_TRUE(buildProtocol(makeLog({{"only", 12345, 15000}}), 1));
  EXPECT_THAT(std::vector<std::string>(host.log.begin() + 4, host.log.begin() + 6),
              ElementsAre("Last interval(s), computation based on Duration in protocol.",
                          "Added interval: 1234 - 2734, for condition: only"));
}

TEST(ProtocolBuilder, EmptyTableStillSetsAndSavesAProtocol) {
  FakeHost host;
  ASSERT_TRUE(buildProtocol(makeLog({}, "/data/logs/run2.log"), 1));
  EXPECT_THAT(host.calls,
              ElementsAre("kwClearProtocol()", "kwLogText(Creating new protocol...)",
                          "kwLogText(Creating protocol name:\n\n\t/data/logs/run2_MSEC.prt\n)",
                          "kwLogText(Creating and preparing conditions and intervals lists...)",
                          "kwLogText(Searching condition names...)",
                          "kwLogText(Setting colors and pen thickness...)",
                          "kwSetProtocol(0, /data/logs/run2.prt, run2, 2)",
                          "kwSaveProtocol(/data/logs/run2.prt)",
                          "kwLogText(Protocol generated from Presentation Log file.)"));
}

TEST(ProtocolBuilder, CodesAreTakenAsTheyStand) {
  FakeHost host;
  const std::string longest(255, 'x');
  ASSERT_TRUE(buildProtocol(makeLog({{"50%s%n", 0, 10}, {longest, 100, 10}}), 2));
  EXPECT_THAT(host.conditionNames(), ElementsAre("50%s%n", longest));
  EXPECT_EQ(host.log.at(4), "Added interval: 0 - 1, for condition: 50%s%n");
  EXPECT_EQ(host.log.at(5), "Added interval: 10 - 11, for condition: " + longest);
}

TEST(ProtocolBuilder, ColoursCarryIntoTheTopByteFromThe336thCondition) {
  EXPECT_EQ(conditionColour(1), 0x3F00C355);
  EXPECT_EQ(conditionColour(2), 0x3F0186AA);
  EXPECT_EQ(conditionColour(3), 0x3F0249FF);
  EXPECT_EQ(conditionColour(336), 0x40005F90);
  EXPECT_EQ(conditionColour(21808), 2147473648);
  EXPECT_EQ(conditionColour(21809), -2147443643);  // 0x80009C45, the same 32 bits
  EXPECT_EQ(conditionColour(85891), 0x3F002F7F);   // wrapped past 2^32

  FakeHost host;
  std::vector<Event> events;
  for (int i = 0; i < 336; ++i)
    events.emplace_back("c" + std::to_string(i), i * 100.0, 10);
  ASSERT_TRUE(buildProtocol(makeLog(events), 2));
  ASSERT_EQ(host.protocol.conditions.size(), 336u);
  EXPECT_EQ(host.protocol.conditions[335].colour, 0x40005F90);
}

TEST(IntervalArithmetic, StartIsTruncatedAndLengthRoundedDownLess2Ms) {
  EXPECT_EQ(intervalStart(12345), 1234);
  EXPECT_EQ(intervalStart(12349), 1234);
  EXPECT_EQ(intervalStart(-9833), -983);
  EXPECT_EQ(intervalStart(-5), 0);
  EXPECT_EQ(intervalLengthToNext(12345, 22345), 998);
  EXPECT_EQ(intervalLengthToNext(12349, 22345), 997);
  EXPECT_EQ(intervalLengthFromDuration(15000), 1500);
  EXPECT_EQ(intervalLengthFromDuration(9999), 999);
  EXPECT_EQ(intervalLengthFromDuration(0), 0);
  EXPECT_EQ(intervalEnd(1234, 998), 2232);
}

// Two events at the same time, events less than 2 ms apart, events whose times run
// backwards and negative Durations gave intervals that end before they start.
TEST(IntervalArithmetic, RegressionIntervalsThatEndBeforeTheyStart) {
  EXPECT_EQ(intervalLengthToNext(12345, 12345), 0);
  EXPECT_EQ(intervalLengthToNext(12345, 12355), 0);
  EXPECT_EQ(intervalLengthToNext(12345, 12364), 0);
  EXPECT_EQ(intervalLengthToNext(22345, 12345), 0);
  EXPECT_EQ(intervalLengthFromDuration(-50), 0);
  EXPECT_EQ(intervalLengthFromDuration(-1), 0);

  FakeHost host;
  ASSERT_TRUE(buildProtocol(makeLog({{"a", 12345, 10}, {"b", 12345, 10}, {"c", 12360, -90}}), 1));
  EXPECT_THAT(host.calls,
              ::testing::IsSupersetOf({"kwAddProtocolConditionInterval(0, 1234, 1234)",
                                       "kwAddProtocolConditionInterval(1, 1234, 1234)",
                                       "kwAddProtocolConditionInterval(2, 1236, 1236)"}));
}

TEST(IntervalArithmetic, ValuesBeyond32BitsAreClamped) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(intervalStart(1e300), kMax);
  EXPECT_EQ(intervalStart(-1e300), kMin);
  EXPECT_EQ(intervalStart(inf), kMax);
  EXPECT_EQ(intervalStart(-inf), kMin);
  EXPECT_EQ(intervalStart(std::nan("")), 0);
  EXPECT_EQ(intervalStart(21474836470.0), kMax);
  EXPECT_EQ(intervalStart(21474836469.0), 2147483646);
  EXPECT_EQ(intervalLengthToNext(-1e300, 1e300), kMax);
  EXPECT_EQ(intervalLengthToNext(0, inf), kMax);
  EXPECT_EQ(intervalLengthToNext(inf, inf), 0);
  EXPECT_EQ(intervalLengthFromDuration(inf), kMax);
  EXPECT_EQ(intervalLengthFromDuration(std::nan("")), 0);
  EXPECT_EQ(intervalEnd(kMax - 1, 10), kMax);
  EXPECT_EQ(intervalEnd(kMin, kMax), -1);
}

TEST(ProtocolBuilder, NamesThatDoNotFitLeaveTheHostUntouched) {
  const std::string folder = "C:\\" + std::string(240, 'f') + "\\";
  EXPECT_TRUE(protocolNamesFit(folder + "run1.log"));  // the "_MSEC" name is 257 characters
  // No extension: the "_MSEC" name is 256 + 5 + 4 characters.
  const std::string noExtension = folder + std::string(12, 'r');
  EXPECT_FALSE(protocolNamesFit(noExtension));
  const ProtocolNames names = protocolNamesFor("D:\\exp\\run1.log");
  EXPECT_EQ(names.shown, "D:\\exp\\run1_MSEC.prt");
  EXPECT_EQ(names.saved, "D:\\exp\\run1.prt");

  FakeHost host;
  host.protocol.conditions.push_back({"old", 1, {1}, {2}});
  EXPECT_FALSE(buildProtocol(makeLog({{"a", 0, 0}}, noExtension), 1));
  EXPECT_TRUE(host.calls.empty());
  EXPECT_THAT(host.conditionNames(), ElementsAre("old"));
}

}  // namespace
}  // namespace stimforge
