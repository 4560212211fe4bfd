// Prints what kwhost/scan reads from each image given: a line of figures, or the refusal.
// The Windows build runs it under Wine and compares its lines with the Linux build's.
#include <cstdio>
#include <string>

#include "kwhost/scan/bold_run.h"

int main(int argc, char** argv) {
  using namespace stimforge::kwhost;
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    BoldRun run;
    std::string message;
    if (!readBoldRun(argv[i], true, run, message)) {
      std::printf("refused: %s\n", message.c_str());
      status = 1;
      continue;
    }
    std::printf("NIfTI-%d volumes %lld tr_ms %.4f sidecar_files %zu by_scanner %lld\n",
                run.niftiVersion, static_cast<long long>(run.volumes), run.trMs.value_or(0),
                run.sidecar.files.size(),
                static_cast<long long>(run.discardedByScanner.value_or(-1)));
    for (const std::string& finding : run.findings)
      std::printf("finding: %s\n", finding.c_str());
  }
  return status;
}
