#include "kwhost/study/source_files.h"

#include <algorithm>
#include <system_error>

#include "kwhost/common/text_utf8.h"
#include "kwhost/sources/stimulus_source.h"

namespace stimforge::kwhost {
namespace {

namespace fs = std::filesystem;

// What a PsychoPy text log at `path` is, with the data file beside it.
std::string textLogReason(const fs::path& path) {
  for (const char* extension : {".csv", ".CSV"}) {
    fs::path data = path;
    data.replace_extension(extension);
    std::error_code error;
    if (fs::is_regular_file(data, error))
      return "a PsychoPy text log, beside its data file " + data.filename().u8string();
  }
  return "a PsychoPy text log, with no data file of its name beside it";
}

}  // namespace

bool listSourceFiles(const fs::path& source, std::vector<std::string>& runs,
                     std::vector<NotARun>& others, std::string& problem) {
  std::error_code error;
  if (!fs::is_directory(source, error)) {
    problem = source.u8string() + " is no folder";
    return false;
  }
  fs::recursive_directory_iterator it(source, error);
  for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    const std::string extension = asciiLowerCase(it->path().extension().u8string());
    std::error_code typeError;
    if ((extension != ".log" && extension != ".csv") || !fs::is_regular_file(it->path(), typeError))
      continue;
    const std::string relative = it->path().lexically_relative(source).generic_u8string();
    std::string reason;
    switch (stimulusFileKind(it->path().u8string(), reason)) {
      case StimulusFileKind::kPsychopyLog:
        others.push_back({relative, textLogReason(it->path())});
        break;
      case StimulusFileKind::kNotStimulus:
        others.push_back({relative, "not a PsychoPy data file: " + reason});
        break;
      case StimulusFileKind::kPresentation:
      case StimulusFileKind::kPsychopyData:
        runs.push_back(relative);
        break;
    }
  }
  if (error) {
    problem = "cannot list the logs in " + source.u8string() + ": " + error.message();
    return false;
  }
  std::sort(runs.begin(), runs.end());
  std::sort(others.begin(), others.end(),
            [](const NotARun& a, const NotARun& b) { return a.file < b.file; });
  return true;
}

}  // namespace stimforge::kwhost
