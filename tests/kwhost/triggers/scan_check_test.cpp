// checkLogAgainstScan from memory: a 2000 ms run of regular triggers against images of
// other volume counts and sidecars, each row one decision of K and time zero.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "kwhost/triggers/scan_check.h"

namespace stimforge::kwhost {
namespace {

constexpr Tenths kStart = 100000;
constexpr Tenths kTr = 20000;

std::vector<Tenths> regular(size_t count, Tenths period = kTr) {
  std::vector<Tenths> times;
  for (size_t i = 0; i < count; ++i)
    times.push_back(kStart + static_cast<Tenths>(i) * period);
  return times;
}

struct Image {
  int64_t volumes;
  std::optional<double> headerTrMs = 2000.0;
  std::optional<double> sidecarTrMs;
  std::optional<int64_t> byScanner;
};

Image img(int64_t volumes, std::optional<double> headerTrMs = 2000.0,
          std::optional<double> sidecarTrMs = std::nullopt,
          std::optional<int64_t> byScanner = std::nullopt) {
  return Image{volumes, headerTrMs, sidecarTrMs, byScanner};
}

BoldRun run(const Image& image) {
  BoldHeader header;
  header.niftiVersion = 1;
  header.volumes = image.volumes;
  header.trMs = image.headerTrMs;
  BoldSidecar sidecar;
  if (image.sidecarTrMs)
    sidecar.repetitionTimeMs = SidecarValue<double>{*image.sidecarTrMs, "run.json"};
  if (image.byScanner)
    sidecar.discardedByScanner = SidecarValue<int64_t>{*image.byScanner, "run.json"};
  return combineBoldRun("run.nii.gz", header, sidecar);
}

struct Case {
  const char* name;
  std::vector<Tenths> triggers;
  std::optional<Image> image;  // none: --align with the log's own triggers
  ScanCheckOptions options;    // tr, skip, scan, volumes
  std::optional<int64_t> k;
  std::optional<size_t> zeroTrigger;  // index
  std::optional<Tenths> timeZero;
  size_t findings;
  size_t after;  // stimulus events at or after the scan's end
};

TEST(ScanCheck, KAndTimeZeroFromTheImage) {
  std::vector<Tenths> gap = regular(240);
  gap.erase(gap.begin() + 100);
  std::vector<Tenths> twoScans = regular(20);
  for (size_t i = 0; i < 20; ++i)
    twoScans.push_back(kStart + 400 * kTr + static_cast<Tenths>(i) * kTr);
  // clang-format off
  const Case cases[] = {
      {"as many volumes", regular(240), img(240), {}, 0, 0, kStart, 0, 0},
      {"4 more triggers, nothing stated: two readings", regular(240), img(236), {}, {}, {}, {},
       1, 0},
      {"1 more trigger, the sidecar states none: the last lost", regular(240),
       img(239, 2000.0, 2000.0, 0), {}, 0, 0, kStart, 0, 1},
      {"1 more trigger, the sidecar states 1", regular(240), img(239, 2000.0, 2000.0, 1), {}, 1,
       1, kStart + kTr, 0, 0},
      {"4 more volumes: K unknown", regular(240), img(244), {}, {}, {}, {}, 1, 0},
      {"a gap: K unknown", gap, img(236), {}, {}, {}, {}, 1, 0},
      {"--skip 4 given against 244", regular(240), img(244), {0, 4, 0, 0}, 4, 4,
       kStart + 4 * kTr, 1, 0},
      {"sidecar allows 0 or 2, not 4", regular(240), img(236, 2000.0, 2000.0, 2), {}, {}, {},
       {}, 1, 0},
      {"sidecar allows 4", regular(240), img(236, 2000.0, 2000.0, 4), {}, 4, 4,
       kStart + 4 * kTr, 0, 0},
      {"header 1 s, sidecar 2 s", regular(240), img(236, 1000.0, 2000.0, 4), {}, 4, 4,
       kStart + 4 * kTr, 1, 0},
      {"the scan's TR 1% off", regular(240), img(240, 2050.0), {}, 0, 0, kStart, 2, 0},
      {"--skip 0 against 200 volumes: events after the end", regular(240), img(200),
       {0, 0, 0, 0}, 0, 0, kStart, 1, 40},
      {"first pulse only", regular(1), img(236), {}, 0, 0, kStart, 0, 0},
      {"first pulse, dummies stated: unknown", regular(1), img(236, 2000.0, 2000.0, 4), {}, {},
       {}, {}, 1, 0},
      {"first pulse, --skip 4", regular(1), img(236, 2000.0, 2000.0, 4), {0, 4, 0, 0}, 4, 0,
       kStart + 4 * kTr, 0, 0},
      {"two scans, none chosen", twoScans, img(20), {}, {}, {}, {}, 1, 0},
      {"two scans, --scan 2", twoScans, img(20), {0, {}, 2, 0}, 0, 20,
       kStart + 400 * kTr, 0, 0},
      {"--align: --skip 2", regular(240), std::nullopt, {kTr, 2, 0, 0}, 2, 2, kStart + 2 * kTr,
       0, 0},
      {"--align: --volumes 238 short", regular(240), std::nullopt, {kTr, {}, 0, 238}, 0, 0,
       kStart, 1, 2},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // A stimulus 10 ms after each trigger.
    std::vector<StimulusEvent> stimuli;
    for (size_t i = 0; i < c.triggers.size(); ++i)
      stimuli.push_back(StimulusEvent{static_cast<int64_t>(i), c.triggers[i] + 100, "Picture",
                                      std::to_string(i)});
    std::optional<BoldRun> bold;
    if (c.image)
      bold = run(*c.image);
    const ScanCheck check = checkLogAgainstScan(c.triggers, stimuli, c.options, bold);
    EXPECT_EQ(check.dummies.k, c.k) << check.dummies.unknownReason;
    EXPECT_EQ(check.timeZeroTrigger, c.zeroTrigger);
    EXPECT_EQ(check.timeZero, c.timeZero);
    EXPECT_EQ(check.findings.size(), c.findings) << testing::PrintToString(check.findings);
    EXPECT_EQ(check.outside.after, c.after);
    EXPECT_EQ(check.dummies.k.has_value(), !check.dummies.rule.empty());
    if (check.timeZero) {
      // Events before time zero: those of the skipped triggers.
      EXPECT_EQ(check.outside.before, check.timeZeroAfterTrigger ? 1u : *check.timeZeroTrigger);
      EXPECT_NE(onsetDescription(check, bold, plainSettingWords()).find(check.dummies.rule),
                std::string::npos);
    }
  }
}

// One trigger more than volumes and nothing stated: both readings, what each shows, and how
// far the onsets move between them.
TEST(ScanCheck, OneTriggerMoreThanVolumesReadsTwoWays) {
  const std::vector<Tenths> triggers = regular(240);
  std::vector<StimulusEvent> stimuli;
  for (size_t i = 0; i < triggers.size(); ++i)
    stimuli.push_back(StimulusEvent{static_cast<int64_t>(i), triggers[i] + 100, "Picture", "p"});
  const ScanCheck check = checkLogAgainstScan(triggers, stimuli, {}, run(img(239)));
  EXPECT_FALSE(check.timeZero);
  EXPECT_EQ(check.dummies.twoReadings, 1);
  ASSERT_EQ(check.readings.size(), 2u);
  EXPECT_EQ(check.readings[0].k, 1);
  EXPECT_EQ(check.readings[0].timeZero, kStart + kTr);
  EXPECT_EQ(check.readings[0].outside.before, 1u);
  EXPECT_EQ(check.readings[0].outside.after, 0u);
  EXPECT_EQ(check.readings[1].timeZero, kStart);
  EXPECT_EQ(check.readings[1].outside.before, 0u);
  EXPECT_EQ(check.readings[1].outside.after, 1u);
  EXPECT_EQ(check.readingsShiftMs, 2000.0);
}

}  // namespace
}  // namespace stimforge::kwhost
