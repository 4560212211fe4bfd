#include "kwhost/events/sidecar.h"

#include "kwhost/common/own_record.h"

namespace stimforge::kwhost {
namespace {

using json = nlohmann::ordered_json;

json column(const char* longName, const std::string& description) {
  return json{{"LongName", longName}, {"Description", description}};
}

std::string onsetDescription(const SidecarFacts& facts) {
  std::string text = "Onset of the event in seconds from time zero: " + facts.zero + ".";
  if (!facts.source.empty())
    text += " Source: " + facts.source + ".";
  if (!facts.scenario.empty())
    text += " Scenario: " + facts.scenario + ".";
  if (!facts.writtenLine.empty())
    text += " Log date line: \"" + facts.writtenLine + "\".";
  if (!facts.runDescription.empty())
    text += " " + facts.runDescription + ".";
  return text + " " + kOwnEventsPhrase;
}

}  // namespace

json buildEventsSidecar(const SidecarFacts& facts) {
  json sidecar = json::object();
  json onset = column("Event onset", onsetDescription(facts));
  onset["Units"] = "s";
  sidecar["onset"] = std::move(onset);
  json duration = column(
      "Event duration",
      facts.logColumns
          ? "Duration of the event in seconds: the log's Duration column, or the time to the "
            "next event written, as chosen when the file was written; n/a where there is none."
      : !facts.durationDescription.empty() ? facts.durationDescription
                                           : "Duration of the protocol interval in seconds.");
  duration["Units"] = "s";
  sidecar["duration"] = std::move(duration);

  json trialType = column("Event category",
                          !facts.trialTypeDescription.empty() ? facts.trialTypeDescription
                          : facts.logColumns ? "The condition: the event's Code, or the name a "
                                               "map gave it."
                                             : "The condition: the protocol condition's name.");
  json levels = json::object();
  for (const TrialTypeLevel& level : facts.levels)
    levels[level.value] = level.origin;
  trialType["Levels"] = std::move(levels);
  sidecar["trial_type"] = std::move(trialType);

  if (facts.logColumns) {
    sidecar["event_type"] = column("Presentation event type",
                                   "The Event Type column of the log (Picture, Sound, "
                                   "Video, Response, ...).");
    sidecar["code"] = column("Presentation code", "The Code column of the log, unmapped.");
    sidecar["trial"] = column("Presentation trial", "The Trial column of the log.");
  }
  for (const ExtraColumnFacts& extra : facts.extraColumns) {
    json entry = {{"LongName", extra.longName}, {"Description", extra.description}};
    if (extra.seconds)
      entry["Units"] = "s";
    if (!extra.levels.empty()) {
      json levels = json::object();
      for (const auto& [value, meaning] : extra.levels)
        levels[value] = meaning;
      entry["Levels"] = std::move(levels);
    }
    sidecar[extra.name] = std::move(entry);
  }
  if (!facts.program.empty()) {
    json presentation = {{"SoftwareName", facts.program}};
    if (!facts.softwareVersion.empty())
      presentation["SoftwareVersion"] = facts.softwareVersion;
    if (!facts.operatingSystem.empty())
      presentation["OperatingSystem"] = facts.operatingSystem;
    sidecar["StimulusPresentation"] = std::move(presentation);
  }
  return sidecar;
}

std::string formatEventsSidecar(const SidecarFacts& facts) {
  return buildEventsSidecar(facts).dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

namespace {

// The record's line, up to the events file's crc32; the sidecar's own follows after kSelf.
constexpr char kRecordLine[] = "    \"KwhostChecksums\": \"crc32 of the events file ";
constexpr char kSelf[] = ", of this file without this line ";

}  // namespace

std::string formatRecordedEventsSidecar(const SidecarFacts& facts, uint32_t tableCrc) {
  json sidecar = buildEventsSidecar(facts);
  sidecar["onset"]["KwhostChecksums"] =
      "crc32 of the events file " + crc32Text(tableCrc) + kSelf + "00000000";
  std::string text = sidecar.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
  const std::optional<RecordLine> line = recordLineOf(text, kRecordLine);
  if (line) {
    const size_t self = line->begin + std::string_view(kRecordLine).size() + 8 +
                        std::string_view(kSelf).size();
    text.replace(self, 8, crc32Text(crc32Without(text, *line)));
  }
  return text;
}

std::optional<SidecarRecord> sidecarRecordOf(std::string_view text) {
  const std::optional<RecordLine> line = recordLineOf(text, kRecordLine);
  if (!line)
    return std::nullopt;
  const std::string_view body = text.substr(line->begin + std::string_view(kRecordLine).size());
  SidecarRecord record;
  uint32_t self = 0;
  const bool read = body.size() > 8 + std::string_view(kSelf).size() + 8 &&
                    parseCrc32(body.substr(0, 8), record.tableCrc) &&
                    body.substr(8, std::string_view(kSelf).size()) == kSelf &&
                    parseCrc32(body.substr(8 + std::string_view(kSelf).size(), 8), self);
  record.sidecarUnchanged = read && crc32Without(text, *line) == self;
  return record;
}

bool isOwnEventsSidecar(std::string_view text) {
  const json sidecar = json::parse(text.begin(), text.end(), nullptr, false);
  if (!sidecar.is_object())
    return false;
  const auto onset = sidecar.find("onset");
  if (onset == sidecar.end() || !onset->is_object())
    return false;
  const auto description = onset->find("Description");
  return description != onset->end() && description->is_string() &&
         description->get_ref<const std::string&>().find(kOwnEventsPhrase) != std::string::npos;
}

}  // namespace stimforge::kwhost
