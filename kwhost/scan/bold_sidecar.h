// The BOLD run's JSON sidecars: RepetitionTime, NumberOfVolumesDiscardedByScanner and
// NumberOfVolumesDiscardedByUser, by BIDS's inheritance rule. Host-free.
#ifndef STIMFORGE_KWHOST_SCAN_BOLD_SIDECAR_H_
#define STIMFORGE_KWHOST_SCAN_BOLD_SIDECAR_H_

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace stimforge::kwhost {

// A sidecar larger than this (16 MiB) is refused unread.
inline constexpr uintmax_t kMaxSidecarBytes = uintmax_t{16} << 20;

// The three keys as one sidecar text states them; empty when it does not.
struct SidecarKeys {
  std::optional<double> repetitionTimeMs;  // RepetitionTime (seconds) x 1000: > 0, finite
  std::optional<int64_t> discardedByScanner;
  std::optional<int64_t> discardedByUser;
};

// Reads the three keys from one sidecar's text. RepetitionTime must be a number of seconds
// from 0.0001 (kMinTrMs) to an hour; the counts whole numbers (4 or 4.0) from 0 to 2^31 - 1. Other keys are not
// looked at. Returns false with `problem` set to one line naming `fileName`:
// "F: not JSON: line 3, column 7: ...", "F: not a JSON object",
// "F: RepetitionTime is 0: it must be a number of seconds from 0.0001 to 3600",
// "F: NumberOfVolumesDiscardedByUser must be a whole number, 0 or more".
[[nodiscard]] bool parseSidecarText(std::string_view text, const std::string& fileName,
                                    SidecarKeys& keys, std::string& problem);

// A value with the file that gave it.
template <typename T>
struct SidecarValue {
  T value;
  std::filesystem::path file;
};

// The merged sidecar of one image.
struct BoldSidecar {
  std::optional<std::filesystem::path> datasetRoot;  // the folder with dataset_description.json
  std::vector<std::filesystem::path> files;          // every sidecar that applied, root first
  std::optional<SidecarValue<double>> repetitionTimeMs;
  std::optional<SidecarValue<int64_t>> discardedByScanner;
  std::optional<SidecarValue<int64_t>> discardedByUser;
};

// The sidecars of `image` (a .nii or .nii.gz). The dataset root is the nearest folder at or
// above the image's holding dataset_description.json. With a root and an image named by BIDS
// (entities, suffix, extension), every file in the folders from the root down to the image's
// own whose name is entities + the image's suffix + ".json", with entities a subset of the
// image's (values compared by sameEntityValue), applies; keys are merged one by one, the
// nearest file winning. Otherwise only the image's own sidecar (its name with .json for
// .nii/.nii.gz) applies, if there is one. Paths are absolute and lexically normal. No
// sidecar at all is no error. Returns false with `message` set to one line naming the file:
// a sidecar that cannot be read or is refused by parseSidecarText, or two files at one level
// that both apply ("A and B both apply to IMAGE at one level").
// `listings`, when given, keeps each folder's sidecar candidates from one call to the next:
// a study reads the sidecars of a thousand runs whose root holds a thousand folders.
class SidecarListings;
[[nodiscard]] bool readBoldSidecar(const std::filesystem::path& image, BoldSidecar& sidecar,
                                   std::string& message, SidecarListings* listings = nullptr);

// The files of folders whose names end in "bold.json", each folder listed once. For the
// sidecars of many runs read in one go, while no sidecar is added or removed.
class SidecarListings {
 public:
  // The candidates in `folder`, sorted; listed on the first call for it.
  const std::vector<std::filesystem::path>& in(const std::filesystem::path& folder);

 private:
  std::map<std::filesystem::path, std::vector<std::filesystem::path>> listed_;
};

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_SCAN_BOLD_SIDECAR_H_
