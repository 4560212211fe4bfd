// Which source a file is, from its first bytes.
#include <memory>

#include "kwhost/common/read_file.h"
#include "kwhost/common/text_utf8.h"
#include "kwhost/psychopy/data_file.h"
#include "kwhost/sources/presentation_source.h"
#include "kwhost/sources/psychopy_source.h"
#include "kwhost/sources/stimulus_source.h"
#include "logformat/log_source.h"

namespace stimforge::kwhost {
namespace {

// The most of a file read to tell its kind: a data file's header line fits (169 columns in
// the widest real one, 4 KB).
constexpr size_t kHeadBytes = 65536;

bool endsWithCsv(const std::string& path) {
  if (path.size() < 4)
    return false;
  return asciiLowerCase(path.substr(path.size() - 4)) == ".csv";
}

}  // namespace

StimulusFileKind stimulusFileKind(const std::string& path, std::string& reason) {
  std::string head;
  std::string error;
  if (!readFileHead(path, kHeadBytes, head, error))
    return StimulusFileKind::kPresentation;
  std::string_view text(head);
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
    text.remove_prefix(3);
  if (text.compare(0, 11, "Scenario - ") == 0)
    return StimulusFileKind::kPresentation;
  if (isPsychopyTextLog(text.substr(0, 256))) {
    reason =
        "a PsychoPy text log (the .log beside a data file), not a Presentation log: give its "
        "data file (.csv)";
    return StimulusFileKind::kPsychopyLog;
  }
  const std::string_view first = text.substr(0, text.find('\n'));
  const bool named = first.find("psychopyVersion") != std::string_view::npos ||
                     first.find(".started") != std::string_view::npos;
  if (!named && !endsWithCsv(path))
    return StimulusFileKind::kPresentation;
  // The whole lines of the head, read as a data file: a data file passes (or fails as damaged,
  // cut where the head ends); a table of another kind is refused saying what it is.
  const size_t end = text.rfind('\n');
  PsychopyDataFile file;
  PsychopyRefusal refusal;
  const std::string lines = end == std::string_view::npos ? std::string(text) + "\n"
                                                          : std::string(text.substr(0, end + 1));
  if (!readPsychopyDataFile(lines, file, refusal) &&
      refusal.kind == PsychopyRefusalKind::kNotADataFile) {
    reason = refusal.message;
    return StimulusFileKind::kNotStimulus;
  }
  return StimulusFileKind::kPsychopyData;
}

std::unique_ptr<StimulusSource> openStimulusSource(const std::string& path, const std::string& name,
                                                   Refusal& refusal) {
  refusal = Refusal::none();
  std::string problem;
  if (!checkReadable(path, problem)) {
    refusal = Refusal::input(problem);
    return nullptr;
  }
  switch (stimulusFileKind(path, problem)) {
    case StimulusFileKind::kPsychopyLog:
      refusal = Refusal::input(name + ": " + problem);
      return nullptr;
    case StimulusFileKind::kPsychopyData:
    case StimulusFileKind::kNotStimulus:
      // A table that is no data file is told so, with the reason, when it is read.
      return std::make_unique<PsychopySource>(path, name);
    case StimulusFileKind::kPresentation:
      break;
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
