#include "kwhost/events/from_protocol.h"

#include "kwhost/common/log_time.h"
#include "kwhost/common/text_codec.h"
#include "kwhost/common/text_utf8.h"

namespace stimforge::kwhost {

bool eventsFromProtocol(const Protocol& protocol, const ProtocolZero& zero, EventsTable& table,
                        std::vector<TrialTypeLevel>& levels, std::set<std::string>& warnings,
                        std::string& error) {
  const bool volumes = protocol.timeResolution == kTimeResolutionVolumes;
  if (!volumes && protocol.timeResolution != kTimeResolutionMilliseconds) {
    error = "the protocol's time resolution " + std::to_string(protocol.timeResolution) +
            " is neither volumes (1) nor milliseconds (2)";
    return false;
  }
  if (volumes && zero.trTenths <= 0) {
    error = "the protocol counts in volumes";
    return false;
  }
  table = EventsTable();
  table.logColumns = false;
  levels.clear();
  for (const Condition& condition : protocol.conditions) {
    std::string name = utf8Of(condition.name, "the condition name", warnings);
    bool changed = false;
    const std::string cell = tsvCellText(name, changed);
    if (condition.starts.empty())
      continue;  // a level no row writes would describe nothing
    levels.push_back({cell, "the protocol condition \"" + cell + "\""});
    const uint32_t text = table.addText(std::move(name));
    for (size_t i = 0; i < condition.starts.size() && i < condition.ends.size(); ++i) {
      // int32_t values times 10, or times a TR that fits 32 bits, less a zero within
      // kMaxLogTime: no overflow in 64 bits.
      const int64_t start = condition.starts[i];
      const int64_t end = condition.ends[i];
      EventRow row;
      row.trialType = text;
      if (volumes) {
        row.onset = (start - 1) * zero.trTenths - zero.tenths;
        row.duration = (end - start + 1) * zero.trTenths;
      } else {
        row.onset = start * 10 - zero.tenths;
        row.duration = (end - start) * 10;
      }
      if (row.duration < 0)
        row.duration = 0;
      row.onset = microsOfTenths(row.onset);
      row.duration = microsOfTenths(row.duration);
      table.rows.push_back(row);
    }
  }
  sortByOnset(table);
  return true;
}

bool protocolEvents(const Protocol& protocol, const std::string& name, std::optional<int64_t> zero,
                    int64_t trTenths, EventsTable& table, SidecarFacts& facts,
                    std::set<std::string>& warnings, std::string& error) {
  ProtocolZero protocolZero;
  protocolZero.tenths = zero.value_or(0);
  protocolZero.trTenths = trTenths;
  facts = SidecarFacts();
  if (!eventsFromProtocol(protocol, protocolZero, table, facts.levels, warnings, error))
    return false;
  facts.logColumns = false;
  facts.program.clear();
  facts.source = name;
  facts.zero =
      !zero ? "the scenario's start (0 in the protocol)"
            : "a time given by the user, " + formatMs(*zero) + " ms from the protocol's origin";
  if (protocol.timeResolution == kTimeResolutionVolumes)
    facts.zero += "; volume v starts at (v - 1) x TR, TR " + formatMs(trTenths) + " ms";
  return true;
}

}  // namespace stimforge::kwhost
