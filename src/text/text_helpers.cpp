#include "text/text_helpers.h"

#include <cmath>
#include <limits>

namespace stimforge {
namespace {

int hexDigitValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  // Only upper-case letters count: the colour texts the plug-in uses are written that way.
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return 0;
}

// Position of the last dot of the path's file name, or npos when the file name has none.
size_t extensionDot(const std::string& path) {
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos)
    return dot;
  const size_t separator = path.find_last_of("/\\");
  if (separator != std::string::npos && separator > dot)
    return std::string::npos;
  return dot;
}

}  // namespace

int32_t hexColourToInt(const std::string& text) {
  int32_t sum = 0;
  int position = 0;
  for (auto it = text.rbegin(); it != text.rend(); ++it, ++position) {
    const int value = hexDigitValue(*it);
    if (value == 0)
      continue;  // adds nothing, and 0 * inf must not turn into NaN
    const float worth = static_cast<float>(value) * std::pow(16.0f, static_cast<float>(position));
    const float next = static_cast<float>(sum) + worth;
    // 2^31 is the first float past INT32_MAX; converting it or more would be undefined.
    if (!(next < 2147483648.0f))
      return std::numeric_limits<int32_t>::max();
    sum = static_cast<int32_t>(next);
  }
  return sum;
}

std::string stripExtension(const std::string& path) {
  if (path.empty())
    return "''";
  const size_t dot = extensionDot(path);
  if (dot == std::string::npos)
    return path;
  return path.substr(0, dot);
}

std::string extensionOf(const std::string& path) {
  if (path.empty())
    return "-1";
  if (extensionDot(path) == std::string::npos)
    return "";
  if (path.size() < 4)
    return path;
  return path.substr(path.size() - 4);
}

std::string withSuffixBeforeExtension(const std::string& path, const std::string& suffix) {
  std::string stripped = stripExtension(path);
  return stripped + suffix + extensionOf(path);
}

std::string withExtension(const std::string& path, const std::string& extension) {
  return stripExtension(path) + extension;
}

std::optional<std::string> baseNameOf(const std::string& path, bool cutExtension, bool appendDash) {
  if (path.empty())
    return std::nullopt;
  const char separator = path.find('/') != std::string::npos ? '/' : '\\';
  const size_t cut = path.find_last_of(separator);
  const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
  size_t end = name.size();
  if (cutExtension) {
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos)
      end = dot;
  }
  // The name's first character is kept even when the extension starts right there, so a
  // name like ".log" keeps its dot rather than vanishing.
  std::string result = name.empty() ? std::string() : name.substr(0, end > 0 ? end : 1);
  if (appendDash)
    result += '-';
  return result;
}

}  // namespace stimforge
