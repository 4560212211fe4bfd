#include "kwhost/study/bids_dataset.h"

#include <algorithm>
#include <map>
#include <system_error>

namespace stimforge::kwhost {
namespace {

namespace fs = std::filesystem;

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The entries of `folder` whose names start with `prefix`, sorted by name; with `folders`,
// only folders, else only files (a symbolic link counts as a file: datasets that keep their
// images in an annex link them).
bool listEntries(const fs::path& folder, std::string_view prefix, bool folders,
                 std::vector<std::string>& names, std::string& problem) {
  names.clear();
  std::error_code error;
  fs::directory_iterator it(folder, error);
  for (; !error && it != fs::directory_iterator(); it.increment(error)) {
    const std::string name = it->path().filename().u8string();
    if (!startsWith(name, prefix))
      continue;
    std::error_code typeError;
    const fs::file_status status = it->symlink_status(typeError);
    const bool isFolder = fs::is_directory(status) ||
                          (fs::is_symlink(status) && fs::is_directory(it->path(), typeError));
    if (isFolder == folders)
      names.push_back(name);
  }
  if (error) {
    problem = "cannot list " + folder.u8string() + ": " + error.message();
    return false;
  }
  std::sort(names.begin(), names.end());
  return true;
}

std::string joinEntities(const std::vector<BidsEntity>& entities) {
  std::string name;
  for (const BidsEntity& entity : entities)
    name += (name.empty() ? "" : "_") + entity.key + "-" + entity.value;
  return name;
}

// Adds the images of one func/ folder; `sub` and `ses` ("" for none) are the folders'.
bool addFuncFolder(const fs::path& root, const std::string& folder, const std::string& sub,
                   const std::string& ses, std::map<std::string, DatasetRun>& runs,
                   BidsDataset& dataset, std::string& problem) {
  std::vector<std::string> names;
  if (!listEntries(root / fs::u8path(folder), "sub-", false, names, problem))
    return false;
  for (const std::string& fileName : names) {
    BidsFileName name;
    if (!splitBidsFileName(fileName, name) || name.suffix != "bold" ||
        (name.extension != ".nii" && name.extension != ".nii.gz"))
      continue;
    const std::string path = folder + "/" + fileName;
    std::string why;
    if (!checkFunctionalRunName(joinEntities(name.entities), why)) {
      dataset.skipped.push_back({path, why});
      continue;
    }
    const std::string* fileSes = name.value("ses");
    if (*name.value("sub") != sub || (fileSes ? *fileSes : "") != ses) {
      dataset.skipped.push_back({path, "its sub- and ses- entities are not those of its folder"});
      continue;
    }
    BoldImage image{path, "", ""};
    std::vector<BidsEntity> entities;
    for (const BidsEntity& entity : name.entities) {
      if (entity.key == "echo")
        image.echo = entity.value;
      else if (entity.key == "part")
        image.part = entity.value;
      else
        entities.push_back(entity);
    }
    const std::string runName = joinEntities(entities);
    DatasetRun& run = runs[folder + "/" + runName];
    if (run.images.empty()) {
      run.folder = folder;
      run.name = runName;
      run.entities = entities;
    }
    const std::string stem = path.substr(0, path.size() - name.extension.size());
    for (const BoldImage& other : run.images) {
      if (other.path.substr(0, stem.size() + 1) == stem + "." && run.problem.empty())
        run.problem = "both " + stem + ".nii and " + stem + ".nii.gz are there";
    }
    run.images.push_back(std::move(image));
  }
  return true;
}

}  // namespace

bool findBoldRuns(const fs::path& root, BidsDataset& dataset, std::string& problem) {
  dataset = BidsDataset();
  std::error_code error;
  if (!fs::is_directory(root, error)) {
    problem = root.u8string() + " is no folder";
    return false;
  }
  if (!fs::is_regular_file(root / "dataset_description.json", error)) {
    problem = root.u8string() + " holds no dataset_description.json, so it is no BIDS dataset";
    return false;
  }
  std::map<std::string, DatasetRun> runs;
  std::vector<std::string> subjects;
  if (!listEntries(root, "sub-", true, subjects, problem))
    return false;
  for (const std::string& subject : subjects) {
    const std::string sub = subject.substr(4);
    dataset.folders.insert(subject);
    std::vector<std::string> sessions;
    if (!listEntries(root / fs::u8path(subject), "ses-", true, sessions, problem))
      return false;
    std::vector<std::string> funcs;
    if (!listEntries(root / fs::u8path(subject), "func", true, funcs, problem))
      return false;
    if (std::find(funcs.begin(), funcs.end(), "func") != funcs.end() &&
        !addFuncFolder(root, subject + "/func", sub, "", runs, dataset, problem))
      return false;
    for (const std::string& session : sessions) {
      dataset.folders.insert(subject + "/" + session);
      const std::string folder = subject + "/" + session + "/func";
      if (fs::is_directory(root / fs::u8path(folder), error) &&
          !addFuncFolder(root, folder, sub, session.substr(4), runs, dataset, problem))
        return false;
    }
  }
  for (auto& [key, run] : runs) {
    std::sort(run.images.begin(), run.images.end(),
              [](const BoldImage& a, const BoldImage& b) { return a.path < b.path; });
    dataset.runs.push_back(std::move(run));
  }
  return true;
}

}  // namespace stimforge::kwhost
