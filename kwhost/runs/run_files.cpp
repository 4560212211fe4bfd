#include "kwhost/runs/run_files.h"

#include <exception>
#include <filesystem>

#include "kwhost/common/own_record.h"
#include "kwhost/common/safe_save.h"
#include "kwhost/events/files.h"

namespace stimforge::kwhost {

bool writeRunFiles(const RunFiles& files, const EventsTable& table, const SidecarFacts& facts,
                   const WriteRules& rules, std::set<std::string>& warnings, std::string& error) {
  if (!rules.force && !mayReplaceEventsFiles(files.tsv, files.json, rules.forceHint, error))
    return false;
  addEventsTsvWarnings(table, warnings);
  if (rules.makeFolder) {
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::u8path(files.tsv).parent_path(), ignored);
  }
  // Both targets were judged above, before either is written: the sidecar's ownership
  // needs its whole text, not its first line.
  ReplacePolicy policy;
  policy.force = true;
  policy.what = "events file";
  // The table's text goes to the temporary file a piece at a time (it can be tens of
  // megabytes); the sidecar is small. What the formatting throws (std::bad_alloc) ends the
  // save, which then removes its temporary file, and is thrown on from here.
  // The table's crc32 is summed as it is written; the sidecar, written after it, records it.
  std::exception_ptr thrown;
  uint32_t tableCrc = 0;
  const auto tsv = [&table, &thrown, &tableCrc](const PieceWriter& write) {
    try {
      tableCrc = 0;
      return writeEventsTsv(table, [&write, &tableCrc](const std::string& piece) {
        tableCrc = crc32Of(piece, tableCrc);
        return write(piece);
      });
    } catch (...) {
      thrown = std::current_exception();
      return false;
    }
  };
  const auto sidecar = [&facts, &tableCrc](const PieceWriter& write) {
    return write(formatRecordedEventsSidecar(facts, tableCrc));
  };
  // Both or neither: a table beside a sidecar of another run would be described wrongly.
  const bool saved = saveFilesTogether({{files.tsv, tsv}, {files.json, sidecar}}, policy, error);
  if (thrown)
    std::rethrow_exception(thrown);
  return saved;
}

}  // namespace stimforge::kwhost
