#include "kwhost/events/files.h"

#include <filesystem>
#include <system_error>

#include "kwhost/common/own_record.h"
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
  const std::optional<SidecarRecord> record =
      jsonExists && readWholeFile(json, text, error) ? sidecarRecordOf(text) : std::nullopt;
  if (record) {
    uint32_t tableCrc = 0;
    if (!record->sidecarUnchanged) {
      error = json + " changed since kwhost wrote it: " + forceHint;
      return false;
    }
    if (fs::exists(fs::u8path(tsv), ignored) &&
        (!crc32OfFile(tsv, tableCrc) || tableCrc != record->tableCrc)) {
      error = tsv + " changed since kwhost wrote it: " + forceHint;
      return false;
    }
    return true;
  }
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
