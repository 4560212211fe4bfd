// Which source a file is, from its first bytes.
#include <memory>

#include "kwhost/common/read_file.h"
#include "kwhost/sources/presentation_source.h"
#include "kwhost/sources/stimulus_source.h"
#include "logformat/log_source.h"

namespace stimforge::kwhost {

std::unique_ptr<StimulusSource> openStimulusSource(const std::string& path, const std::string& name,
                                                   Refusal& refusal) {
  refusal = Refusal::none();
  std::string problem;
  if (!checkReadable(path, problem)) {
    refusal = Refusal::input(problem);
    return nullptr;
  }
  std::unique_ptr<LogSource> log = openLogFile(path);
  if (log == nullptr) {
    refusal = Refusal::input("cannot read " + path);
    return nullptr;
  }
  // A file that is no Presentation log is told so by the log check when it is read.
  return std::make_unique<PresentationSource>(std::move(log), name);
}

}  // namespace stimforge::kwhost
