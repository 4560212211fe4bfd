// The steps of planStudy beyond matching logs to runs (study_plan.h): checks that need the
// study's files, and the split of a log of several scans. For the plan's own code.
#ifndef STIMFORGE_KWHOST_STUDY_PLAN_STEPS_H_
#define STIMFORGE_KWHOST_STUDY_PLAN_STEPS_H_

#include <string>
#include <vector>

#include "kwhost/study/bids_dataset.h"
#include "kwhost/study/study_file.h"
#include "kwhost/study/study_plan.h"

namespace stimforge::kwhost {

// The task entity's value among `entities`, or null.
const std::string* taskOf(const std::vector<BidsEntity>& entities);

// Refuses the [task.LABEL] tables whose task no log (after renaming) and no BOLD run has,
// naming the tasks the study has.
void checkTaskTables(const StudyFile& study, const std::vector<std::string>& logTasks,
                     const BidsDataset& dataset, StudyPlan& plan);

// Refuses, before anything is written, further columns that a run's log cannot give: each
// log of a task that asks for columns has its head read. Only the first is refused.
void checkColumns(const StudyInput& input, const StudyFile& study, StudyPlan& plan);

// The runs of a log of split_scans: one per scan it holds (its triggers are read for it),
// numbered on from its {run} (as wide as it is written), or from 1, each with its scan.
std::vector<StudyRun> splitByScans(const StudyInput& input, const StudyRun& run);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_STUDY_PLAN_STEPS_H_
