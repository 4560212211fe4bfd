// The functional runs of a BIDS dataset, found by their BOLD images:
// sub-X[/ses-Y]/func/sub-X[_ses-Y]_task-Z[...]_bold.nii[.gz] below the dataset's root.
// Nothing is read from the images; sourcedata/ and derivatives/ are never looked into.
#ifndef STIMFORGE_KWHOST_STUDY_BIDS_DATASET_H_
#define STIMFORGE_KWHOST_STUDY_BIDS_DATASET_H_

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "kwhost/bids/bids_entities.h"

namespace stimforge::kwhost {

struct BoldImage {
  std::string path;  // relative to the root, "/" between folders
  std::string echo;  // the image's echo- and part- values, "" where its name has none
  std::string part;
};

// One run: a single image, or the images of a multi-echo run that differ only in echo and
// part, which share one events file.
struct DatasetRun {
  std::string folder;                // "sub-01/ses-1/func", relative to the root
  std::string name;                  // "sub-01_ses-1_task-faces_run-01": the entities but
                                     // echo and part, spelt as in the file names
  std::vector<BidsEntity> entities;  // the entities of `name`, in order
  std::vector<BoldImage> images;     // sorted by path; at least one
  std::string problem;               // non-empty when the run is refused (an image
                                     // there both as .nii and as .nii.gz)
};

// A *_bold.nii[.gz] file that is no run: its name is not a valid run name, or it is not in
// the folder its sub- and ses- entities give.
struct SkippedImage {
  std::string path;  // relative to the root
  std::string reason;
};

struct BidsDataset {
  std::vector<DatasetRun> runs;   // sorted by folder, then name
  std::set<std::string> folders;  // the sub-X and sub-X/ses-Y folders there are
  std::vector<SkippedImage> skipped;
};

// Finds the runs below `root`. Returns false with `problem` set when `root` is no folder,
// holds no dataset_description.json (the message names it), or a folder cannot be listed.
[[nodiscard]] bool findBoldRuns(const std::filesystem::path& root, BidsDataset& dataset,
                                std::string& problem);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_STUDY_BIDS_DATASET_H_
