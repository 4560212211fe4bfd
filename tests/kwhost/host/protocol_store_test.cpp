#include "kwhost/host/protocol_store.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <sstream>

namespace stimforge::kwhost {
namespace {

Protocol twoConditions() {
  Protocol p;
  p.fileName = "exp/run1.prt";
  p.title = "run1";
  p.timeResolution = kTimeResolutionMilliseconds;
  p.colour1 = 0;
  p.colour2 = 0xFFFFFF;
  p.colour3 = 0xFFFFFF;
  p.thickness3 = 2;
  p.colour4 = 0x3F0007D0;
  p.thickness4 = 2;
  p.conditions = {{"Rest", 0x3F333300, {0, 20000}, {9998, 29998}},
                  {"Faces", 0x3FFF3399, {10000}, {19998}}};
  return p;
}

ProtocolHeader filledWith(unsigned char byte) {
  ProtocolHeader header;
  std::memset(&header, byte, sizeof header);
  return header;
}

TEST(ProtocolStore, HandsOutTheHeaderOnlyWhenAProtocolIsCurrent) {
  std::ostringstream diagnostics;
  ProtocolStore store(diagnostics);
  ProtocolHeader header = filledWith(0xAB);
  EXPECT_EQ(store.fillHeader(&header), 0);
  EXPECT_EQ(header.numberOfConditions, static_cast<int32_t>(0xABABABAB));  // untouched

  store.makeCurrent(twoConditions());
  EXPECT_EQ(store.fillHeader(&header), 1);
  EXPECT_EQ(header.numberOfConditions, 2);
  EXPECT_STREQ(header.fileName, "exp/run1.prt");
  EXPECT_STREQ(header.protocolTitle, "run1");
  EXPECT_EQ(header.timeResolution, 2);
  EXPECT_EQ(header.colour2, 0xFFFFFF);
  EXPECT_EQ(header.colour4, 0x3F0007D0);
  EXPECT_EQ(header.thickness4, 2);
  // The reserved bytes belong to whoever owns the record.
  EXPECT_EQ(static_cast<unsigned char>(header.reserved566[0]), 0xAB);
  EXPECT_EQ(static_cast<unsigned char>(header.reserved566[1]), 0xAB);
  EXPECT_EQ(diagnostics.str(), "");
}

TEST(ProtocolStore, ConditionArraysAreTheProtocolsOwnUntilItChanges) {
  std::ostringstream diagnostics;
  ProtocolStore store(diagnostics);
  store.makeCurrent(twoConditions());
  ProtocolCondition rest = ProtocolCondition{};
  store.fillCondition(0, &rest);
  EXPECT_STREQ(rest.name, "Rest");
  EXPECT_EQ(rest.numberOfIntervals, 2);
  EXPECT_EQ(rest.colour, 0x3F333300);
  rest.intervalStarts[1] -= 500;
  rest.intervalEnds[1] -= 500;

  // Adding a condition moves the others, but not their arrays.
  ProtocolCondition houses = ProtocolCondition{};
  std::snprintf(houses.name, sizeof houses.name, "Houses");
  store.addCondition(&houses);
  rest.intervalStarts[0] = 1;
  EXPECT_EQ(store.protocol().conditions[0].starts, (std::vector<int32_t>{1, 19500}));
  EXPECT_EQ(store.protocol().conditions[0].ends, (std::vector<int32_t>{9998, 29498}));
  EXPECT_EQ(diagnostics.str(), "");
}

TEST(ProtocolStore, IndexOutOfRangeIsReportedAndChangesNothing) {
  std::ostringstream diagnostics;
  ProtocolStore store(diagnostics);
  store.makeCurrent(twoConditions());
  ProtocolCondition record = ProtocolCondition{};
  std::snprintf(record.name, sizeof record.name, "unfilled");
  store.fillCondition(2, &record);
  store.fillCondition(-1, &record);
  store.addInterval(2, 1, 2);
  store.addInterval(-1, 1, 2);
  EXPECT_STREQ(record.name, "unfilled");
  EXPECT_EQ(record.intervalStarts, nullptr);
  EXPECT_EQ(store.protocol(), twoConditions());
  EXPECT_EQ(diagnostics.str(),
            "kwhost: kwGetProtocolCondition: index 2 is out of range (the protocol has 2 "
            "conditions); the record is left unchanged\n"
            "kwhost: kwGetProtocolCondition: index -1 is out of range (the protocol has 2 "
            "conditions); the record is left unchanged\n"
            "kwhost: kwAddProtocolConditionInterval: index 2 is out of range (the protocol has "
            "2 conditions); the interval is not added\n"
            "kwhost: kwAddProtocolConditionInterval: index -1 is out of range (the protocol "
            "has 2 conditions); the interval is not added\n");
}

TEST(ProtocolStore, RebuildAfterClearKeepsTheHeaderUntilANewOneIsSet) {
  std::ostringstream diagnostics;
  ProtocolStore store(diagnostics);
  store.makeCurrent(twoConditions());
  store.clear();
  EXPECT_TRUE(store.hasProtocol());
  EXPECT_TRUE(store.protocol().conditions.empty());
  EXPECT_EQ(store.protocol().title, "run1");

  ProtocolCondition faces = ProtocolCondition{};
  std::snprintf(faces.name, sizeof faces.name, "Faces");
  faces.colour = 0x3F00FF00;
  faces.numberOfIntervals = 5;  // ignored: intervals come one by one
  store.addCondition(&faces);
  store.addInterval(0, 10, 20);
  ProtocolHeader header = ProtocolHeader{};
  header.numberOfConditions = 1;
  std::snprintf(header.fileName, sizeof header.fileName, "new.prt");
  std::snprintf(header.protocolTitle, sizeof header.protocolTitle, "new title");
  header.timeResolution = 1;
  header.colour1 = 5;
  header.thickness4 = 3;
  store.takeHeader(&header);

  Protocol expected;
  expected.fileName = "new.prt";
  expected.title = "new title";
  expected.timeResolution = 1;
  expected.colour1 = 5;
  expected.thickness4 = 3;
  expected.conditions = {{"Faces", 0x3F00FF00, {10}, {20}}};
  EXPECT_EQ(store.protocol(), expected);
  EXPECT_EQ(diagnostics.str(), "");
}

TEST(ProtocolStore, HeaderThatDisagreesOrLacksItsNulIsReported) {
  std::ostringstream diagnostics;
  ProtocolStore store(diagnostics);
  store.makeCurrent(twoConditions());
  ProtocolHeader header = ProtocolHeader{};
  header.numberOfConditions = 3;
  std::memset(header.protocolTitle, 'T', sizeof header.protocolTitle);
  store.takeHeader(&header);
  EXPECT_EQ(store.protocol().conditions.size(), 2u);
  EXPECT_EQ(store.protocol().title, std::string(300, 'T'));
  EXPECT_EQ(diagnostics.str(),
            "kwhost: kwSetProtocol: the header says 3 conditions, the protocol has 2; it keeps "
            "its 2\n"
            "kwhost: kwSetProtocol: protocolTitle fills all 301 bytes without an ending NUL; it "
            "is cut to 300 bytes\n");
}

TEST(ProtocolStore, NullRecordsAreReportedAndIgnored) {
  std::ostringstream diagnostics;
  ProtocolStore store(diagnostics);
  store.makeCurrent(twoConditions());
  EXPECT_EQ(store.fillHeader(nullptr), 0);
  store.takeHeader(nullptr);
  store.fillCondition(0, nullptr);
  store.addCondition(nullptr);
  EXPECT_EQ(store.protocol(), twoConditions());
  EXPECT_EQ(diagnostics.str(),
            "kwhost: kwGetProtocol: the header is null; nothing is filled\n"
            "kwhost: kwSetProtocol: the header is null; nothing is changed\n"
            "kwhost: kwGetProtocolCondition: the record is null; nothing is filled\n"
            "kwhost: kwAddProtocolCondition: the record is null; no condition is added\n");
}

TEST(ProtocolStore, SavedNameBecomesTheFileNameWhenItFitsTheHeader) {
  std::ostringstream diagnostics;
  ProtocolStore store(diagnostics);
  store.makeCurrent(twoConditions());
  store.noteSavedAs("exp/run1_ordered.prt");
  EXPECT_EQ(store.protocol().fileName, "exp/run1_ordered.prt");
  store.noteSavedAs(std::string(261, 'x'));
  EXPECT_EQ(store.protocol().fileName, "exp/run1_ordered.prt");
  EXPECT_EQ(diagnostics.str(),
            "kwhost: the saved protocol keeps its file name: the path is longer than 260 "
            "bytes\n");
}

}  // namespace
}  // namespace stimforge::kwhost
