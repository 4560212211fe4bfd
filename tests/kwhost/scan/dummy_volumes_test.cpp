#include "kwhost/scan/dummy_volumes.h"

#include <gtest/gtest.h>

#include <ostream>

namespace stimforge::kwhost {
namespace {

constexpr int64_t kUnknown = -1;
constexpr int64_t kNone = -1;  // a sidecar key or --skip not given

struct Row {
  const char* name;
  int64_t triggers, volumes, irregular, missingAtGaps, scans, byScanner, byUser, skip;
  int64_t k;
  const char* text;     // the rule, or the reason when K is unknown
  const char* finding;  // empty: none
};

void PrintTo(const Row& row, std::ostream* out) {
  *out << row.name;
}

// The settings named as the command line names them.
class OptionLikeWords : public SettingWords {
 public:
  bool has(Setting) const override { return true; }
  std::string name(Setting setting) const override {
    return std::string("--") + settingKey(setting);
  }
  std::string given(Setting setting, const std::string& value) const override {
    return name(setting) + (value.empty() ? "" : " " + value);
  }
  std::string detailsHint(bool) const override { return ""; }
};

DummyVolumeInput inputOf(const Row& row) {
  static const OptionLikeWords words;
  DummyVolumeInput in;
  in.words = &words;
  in.triggers = row.triggers;
  in.volumes = row.volumes;
  in.irregularIntervals = row.irregular;
  in.missingAtGaps = row.missingAtGaps;
  in.scans = row.scans;
  if (row.byScanner != kNone)
    in.discardedByScanner = row.byScanner;
  if (row.byUser != kNone)
    in.discardedByUser = row.byUser;
  if (row.skip != kNone)
    in.skip = row.skip;
  return in;
}

class DummyVolumeRule : public testing::TestWithParam<Row> {};

TEST_P(DummyVolumeRule, GivesKOrWhyNot) {
  const Row& row = GetParam();
  const DummyVolumes out = decideDummyVolumes(inputOf(row));
  EXPECT_EQ(out.k.value_or(kUnknown), row.k);
  EXPECT_EQ(out.k ? out.rule : out.unknownReason, row.text);
  EXPECT_EQ(out.k ? out.unknownReason : out.rule, "");
  EXPECT_EQ(out.findings,
            *row.finding ? std::vector<std::string>{row.finding} : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DummyVolumeRule,
    testing::Values(
        Row{"Equal", 240, 240, 0, 0, 1, kNone, kNone, kNone, 0,
            "as many triggers as volumes (240 triggers, 240 volumes): time zero at trigger 1", ""},
        // More triggers than volumes: dummies at the start or volumes lost at the end.
        Row{"FourMoreNothingStated", 240, 236, 0, 0, 1, kNone, kNone, kNone, kUnknown,
            "4 triggers more than volumes (240 triggers, 236 volumes) read two ways: 4 dummy "
            "volumes at the start (time zero at trigger 5) or 4 volumes lost at the end (time "
            "zero at trigger 1); nothing in the log tells them apart: give --skip 4 or --skip 0, "
            "or state NumberOfVolumesDiscardedByScanner in the run's sidecar (at the dataset's "
            "top level it covers every run of the task)",
            ""},
        Row{"FourDummiesStated", 240, 236, 0, 0, 1, 4, kNone, kNone, 4,
            "4 triggers more than volumes (240 triggers, 236 volumes), and the sidecar states "
            "NumberOfVolumesDiscardedByScanner 4: dummy volumes at the start, time zero at "
            "trigger 5; the count check is met by construction",
            ""},
        Row{"OneMoreNothingDiscarded", 101, 100, 0, 0, 1, 0, kNone, kNone, 0,
            "1 trigger more than volumes (101 triggers, 100 volumes), and the sidecar states "
            "NumberOfVolumesDiscardedByScanner 0: time zero at trigger 1; the last trigger has no "
            "stored volume (the scan stopped during it)",
            ""},
        Row{"OneMoreByUser", 101, 100, 0, 0, 1, kNone, 1, kNone, 1,
            "1 trigger more than volumes (101 triggers, 100 volumes), and the sidecar states "
            "NumberOfVolumesDiscardedByUser 1: dummy volumes at the start, time zero at trigger "
            "2; the count check is met by construction",
            ""},
        // Scanners that send no trigger for their dummies: K = ByUser = 0.
        Row{"ScannerSentNoTriggersForItsDummies", 236, 236, 0, 0, 1, 4, 0, kNone, 0,
            "as many triggers as volumes (236 triggers, 236 volumes): time zero at trigger 1; "
            "the sidecar states NumberOfVolumesDiscardedByScanner 4 and "
            "NumberOfVolumesDiscardedByUser 0, which agrees",
            ""},
        Row{"SidecarDisagrees", 240, 236, 0, 0, 1, 2, 1, kNone, kUnknown,
            "4 triggers more than volumes (240 triggers, 236 volumes), but the sidecar states "
            "NumberOfVolumesDiscardedByScanner 2 and NumberOfVolumesDiscardedByUser 1, so K "
            "should be 1 or 3: the scan was stopped early, triggers were lost, or the sidecar is "
            "wrong",
            ""},
        Row{"FourMoreVolumes", 236, 240, 0, 0, 1, kNone, kNone, kNone, kUnknown,
            "4 triggers fewer than volumes (236 triggers, 240 volumes): the log probably began "
            "after the scan, or triggers were lost",
            ""},
        Row{"FewerWithGaps", 236, 240, 2, 4, 1, kNone, kNone, kNone, kUnknown,
            "4 triggers fewer than volumes (236 triggers, 240 volumes): triggers were lost, 4 of "
            "them at the gaps",
            ""},
        Row{"MoreWithGaps", 240, 236, 1, 1, 1, kNone, kNone, kNone, kUnknown,
            "the trigger intervals are irregular (1 gap or extra trigger) (240 triggers, 236 "
            "volumes): lost or extra triggers, so the difference is no count of dummies",
            ""},
        Row{"TwoScans", 480, 236, 0, 0, 2, kNone, kNone, kNone, kUnknown,
            "the log holds 2 scans: choose one with --scan N", ""},
        // Found by the fuzzer: K was every trigger, and trigger K + 1 did not exist.
        Row{"NoVolumeGaveKOfEveryTrigger", 236, 0, 0, 0, 1, kNone, kNone, kNone, kUnknown,
            "the image holds no volume", ""},
        Row{"NoTrigger", 0, 236, 0, 0, 1, kNone, kNone, kNone, kUnknown,
            "the log holds no trigger: time zero cannot come from the scan", ""},
        Row{"FirstPulseOnly", 1, 236, 0, 0, 1, kNone, kNone, kNone, 0,
            "one trigger (first pulse only): time zero is that trigger", ""},
        Row{"FirstPulseOnlyWithStatedDummies", 1, 236, 0, 0, 1, 4, kNone, kNone, kUnknown,
            "one trigger (first pulse only), and the sidecar states "
            "NumberOfVolumesDiscardedByScanner 4: the log cannot say whether that trigger came "
            "before them; give --skip K (time zero = the trigger + K x TR)",
            ""},
        Row{"FirstPulseOnlyWithSkip", 1, 236, 0, 0, 1, 4, kNone, 4, 4,
            "given with --skip 4: one trigger (first pulse only), time zero 4 TR after it", ""},
        Row{"SkipGivenAgainstTheSidecar", 238, 236, 0, 0, 1, 4, 1, 2, 2,
            "given with --skip 2: time zero at trigger 3",
            "--skip 2 disagrees with the sidecar: the sidecar states "
            "NumberOfVolumesDiscardedByScanner 4 and NumberOfVolumesDiscardedByUser 1, so K "
            "should be 1 or 5"},
        Row{"SkipGivenAgainstTheCount", 236, 240, 0, 0, 1, kNone, kNone, 0, 0,
            "given with --skip 0: time zero at trigger 1",
            "236 triggers less the 0 skipped leave 236, the image has 240 volumes"},
        Row{"SkipBeyondTheTriggers", 240, 236, 0, 0, 1, kNone, kNone, 240, kUnknown,
            "--skip 240 leaves no trigger for time zero (240 triggers)", ""}),
    [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

TEST(TimeZeroTenths, TriggerKPlusOneOrOneTriggerPlusKTr) {
  const std::vector<int64_t> triggers = {1000, 21000, 41000};
  EXPECT_EQ(timeZeroTenths(triggers, 0, 2000.0), 1000);
  EXPECT_EQ(timeZeroTenths(triggers, 2, std::nullopt), 41000);
  EXPECT_EQ(timeZeroTenths(triggers, 3, 2000.0), std::nullopt);
  // 4 x 723.4 ms = 2893.6 ms, exact in tenths.
  EXPECT_EQ(timeZeroTenths({1000}, 4, 723.4), 1000 + 28936);
  EXPECT_EQ(timeZeroTenths({1000}, 4, std::nullopt), std::nullopt);
  EXPECT_EQ(timeZeroTenths({INT64_MAX - 5}, 1, 2000.0), std::nullopt);
  EXPECT_EQ(timeZeroTenths({}, 0, 2000.0), std::nullopt);
  EXPECT_EQ(timeZeroTenths(triggers, -1, 2000.0), std::nullopt);
}

}  // namespace
}  // namespace stimforge::kwhost
