// Properties of the text helpers on any texts, NUL bytes and 8-bit characters included:
// each result is built only from its inputs and is never longer than they allow.
#include <algorithm>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "fuzz_input.h"
#include "fuzz_targets.h"
#include "host/host_api.h"
#include "text/text_helpers.h"

namespace stimforge::fuzzing {
namespace {

int gLogLines = 0;

void countLogLine(const char* text) {
  SF_FUZZ_CHECK(std::strcmp(text, "Small problem extracting file extension") == 0,
                "the text helpers write nothing to the log");
  ++gLogLines;
}

bool startsWith(const std::string& s, const std::string& prefix) {
  return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

bool endsWith(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() &&
         s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The file-name part after the last folder separator of either kind.
std::string fileNamePart(const std::string& path) {
  const size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

int64_t exactHexValue(const std::string& text) {
  int64_t value = 0;
  for (char c : text) {
    int digit = 0;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    value = value * 16 + digit;
  }
  return value;
}

void checkHexColour(const std::string& text) {
  const int32_t value = hexColourToInt(text);
  SF_FUZZ_CHECK(value >= 0, "a colour value is never negative");
  if (text.size() <= 6) {
    SF_FUZZ_CHECK(value == exactHexValue(text), "six characters or fewer are exact");
  } else {
    // Each digit only adds, so the value is at least that of the last six characters.
    SF_FUZZ_CHECK(value >= exactHexValue(text.substr(text.size() - 6)),
                  "a longer text is worth at least its last six characters");
  }
}

void checkPathHelpers(const std::string& path, const std::string& suffix) {
  gLogLines = 0;
  const std::string stripped = stripExtension(path);
  const std::string extension = extensionOf(path);
  SF_FUZZ_CHECK(gLogLines == 0, "extensionOf never logs");
  if (path.empty()) {
    SF_FUZZ_CHECK(stripped == "''" && extension == "-1", "an empty path's stand-ins");
  } else {
    const std::string name = fileNamePart(path);
    SF_FUZZ_CHECK(startsWith(path, stripped), "stripExtension keeps the front of the path");
    if (stripped.size() == path.size()) {
      SF_FUZZ_CHECK(name.find('.') == std::string::npos, "only a name without a dot is kept whole");
      SF_FUZZ_CHECK(extension.empty(), "a name without a dot has no extension");
    } else {
      const std::string cutOff = path.substr(stripped.size());
      SF_FUZZ_CHECK(cutOff[0] == '.' && cutOff.find_first_of("./\\", 1) == std::string::npos,
                    "stripExtension cuts at the last dot of the file name");
      SF_FUZZ_CHECK(
          extension.size() == std::min<size_t>(4, path.size()) && endsWith(path, extension),
          "extensionOf gives the path's last four characters");
    }
  }

  gLogLines = 0;
  const std::string withSuffix = withSuffixBeforeExtension(path, suffix);
  SF_FUZZ_CHECK(gLogLines == 0, "withSuffixBeforeExtension never logs");
  SF_FUZZ_CHECK(withSuffix == stripped + suffix + extension,
                "withSuffixBeforeExtension is the stripped path, the suffix and the extension");
  SF_FUZZ_CHECK(withSuffix.size() <= path.size() + suffix.size() + 4, "no longer than its inputs");
  if (path.size() >= 4 && path[path.size() - 4] == '.' &&
      path.find_first_of("./\\", path.size() - 3) == std::string::npos) {
    SF_FUZZ_CHECK(
        withSuffix == path.substr(0, path.size() - 4) + suffix + path.substr(path.size() - 4),
        "a suffix goes right before a three-letter extension");
  }

  gLogLines = 0;
  const std::string withNewExtension = withExtension(path, suffix);
  SF_FUZZ_CHECK(gLogLines == 0, "withExtension never logs");
  SF_FUZZ_CHECK(withNewExtension == stripped + suffix, "withExtension replaces the extension");
}

void checkBaseName(const std::string& path, bool cutExtension, bool appendDash) {
  const std::optional<std::string> base = baseNameOf(path, cutExtension, appendDash);
  SF_FUZZ_CHECK(base.has_value() == !path.empty(), "only an empty path has no base name");
  if (!base)
    return;
  std::string name = *base;
  if (appendDash) {
    SF_FUZZ_CHECK(!name.empty() && name.back() == '-', "appendDash ends the name with a dash");
    name.pop_back();
  }
  const char separator = path.find('/') != std::string::npos ? '/' : '\\';
  const size_t cut = path.find_last_of(separator);
  const std::string whole = cut == std::string::npos ? path : path.substr(cut + 1);
  SF_FUZZ_CHECK(name.find(separator) == std::string::npos, "a base name holds no separator");
  if (!cutExtension) {
    SF_FUZZ_CHECK(name == whole, "the whole file name without cutExtension");
    return;
  }
  // Cut at the file name's last dot, but never before its first character.
  const size_t dot = whole.find_last_of('.');
  const std::string expected =
      dot == std::string::npos ? whole : whole.substr(0, std::max<size_t>(dot, 1));
  SF_FUZZ_CHECK(name == expected, "cutExtension cuts at the last dot of the file name");
}

}  // namespace

int fuzzTextHelpers(const uint8_t* data, size_t size) {
  HostApi api;
  api.kwLogText = &countLogLine;
  setHostApi(api);

  FuzzInput input(data, size);
  const uint8_t flags = input.byte();
  const std::string path = input.text();
  const std::string suffix = input.rest();

  checkHexColour(path);
  checkHexColour(suffix);
  checkPathHelpers(path, suffix);
  checkBaseName(path, (flags & 1) != 0, (flags & 2) != 0);
  // The same helpers on the text as a C string would hand it over: up to its first NUL.
  const std::string cPath(path.c_str());
  checkPathHelpers(cPath, suffix.c_str());
  checkBaseName(cPath, (flags & 4) != 0, (flags & 8) != 0);

  setHostApi(HostApi{});
  return 0;
}

}  // namespace stimforge::fuzzing
