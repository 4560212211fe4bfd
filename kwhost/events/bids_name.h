// The BIDS entities of --bids-name: sub-X[_ses-Y]_task-Z[_run-N].
#ifndef STIMFORGE_KWHOST_EVENTS_BIDS_NAME_H_
#define STIMFORGE_KWHOST_EVENTS_BIDS_NAME_H_

#include <string>
#include <string_view>

namespace stimforge::kwhost {

// Whether `name` is sub-LABEL, optionally _ses-LABEL, then _task-LABEL, optionally
// _run-INDEX, in that order and nothing else; labels are ASCII letters and digits, the
// index ASCII digits. Returns false with `problem` set to what is wrong.
[[nodiscard]] bool checkBidsName(std::string_view name, std::string& problem);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_EVENTS_BIDS_NAME_H_
