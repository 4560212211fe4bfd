// Whole imports of the project's own sample logs (samples/), for the cases the real logs
// do not cover. Read in place; the fake host records the save and writes nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin/menu.h"
#include "plugin/plugin_shell.h"
#include "support/fake_host.h"

namespace stimforge {
namespace {

using ::testing::ElementsAre;
using testing::FakeHost;
using testing::FakeProtocol;

struct Import {
  std::vector<std::string> log;
  std::vector<std::pair<std::string, FakeProtocol>> saves;
};

Import importSample(const std::string& name, int layout, bool pictureOnly, int durationMode) {
  FakeHost host;
  host.integerAnswers = {1, layout, 2000, durationMode};
  host.fileAnswers = {std::string(SF_SAMPLES_DIR) + "/" + name + ".log"};
  host.yesNoAnswers = {pictureOnly ? 1 : 0};
  EXPECT_TRUE(runMenu());
  EXPECT_TRUE(host.misuse.empty());
  EXPECT_FALSE(host.answersRanOut);
  return {host.log, host.saves};
}

std::vector<std::string> namesOf(const FakeProtocol& protocol) {
  std::vector<std::string> names;
  for (const auto& c : protocol.conditions)
    names.push_back(c.name);
  return names;
}

TEST(SampleLogs, LayoutWithoutSubjectWithBlanksInsideFields) {
  const Import r = importSample("no_subject", 1, false, 1);
  EXPECT_THAT(r.log, ::testing::Contains("Trial: 1 EventType: Port Input Code: 8"));
  EXPECT_THAT(r.log,
              ::testing::Contains("Number of trials: 4, Picture/Sound/Video/Response events: 6"));
  ASSERT_EQ(r.saves.size(), 1u);
  EXPECT_EQ(r.saves[0].first, std::string(SF_SAMPLES_DIR) + "/no_subject.prt");
  const FakeProtocol& p = r.saves[0].second;
  EXPECT_THAT(namesOf(p), ElementsAre("Wait Screen", "First Choice", "1", "Second Choice", "2"));
  EXPECT_THAT(p.conditions[0].starts, ElementsAre(200, 8200));
  EXPECT_THAT(p.conditions[0].ends, ElementsAre(3198, 11200));
  EXPECT_THAT(p.conditions[2].starts, ElementsAre(4521));
  EXPECT_THAT(p.conditions[2].ends, ElementsAre(5698));
  EXPECT_THAT(p.conditions[4].starts, ElementsAre(6603));
  EXPECT_THAT(p.conditions[4].ends, ElementsAre(8197));
}

TEST(SampleLogs, SoundAndVideoEventsWithEmptyDurations) {
  const Import all = importSample("sound_video", 2, false, 1);
  ASSERT_EQ(all.saves.size(), 1u);
  const FakeProtocol& p = all.saves[0].second;
  EXPECT_THAT(namesOf(p),
              ElementsAre("clip_speech", "tone_high", "blank", "clip_noise", "tone_low", "3"));
  EXPECT_THAT(all.log,
              ::testing::IsSupersetOf({"Trial: 1, code: clip_speech, duration:               0",
                                       "Trial: 2, code: blank, duration:            4000"}));
  EXPECT_THAT(p.conditions[0].ends, ElementsAre(8498));
  EXPECT_THAT(p.conditions[2].starts, ElementsAre(9000, 22000));
  EXPECT_THAT(p.conditions[2].ends, ElementsAre(12998, 26000));
  EXPECT_THAT(p.conditions[4].ends, ElementsAre(21448));
  // With their own (missing) Durations, Sound and Video intervals are empty.
  const Import own = importSample("sound_video", 2, false, 2);
  ASSERT_EQ(own.saves.size(), 1u);
  EXPECT_THAT(own.saves[0].second.conditions[1].starts, ElementsAre(8500));
  EXPECT_THAT(own.saves[0].second.conditions[1].ends, ElementsAre(8500));
  const Import pictures = importSample("sound_video", 2, true, 1);
  ASSERT_EQ(pictures.saves.size(), 1u);
  EXPECT_THAT(namesOf(pictures.saves[0].second), ElementsAre("blank"));
  EXPECT_THAT(pictures.saves[0].second.conditions[0].ends, ElementsAre(21998, 26000));
}

TEST(SampleLogs, LogWithoutSelectedEventsSavesAnEmptyProtocol) {
  const Import r = importSample("no_selected_events", 2, false, 1);
  EXPECT_THAT(
      r.log, ::testing::IsSupersetOf({"Number of trials: 0, Picture/Sound/Video/Response events: 0",
                                      "Number of lines in first part of file: 12",
                                      "Plugin operations finished successfully."}));
  ASSERT_EQ(r.saves.size(), 1u);
  EXPECT_TRUE(r.saves[0].second.conditions.empty());
  EXPECT_EQ(r.saves[0].second.title, "no_selected_events");
}

TEST(SampleLogs, LongCodesStayDistinct) {
  const Import r = importSample("long_codes", 1, true, 2);
  ASSERT_EQ(r.saves.size(), 1u);
  const std::string stem = "instruction_screen_" + std::string(230, 'x');
  const FakeProtocol& p = r.saves[0].second;
  EXPECT_THAT(namesOf(p), ElementsAre(stem + "_A", stem + "_B"));
  EXPECT_THAT(p.conditions[0].starts, ElementsAre(100, 4100));
  EXPECT_THAT(p.conditions[0].ends, ElementsAre(2100, 6100));
  EXPECT_THAT(r.log, ::testing::Contains("Number of lines in first part of file: 8"));
}

TEST(SampleLogs, DemoLogGivesABlockDesign) {
  const Import r = importSample("face_house_demo", 2, true, 1);
  EXPECT_THAT(
      r.log, ::testing::IsSupersetOf({"Number of trials: 9, Picture/Sound/Video/Response events: 9",
                                      "Number of lines in first part of file: 86"}));
  ASSERT_EQ(r.saves.size(), 1u);
  const FakeProtocol& p = r.saves[0].second;
  EXPECT_THAT(namesOf(p), ElementsAre("fixation", "faces", "houses"));
  EXPECT_THAT(p.conditions[0].starts, ElementsAre(1215, 25215, 49215, 73215, 97215));
  EXPECT_THAT(p.conditions[0].ends, ElementsAre(13213, 37213, 61213, 85213, 109210));
  EXPECT_THAT(p.conditions[1].starts, ElementsAre(13215, 61215));
  EXPECT_THAT(p.conditions[2].ends, ElementsAre(49213, 97213));
}

}  // namespace
}  // namespace stimforge
