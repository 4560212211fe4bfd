#include "kwhost/scan/bold_sidecar.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>
#include <system_error>

#include "kwhost/bids/bids_entities.h"
#include "kwhost/common/log_time.h"
#include "kwhost/scan/bold_header.h"

namespace stimforge::kwhost {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr double kMaxCount = std::numeric_limits<int32_t>::max();

// Printable ASCII only, so that a message quoting the file's bytes stays one clean line.
std::string printable(std::string_view text, size_t most) {
  std::string out;
  for (char c : text.substr(0, most))
    out += (c >= 0x20 && c < 0x7f) ? c : '?';
  return out;
}

// "line L, column C" of the 1-based byte position `byte` (nlohmann's parse_error::byte).
std::string lineAndColumn(std::string_view text, size_t byte) {
  const size_t end = std::min(byte == 0 ? 0 : byte - 1, text.size());
  const auto lines = std::count(text.begin(), text.begin() + static_cast<ptrdiff_t>(end), '\n');
  const size_t lineStart = text.rfind('\n', end == 0 ? std::string_view::npos : end - 1);
  const size_t column = lineStart == std::string_view::npos || end == 0 ? end + 1 : end - lineStart;
  return "line " + std::to_string(lines + 1) + ", column " + std::to_string(column);
}

// nlohmann's reason without its own prefix and position: the part after "column N: ".
std::string parseReason(const std::string& what) {
  const size_t column = what.find("column ");
  const size_t colon = what.find(": ", column == std::string::npos ? 0 : column);
  return printable(colon == std::string::npos ? what : what.substr(colon + 2), 160);
}

bool readCount(const json& object, const char* key, const std::string& fileName,
               std::optional<int64_t>& out, std::string& problem) {
  const auto it = object.find(key);
  if (it == object.end())
    return true;
  const double value = it->is_number() ? it->get<double>() : -1;
  if (!it->is_number() || !(value >= 0 && value <= kMaxCount) || std::floor(value) != value) {
    problem = fileName + ": " + key + " is " +
              (it->is_number() ? it->dump() : std::string("a ") + it->type_name()) +
              ": it must be a whole number, 0 or more";
    return false;
  }
  out = static_cast<int64_t>(value);
  return true;
}

// The whole of a sidecar file, at most kMaxSidecarBytes.
bool readText(const fs::path& file, std::string& text, std::string& message) {
  std::error_code error;
  const uintmax_t size = fs::file_size(file, error);
  if (error) {
    message = file.string() + ": cannot be read";
    return false;
  }
  if (size > kMaxSidecarBytes) {
    message = file.string() + ": too large for a sidecar (over 16 MiB)";
    return false;
  }
  std::ifstream in(file, std::ios::binary);
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (!in && size > 0) {
    message = file.string() + ": cannot be read";
    return false;
  }
  text = buffer.str();
  return true;
}

template <typename T>
void take(const std::optional<T>& value, const fs::path& file,
          std::optional<SidecarValue<T>>& merged) {
  if (value)
    merged = SidecarValue<T>{*value, file};
}

bool applySidecar(const fs::path& file, BoldSidecar& sidecar, std::string& message) {
  std::string text;
  SidecarKeys keys;
  if (!readText(file, text, message) || !parseSidecarText(text, file.string(), keys, message))
    return false;
  sidecar.files.push_back(file);
  take(keys.repetitionTimeMs, file, sidecar.repetitionTimeMs);
  take(keys.discardedByScanner, file, sidecar.discardedByScanner);
  take(keys.discardedByUser, file, sidecar.discardedByUser);
  return true;
}

// Whether the sidecar called `name` applies to the image split as `image`.
bool applies(const std::string& name, const BidsFileName& image) {
  BidsFileName candidate;
  if (!splitBidsFileName(name, candidate) || candidate.extension != ".json" ||
      candidate.suffix != image.suffix)
    return false;
  for (const BidsEntity& entity : candidate.entities) {
    const std::string* value = image.value(entity.key);
    if (value == nullptr || !sameEntityValue(entity.key, *value, entity.value))
      return false;
  }
  return true;
}

// The files in `folder` whose names end in "bold.json", sorted.
std::vector<fs::path> candidatesIn(const fs::path& folder) {
  static const std::string kEnd = "bold.json";
  std::vector<fs::path> found;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    std::error_code typeError;
    if (name.size() >= kEnd.size() &&
        name.compare(name.size() - kEnd.size(), kEnd.size(), kEnd) == 0 &&
        it->is_regular_file(typeError))
      found.push_back(it->path());
  }
  std::sort(found.begin(), found.end());
  return found;
}

