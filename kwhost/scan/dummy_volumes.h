// K, the triggers in a log without a stored volume (dummy volumes the scanner sent triggers
// for, or volumes removed afterwards): volumes + K should equal the triggers, and time zero
// is trigger K + 1. Pure functions, host-free.
#ifndef STIMFORGE_KWHOST_SCAN_DUMMY_VOLUMES_H_
#define STIMFORGE_KWHOST_SCAN_DUMMY_VOLUMES_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kwhost/settings/setting_words.h"

namespace stimforge::kwhost {

struct DummyVolumeInput {
  int64_t triggers = 0;                       // the scan's triggers in the log
  int64_t volumes = 0;                        // stored in the image (dim[4])
  int64_t irregularIntervals = 0;             // gaps and extra triggers among them; 0: regular
  int64_t missingAtGaps = 0;                  // triggers the gaps hide
  int64_t scans = 1;                          // scans the triggers form (1 once --scan N chose one)
  std::optional<int64_t> discardedByScanner;  // as the sidecar states them
  std::optional<int64_t> discardedByUser;
  std::optional<int64_t> skip;  // K as the user gives it
  // How the front end names the settings in the rule and the reasons ("given with --skip 4").
  const SettingWords* words = &plainSettingWords();
};

struct DummyVolumes {
  std::optional<int64_t> k;
  // How K was chosen, one line for reports and the events sidecar's onset description,
  // e.g. "4 triggers more than volumes (240 triggers, 236 volumes): taken as dummy volumes
  // at the start, time zero at trigger 5; the count check is met by construction".
  std::string rule;
  // When K is empty: why, and the likely cause. An unknown K is a finding in itself.
  std::string unknownReason;
  // Mismatches between the log, the image and the sidecar, one line each.
  std::vector<std::string> findings;
  // D > 0 when K is unknown because D more triggers than volumes read two ways: D dummy
  // volumes at the start (time zero at trigger D + 1), or D volumes lost at the end (time
  // zero at trigger 1). Nothing in the log tells them apart; K, or the sidecar, settles it.
  int64_t twoReadings = 0;
  // With K = 0 from a sidecar that states no discarded volume: the D last triggers, which
  // have no stored volume (the scan stopped during them).
  int64_t afterLastVolume = 0;
};

// K by the rule, never a guess: the user's K when given; else, with one scan of regular
// intervals and D = triggers - volumes:
// - D = 0: K = 0 (a sidecar stating discarded volumes must allow it);
// - D > 0 and the sidecar states discarded volumes: a stated count equal to D (ByUser, or
//   ByUser + ByScanner, a missing one counting 0) gives K = D; a sidecar that states only 0
//   gives K = 0, the D last triggers having no stored volume (afterLastVolume); any other
//   statement leaves K unknown;
// - D > 0 and no statement: K unknown, with twoReadings = D;
// - D < 0: unknown (triggers lost, or the log began after the scan).
// For a K given, a sidecar that disagrees is a finding. With one trigger (first pulse only)
// K is 0 unless the sidecar states volumes discarded; then it is unknown unless given (time
// zero is then the trigger + K x TR, see timeZeroTenths).
DummyVolumes decideDummyVolumes(const DummyVolumeInput& input);

// Time zero in tenths of a millisecond: trigger K + 1 when there are more than K triggers;
// with one trigger, that trigger + K x TR rounded to the nearest tenth. Empty when neither
// applies, when K is negative, TR is not in (0, kMaxTrMs], or the sum leaves 64 bits.
std::optional<int64_t> timeZeroTenths(const std::vector<int64_t>& triggers, int64_t k,
                                      std::optional<double> trMs);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_SCAN_DUMMY_VOLUMES_H_
