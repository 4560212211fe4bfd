// kwhost's BOLD-run checks on any bytes: a NIfTI header from memory (swapped by nifticlib
// when its sizeof_hdr is in the other byte order), a sidecar's text, and the dummy-volume
// rule on counts from the input. Each gives a refusal or finite figures within their ranges.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "fuzz_input.h"
#include "fuzz_targets.h"
#include "kwhost/scan/bold_header.h"
#include "kwhost/scan/bold_sidecar.h"
#include "kwhost/scan/dummy_volumes.h"

namespace stimforge::fuzzing {
namespace {

using namespace stimforge::kwhost;

bool trInRange(const std::optional<double>& ms) {
  return !ms || (std::isfinite(*ms) && *ms >= kMinTrMs && *ms <= kMaxTrMs);
}

void header(const std::string& bytes) {
  BoldHeader h;
  std::string problem;
  if (!checkBoldHeaderBytes(bytes.data(), bytes.size(), h, problem)) {
    SF_FUZZ_CHECK(!problem.empty() && problem.find('\n') == std::string::npos,
                  "a refusal is one line");
    return;
  }
  SF_FUZZ_CHECK(h.niftiVersion == 1 || h.niftiVersion == 2, "a version");
  SF_FUZZ_CHECK(h.volumes >= 1, "at least one volume");
  SF_FUZZ_CHECK(trInRange(h.trMs), "a TR within range");
  SF_FUZZ_CHECK(h.trMs.has_value() == h.noTrReason.empty(), "no TR exactly when a reason");
  SF_FUZZ_CHECK(h.dataOffset >= (h.niftiVersion == 1 ? 348u : 540u), "data after the header");
  SF_FUZZ_CHECK(h.dataBytes <= std::numeric_limits<uint64_t>::max() - h.dataOffset,
                "the sizes fit");
}

void sidecar(const std::string& text) {
  SidecarKeys keys;
  std::string problem;
  if (!parseSidecarText(text, "f_bold.json", keys, problem)) {
    SF_FUZZ_CHECK(problem.rfind("f_bold.json: ", 0) == 0, "a refusal names the file");
    SF_FUZZ_CHECK(problem.find('\n') == std::string::npos, "a refusal is one line");
    return;
  }
  SF_FUZZ_CHECK(trInRange(keys.repetitionTimeMs), "a TR within range");
  for (const auto& count : {keys.discardedByScanner, keys.discardedByUser})
    SF_FUZZ_CHECK(!count || (*count >= 0 && *count <= std::numeric_limits<int32_t>::max()),
                  "counts from 0 to 2^31 - 1");
}

std::optional<int64_t> maybe(FuzzInput& input) {
  const uint8_t flag = input.byte();
  const int32_t value = input.number();
  return flag % 2 == 0 ? std::nullopt : std::optional<int64_t>(value);
}

void dummyVolumes(FuzzInput& input) {
  DummyVolumeInput in;
  in.triggers = input.number();
  in.volumes = input.number();
  in.irregularIntervals = input.byte() % 4;
  in.missingAtGaps = input.byte() % 4;
  in.scans = 1 + input.byte() % 3;
  in.discardedByScanner = maybe(input);
  in.discardedByUser = maybe(input);
  in.skip = maybe(input);
  const DummyVolumes out = decideDummyVolumes(in);
  SF_FUZZ_CHECK(out.k.has_value() == out.unknownReason.empty(), "K or a reason");
  SF_FUZZ_CHECK(out.k.has_value() != out.rule.empty(), "K with its rule");
  if (out.k) {
    SF_FUZZ_CHECK(*out.k >= 0, "K is 0 or more");
    SF_FUZZ_CHECK(in.triggers == 1 || *out.k < in.triggers, "trigger K + 1 exists");
  }
  std::vector<int64_t> triggers;
  const int64_t start = input.number();
  const int64_t step = input.number();
  for (int64_t i = 0; i < std::min<int64_t>(in.triggers, 64) && i >= 0; ++i)
    triggers.push_back(start + i * step);
  double tr = 0;
  const std::string raw = input.text();
  if (raw.size() >= sizeof tr)
    std::memcpy(&tr, raw.data(), sizeof tr);
  const auto zero = timeZeroTenths(triggers, out.k.value_or(in.skip.value_or(0)), tr);
  SF_FUZZ_CHECK(!zero || triggers.size() >= 1, "time zero needs a trigger");
}

}  // namespace

int fuzzBoldScan(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  switch (input.byte() % 3) {
    case 0:
      header(input.rest());
      break;
    case 1:
      sidecar(input.rest());
      break;
    default:
      dummyVolumes(input);
      break;
  }
  return 0;
}

}  // namespace stimforge::fuzzing