// The sidecars in `folder` that apply to `image`, sorted by name.
std::vector<fs::path> applyingIn(const fs::path& folder, const BidsFileName& image,
                                 SidecarListings* listings) {
  std::vector<fs::path> found;
  for (const fs::path& candidate : listings ? listings->in(folder) : candidatesIn(folder)) {
    if (applies(candidate.filename().string(), image))
      found.push_back(candidate);
  }
  return found;
}

std::string withoutNiftiExtension(const std::string& fileName) {
  for (const char* extension : {".nii.gz", ".nii"}) {
    const std::string tail(extension);
    if (fileName.size() > tail.size() &&
        fileName.compare(fileName.size() - tail.size(), tail.size(), tail) == 0)
      return fileName.substr(0, fileName.size() - tail.size());
  }
  return fileName;
}

}  // namespace

bool parseSidecarText(std::string_view text, const std::string& fileName, SidecarKeys& keys,
                      std::string& problem) {
  keys = SidecarKeys{};
  json object;
  try {
    object = json::parse(text.begin(), text.end());
  } catch (const json::parse_error& e) {
    problem =
        fileName + ": not JSON: " + lineAndColumn(text, e.byte) + ": " + parseReason(e.what());
    return false;
  } catch (const json::exception& e) {
    problem = fileName + ": not JSON: " + parseReason(e.what());
    return false;
  }
  if (!object.is_object()) {
    problem = fileName + ": not a JSON object";
    return false;
  }
  const auto tr = object.find("RepetitionTime");
  if (tr != object.end()) {
    const double seconds = tr->is_number() ? tr->get<double>() : 0;
    if (!(msOfSeconds(seconds) >= kMinTrMs && msOfSeconds(seconds) <= kMaxTrMs)) {
      problem = fileName + ": RepetitionTime is " +
                (tr->is_number() ? tr->dump() : std::string("a ") + tr->type_name()) +
                ": it must be a number of seconds from 0.0001 to 3600";
      return false;
    }
    keys.repetitionTimeMs = msOfSeconds(seconds);
  }
  return readCount(object, "NumberOfVolumesDiscardedByScanner", fileName, keys.discardedByScanner,
                   problem) &&
         readCount(object, "NumberOfVolumesDiscardedByUser", fileName, keys.discardedByUser,
                   problem);
}

const std::vector<fs::path>& SidecarListings::in(const fs::path& folder) {
  const auto found = listed_.find(folder);
  if (found != listed_.end())
    return found->second;
  return listed_.emplace(folder, candidatesIn(folder)).first->second;
}

bool readBoldSidecar(const fs::path& image, BoldSidecar& sidecar, std::string& message,
                     SidecarListings* listings) {
  sidecar = BoldSidecar{};
  std::error_code error;
  fs::path absolute = fs::absolute(image, error);
  if (error)
    absolute = image;
  absolute = absolute.lexically_normal();
  const fs::path folder = absolute.parent_path();

  std::vector<fs::path> levels;  // the image's folder first
  for (fs::path level = folder;; level = level.parent_path()) {
    levels.push_back(level);
    if (fs::is_regular_file(level / "dataset_description.json", error)) {
      sidecar.datasetRoot = level;
      break;
    }
    if (level == level.parent_path() || level.empty())
      break;
  }
  BidsFileName name;
  const std::string fileName = absolute.filename().string();
  if (!sidecar.datasetRoot || !splitBidsFileName(fileName, name)) {
    const fs::path own = folder / (withoutNiftiExtension(fileName) + ".json");
    return !fs::is_regular_file(own, error) || applySidecar(own, sidecar, message);
  }
  for (auto level = levels.rbegin(); level != levels.rend(); ++level) {
    const std::vector<fs::path> found = applyingIn(*level, name, listings);
    if (found.size() > 1) {
      message = found[0].string() + " and " + found[1].string() + " both apply to " + fileName +
                " at one level";
      return false;
    }
    if (!found.empty() && !applySidecar(found[0], sidecar, message))
      return false;
  }
  return true;
}

}  // namespace stimforge::kwhost
