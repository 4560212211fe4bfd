#include "kwhost/scan/dummy_volumes.h"

#include <cmath>
#include <limits>

#include "kwhost/scan/bold_header.h"

namespace stimforge::kwhost {
namespace {

std::string n(int64_t value) {
  return std::to_string(value);
}

std::string plural(int64_t count, const char* word) {
  return n(count) + " " + word + (count == 1 ? "" : "s");
}

// The Ks the sidecar allows: ByUser, or ByUser + ByScanner (scanners may or may not send
// triggers for the dummies they discard). Empty when it states neither.
struct Allowed {
  bool stated = false;
  int64_t user = 0;
  int64_t both = 0;
  bool contains(int64_t k) const { return k == user || k == both; }
  bool onlyZero() const { return both == 0 && user == 0; }
  std::string text() const { return user == both ? n(user) : n(user) + " or " + n(both); }
  std::string source(const DummyVolumeInput& in) const {
    std::string text = "the sidecar states ";
    if (in.discardedByScanner)
      text += "NumberOfVolumesDiscardedByScanner " + n(*in.discardedByScanner);
    if (in.discardedByScanner && in.discardedByUser)
      text += " and ";
    if (in.discardedByUser)
      text += "NumberOfVolumesDiscardedByUser " + n(*in.discardedByUser);
    return text;
  }
};

Allowed allowedBySidecar(const DummyVolumeInput& in) {
  Allowed allowed;
  allowed.stated = in.discardedByScanner.has_value() || in.discardedByUser.has_value();
  allowed.user = in.discardedByUser.value_or(0);
  allowed.both = allowed.user + in.discardedByScanner.value_or(0);
  return allowed;
}

DummyVolumes withSkip(const DummyVolumeInput& in, const Allowed& allowed) {
  DummyVolumes out;
  const int64_t k = *in.skip;
  const std::string skip = in.words->given(Setting::kSkip, n(k));
  if (k < 0 || (in.triggers > 1 && k >= in.triggers)) {
    out.unknownReason =
        skip + " leaves no trigger for time zero (" + plural(in.triggers, "trigger") + ")";
    return out;
  }
  out.k = k;
  if (in.triggers == 1) {
    out.rule = "given with " + skip + ": one trigger (first pulse only), time zero " + n(k) +
               " TR after it";
  } else {
    out.rule = "given with " + skip + ": time zero at trigger " + n(k + 1);
    if (in.triggers - k != in.volumes)
      out.findings.push_back(plural(in.triggers, "trigger") + " less the " + n(k) +
                             " skipped leave " + n(in.triggers - k) + ", the image has " +
                             plural(in.volumes, "volume"));
  }
  if (allowed.stated && !allowed.contains(k))
    out.findings.push_back(skip + " disagrees with the sidecar: " + allowed.source(in) +
                           ", so K should be " + allowed.text());
  return out;
}

// D more triggers than volumes and no statement: two readings, K unknown.
DummyVolumes twoReadings(const DummyVolumeInput& in, int64_t d, const std::string& counts) {
  DummyVolumes out;
  out.twoReadings = d;
  const SettingWords& words = *in.words;
  out.unknownReason =
      plural(d, "trigger") + " more than volumes " + counts + " read two ways: " +
      (d == 1 ? "a dummy volume" : n(d) + " dummy volumes") + " at the start (time zero at "
      "trigger " + n(d + 1) + ") or " + (d == 1 ? "a volume" : n(d) + " volumes") +
      " lost at the end (time zero at trigger 1); nothing in the log tells them apart: give " +
      words.given(Setting::kSkip, n(d)) + " or " + words.given(Setting::kSkip, "0") +
      ", or state NumberOfVolumesDiscardedByScanner in the run's sidecar (at the dataset's top "
      "level it covers every run of the task)";
  return out;
}

// D more triggers than volumes, and a sidecar that states no discarded volume: K = 0.
DummyVolumes lostAtTheEnd(const DummyVolumeInput& in, const Allowed& allowed, int64_t d,
                          const std::string& counts) {
  DummyVolumes out;
  out.k = 0;
  out.afterLastVolume = d;
  out.rule = plural(d, "trigger") + " more than volumes " + counts + ", and " +
             allowed.source(in) + ": time zero at trigger 1; the last " +
             (d == 1 ? "trigger has" : n(d) + " triggers have") +
             " no stored volume (the scan stopped during " + (d == 1 ? "it" : "them") + ")";
  return out;
}

}  // namespace

DummyVolumes decideDummyVolumes(const DummyVolumeInput& in) {
  DummyVolumes out;
  const Allowed allowed = allowedBySidecar(in);
  if (in.scans > 1) {
    out.unknownReason = "the log holds " + n(in.scans) + " scans: choose one with " +
                        in.words->given(Setting::kScan, "N");
    return out;
  }
  if (in.volumes < 1) {
    out.unknownReason = "the image holds no volume";
    return out;
  }
  if (in.triggers <= 0) {
    out.unknownReason = "the log holds no trigger: time zero cannot come from the scan";
    return out;
  }
  if (in.skip)
    return withSkip(in, allowed);

  if (in.triggers == 1) {
    if (allowed.stated && !allowed.onlyZero()) {
      out.unknownReason = "one trigger (first pulse only), and " + allowed.source(in) +
                          ": the log cannot say whether that trigger came before them; give " +
                          in.words->given(Setting::kSkip, "K") +
                          " (time zero = the trigger + K x TR)";
      return out;
    }
    out.k = 0;
    out.rule = "one trigger (first pulse only): time zero is that trigger";
    return out;
  }
  const std::string counts =
      "(" + plural(in.triggers, "trigger") + ", " + plural(in.volumes, "volume") + ")";
  const int64_t extra = in.triggers - in.volumes;
  if (extra < 0) {
    out.unknownReason =
        plural(-extra, "trigger") + " fewer than volumes " + counts +
        (in.missingAtGaps > 0
             ? ": triggers were lost, " + n(in.missingAtGaps) + " of them at the gaps"
             : ": the log probably began after the scan, or triggers were lost");
    return out;
  }
  if (in.irregularIntervals > 0) {
    out.unknownReason = "the trigger intervals are irregular (" +
                        plural(in.irregularIntervals, "gap or extra trigger") + ") " + counts +
                        ": lost or extra triggers, so the difference is no count of dummies";
    return out;
  }
  if (extra > 0 && !allowed.stated)
    return twoReadings(in, extra, counts);
  if (extra > 0 && allowed.onlyZero())
    return lostAtTheEnd(in, allowed, extra, counts);
  if (allowed.stated && !allowed.contains(extra)) {
    out.unknownReason = plural(extra, "trigger") + " more than volumes " + counts + ", but " +
                        allowed.source(in) + ", so K should be " + allowed.text() +
                        ": the scan was stopped early, triggers were lost, or the sidecar is "
                        "wrong";
    return out;
  }
  out.k = extra;
  out.rule = extra == 0 ? "as many triggers as volumes " + counts + ": time zero at trigger 1"
                        : plural(extra, "trigger") + " more than volumes " + counts + ", and " +
                              allowed.source(in) +
                              ": dummy volumes at the start, time zero at trigger " +
                              n(extra + 1) + "; the count check is met by construction";
  if (allowed.stated && extra == 0)
    out.rule += "; " + allowed.source(in) + ", which agrees";
  return out;
}

std::optional<int64_t> timeZeroTenths(const std::vector<int64_t>& triggers, int64_t k,
                                      std::optional<double> trMs) {
  if (k < 0 || triggers.empty())
    return std::nullopt;
  if (static_cast<uint64_t>(k) < triggers.size())
    return triggers[static_cast<size_t>(k)];
  if (triggers.size() != 1 || !trMs || !(*trMs > 0 && *trMs <= kMaxTrMs) ||
      k > std::numeric_limits<int32_t>::max())
    return std::nullopt;
  // At most 2^31 x 3.6e7 tenths: well inside 64 bits.
  const int64_t shift = std::llround(tenthsOfMs(static_cast<double>(k) * *trMs));
  if (triggers[0] > std::numeric_limits<int64_t>::max() - shift)
    return std::nullopt;
  return triggers[0] + shift;
}

}  // namespace stimforge::kwhost
