// `kwhost import --bold FILE` and `--align`: after the plug-in's import has saved LOG's
// protocol, the plug-in's own offset shift (menu answer 2) moves it so that time zero is the
// scan's first stored volume (--bold) or a trigger of the log (--align), as a user of the
// host would do by hand.
#ifndef STIMFORGE_KWHOST_CLI_IMPORT_ALIGN_H_
#define STIMFORGE_KWHOST_CLI_IMPORT_ALIGN_H_

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "kwhost/cli/plugin_runs.h"
#include "kwhost/settings/run_settings.h"
#include "kwhost/settings/setting_words.h"

namespace stimforge::kwhost {

// The largest shift the plug-in's dialogue takes, in milliseconds.
inline constexpr int64_t kMaxShiftMs = 3000000;

struct AlignRequest {
  std::string log;       // the one LOG
  std::string bold;      // the BOLD image; "" for --align
  std::string protocol;  // where the import saves LOG's protocol (run1.prt)
  bool force = false;    // --force: the shifted protocol may replace a file
  // The trigger, K (not given: auto with --bold, else 0), the scan, and the TR that places
  // time zero K TR after a lone first pulse without an image (the import's own).
  RunSettings settings;
  const SettingWords* words = nullptr;
};

// The shift in milliseconds for a time zero in tenths: floor(tenths / 10), also below 0.
int64_t shiftFromTimeZero(int64_t tenths);

// Intervals (start, end in ms) that shifting `amount` ms earlier cuts at 0 (start before 0,
// end after) or moves wholly before 0 (end at or before 0: they become 0-0).
struct ShiftCuts {
  size_t cut = 0;
  size_t wholly = 0;
};
ShiftCuts cutsOfShift(const std::vector<int32_t>& starts, const std::vector<int32_t>& ends,
                      int64_t amount);

// Reads the log's triggers (and the image with --bold), works out time zero through the run
// pipeline's check, and appends the shift run to `runs` (after the import run already
// there): both saves are planned here, before anything runs, and an existing shifted file is
// refused without --force. Says on `err` which trigger gives the shift. Returns 0, or
// kFailure after a message (unreadable log or image, K unknown, a shift over kMaxShiftMs,
// a file in the way). A time zero of 0 ms needs no shift: no run is appended.
int planAlignment(const AlignRequest& request, std::vector<PlannedRun>& runs, std::ostream& err);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_CLI_IMPORT_ALIGN_H_
