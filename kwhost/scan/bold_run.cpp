#include "kwhost/scan/bold_run.h"

#include <cmath>
#include <cstdio>

namespace stimforge::kwhost {
std::string formatTrMs(double ms) {
  char text[40];
  std::snprintf(text, sizeof text, "%.10g ms", ms);
  return text;
}

BoldRun combineBoldRun(const std::filesystem::path& image, const BoldHeader& header,
                       const BoldSidecar& sidecar) {
  BoldRun run;
  run.image = image;
  run.niftiVersion = header.niftiVersion;
  run.volumes = header.volumes;
  run.headerTrMs = header.trMs;
  run.headerNoTrReason = header.noTrReason;
  run.sidecar = sidecar;
  if (sidecar.repetitionTimeMs)
    run.sidecarTrMs = sidecar.repetitionTimeMs->value;
  if (sidecar.discardedByScanner)
    run.discardedByScanner = sidecar.discardedByScanner->value;
  if (sidecar.discardedByUser)
    run.discardedByUser = sidecar.discardedByUser->value;

  if (run.sidecarTrMs) {
    run.trMs = run.sidecarTrMs;
    run.trSource = TrSource::kSidecar;
  } else if (run.headerTrMs) {
    run.trMs = run.headerTrMs;
    run.trSource = TrSource::kHeader;
  }
  if (run.headerTrMs && run.sidecarTrMs &&
      std::fabs(*run.headerTrMs - *run.sidecarTrMs) > kHeaderTrTolerance * *run.sidecarTrMs) {
    run.findings.push_back("the header's TR (pixdim[4], " + formatTrMs(*run.headerTrMs) +
                           ") and the sidecar's RepetitionTime (" + formatTrMs(*run.sidecarTrMs) +
                           ", " + sidecar.repetitionTimeMs->file.filename().string() +
                           ") differ by more than 0.1%: the sidecar's is used");
  }
  return run;
}

bool readBoldRun(const std::filesystem::path& image, bool allowNoTr, BoldRun& run,
                 std::string& message, SidecarListings* listings) {
  BoldHeader header;
  BoldSidecar sidecar;
  if (!readBoldHeader(image, header, message) ||
      !readBoldSidecar(image, sidecar, message, listings))
    return false;
  run = combineBoldRun(image, header, sidecar);
  if (run.trSource == TrSource::kNone && !allowNoTr) {
    message = noTrMessage(run);
    return false;
  }
  return true;
}

std::string noTrMessage(const BoldRun& run) {
  return run.image.string() + ": no repetition time: not in the header (" + run.headerNoTrReason +
         ") nor in any sidecar (RepetitionTime)";
}

}  // namespace stimforge::kwhost
