#include "kwhost/events/files.h"

#include <filesystem>
#include <system_error>

#include "kwhost/common/read_file.h"
#include "kwhost/common/safe_save.h"
#include "kwhost/events/sidecar.h"
#include "kwhost/events/table.h"

namespace stimforge::kwhost {

bool mayReplaceEventsFiles(const std::string& tsv, const std::string& json,
                           const std::string& forceHint, std::string& error) {
  namespace fs = std::filesystem;
  std::error_code ignored;
  std::string text;
  const bool jsonExists = fs::exists(fs::u8path(json), ignored);
  const bool ownJson = jsonExists && readWholeFile(json, text, error) && isOwnEventsSidecar(text);
  if (jsonExists && !ownJson) {
    error = json + " exists and is not a sidecar kwhost wrote: " + forceHint;
    return false;
  }
  if (fs::exists(fs::u8path(tsv), ignored) && (!isOwnEventsTable(firstLineOf(tsv)) || !ownJson)) {
    error = tsv + " exists and is not an events file kwhost wrote: " + forceHint;
    return false;
  }
  return true;
}

}  // namespace stimforge::kwhost
