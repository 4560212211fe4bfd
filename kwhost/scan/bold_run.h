// A BOLD run as kwhost uses it: the image's header and its merged sidecar combined into the
// volume count, the TR to use and the discarded volumes the sidecar states. Host-free.
// Times are milliseconds in a double (see bold_header.h).
#ifndef STIMFORGE_KWHOST_SCAN_BOLD_RUN_H_
#define STIMFORGE_KWHOST_SCAN_BOLD_RUN_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "kwhost/scan/bold_header.h"
#include "kwhost/scan/bold_sidecar.h"

namespace stimforge::kwhost {

// The header's TR and the sidecar's may differ by this fraction (0.1%) before it is a finding.
inline constexpr double kHeaderTrTolerance = 0.001;

enum class TrSource { kNone, kHeader, kSidecar };

struct BoldRun {
  std::filesystem::path image;
  int niftiVersion = 0;
  int64_t volumes = 0;
  std::optional<double> headerTrMs;
  std::string headerNoTrReason;  // why headerTrMs is empty
  std::optional<double> sidecarTrMs;
  // The TR used: the sidecar's when both are there (converters leave pixdim[4] at 0 or 1),
  // else the header's; empty with kNone when neither gives one.
  std::optional<double> trMs;
  TrSource trSource = TrSource::kNone;
  BoldSidecar sidecar;  // the files and which gave each value
  std::optional<int64_t> discardedByScanner;
  std::optional<int64_t> discardedByUser;
  // One line each, e.g. the header's and the sidecar's TR disagreeing.
  std::vector<std::string> findings;
};

// A TR for messages: "2000 ms", "723.4 ms" (ten significant digits at most).
std::string formatTrMs(double ms);

// Combines a header that passed its checks and a merged sidecar. Never fails: a run without a
// TR has trSource kNone (see noTrMessage).
BoldRun combineBoldRun(const std::filesystem::path& image, const BoldHeader& header,
                       const BoldSidecar& sidecar);

// Reads the header and the sidecars of `image` and combines them. Returns false with
// `message` set to the header's or a sidecar's refusal (one line naming the file), or, unless
// `allowNoTr`, to noTrMessage(run) when no TR is known. A caller that has a TR of its own
// (--tr) passes allowNoTr and decides itself.
// `listings`: see readBoldSidecar.
[[nodiscard]] bool readBoldRun(const std::filesystem::path& image, bool allowNoTr, BoldRun& run,
                               std::string& message, SidecarListings* listings = nullptr);

// "IMAGE: no repetition time: not in the header (pixdim[4] is 0) nor in any sidecar": the
// refusal for a run with no TR, for a caller that has no TR of its own either.
std::string noTrMessage(const BoldRun& run);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_SCAN_BOLD_RUN_H_
