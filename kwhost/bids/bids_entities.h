// BIDS file names: the entities of a functional run, in the order BIDS gives them, and file
// names split into entities, suffix and extension. Shared by `kwhost events --bids-name`,
// the BOLD sidecar's inheritance and the study's matching of logs to runs.
#ifndef STIMFORGE_KWHOST_BIDS_BIDS_ENTITIES_H_
#define STIMFORGE_KWHOST_BIDS_BIDS_ENTITIES_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace stimforge::kwhost {

// What an entity's value may be.
enum class EntityValue {
  kLabel,  // ASCII letters and digits, at least one
  kIndex,  // ASCII digits, at least one; compared as a number ("1" is "01")
  kPart,   // mag, phase, real or imag
};

struct EntityKind {
  const char* key;
  EntityValue value;
  bool required;
};

// The entities of a functional run's name, in BIDS order: sub, ses, task, acq, ce, rec,
// dir, run, echo, part. sub and task are required.
const EntityKind* functionalEntities();
size_t functionalEntityCount();

// The entity called `key` among the functional ones, or null.
const EntityKind* functionalEntity(std::string_view key);

// "sub, ses, task, acq, ce, rec, dir, run, echo, part", for messages.
std::string functionalEntityOrder();

struct BidsEntity {
  std::string key;
  std::string value;
};

// A file name split at its underscores: "sub-01_task-x_run-1_bold.nii.gz" has the entities
// sub-01, task-x and run-1, the suffix "bold" and the extension ".nii.gz" (everything from
// the first dot of the last part). Entities keep the file's own spelling and order.
struct BidsFileName {
  std::vector<BidsEntity> entities;
  std::string suffix;
  std::string extension;

  // The value of entity `key`, or null when the name has none.
  const std::string* value(std::string_view key) const;
};

// Splits `fileName` (no folders) into `name`. Every part but the last must be KEY-VALUE with
// a non-empty key and value of letters and digits, no key twice; the last part is the
// suffix (letters and digits) with its extension. Returns false when the name is not of that
// shape; `name` is then unspecified. Keys are not checked against any list.
[[nodiscard]] bool splitBidsFileName(std::string_view fileName, BidsFileName& name);

// Whether `value` may stand for an entity of kind `kind`.
bool entityValueFits(EntityValue kind, std::string_view value);

// Whether two values of entity `key` name the same thing: indices (run, echo) compare as
// numbers of any length, so "1" matches "01"; other values compare as text.
bool sameEntityValue(std::string_view key, std::string_view a, std::string_view b);

// Whether `name` (entities only: no suffix, no extension) is the name of a functional run:
// sub-LABEL[_ses-LABEL]_task-LABEL[_acq-LABEL][_ce-LABEL][_rec-LABEL][_dir-LABEL]
// [_run-INDEX][_echo-INDEX][_part-mag|phase|real|imag], every entity at most once and in
// that order. Returns false with `problem` set to what is wrong; a missing, unknown or
// misplaced entity's message gives the expected order.
[[nodiscard]] bool checkFunctionalRunName(std::string_view name, std::string& problem);

// The names of a run's events files, the one place they are formed: NAME_events.tsv and
// NAME_events.json for the run named NAME ("sub-01_task-x_run-1", or a log's stem).
std::string eventsTableName(const std::string& name);
std::string eventsSidecarName(const std::string& name);

// The sidecar beside the events file at `tsv`: its path with ".json" for ".tsv" (added when
// it has no ".tsv").
std::string sidecarPathOf(const std::string& tsv);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_BIDS_BIDS_ENTITIES_H_
