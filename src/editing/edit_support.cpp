#include "editing/edit_support.h"

#include "host/host_api.h"
#include "text/text_helpers.h"

namespace stimforge {

std::string headerFileName(const ProtocolHeader& header) {
  return std::string(header.fileName, textFieldLength(header.fileName));
}

std::string headerTitle(const ProtocolHeader& header) {
  return std::string(header.protocolTitle, textFieldLength(header.protocolTitle));
}

std::string conditionName(const ProtocolCondition& condition) {
  return std::string(condition.name, textFieldLength(condition.name));
}

size_t intervalCount(const ProtocolCondition& condition) {
  if (condition.numberOfIntervals <= 0 || condition.intervalStarts == nullptr ||
      condition.intervalEnds == nullptr)
    return 0;
  return static_cast<size_t>(condition.numberOfIntervals);
}

void logRefusal(const char* reason) {
  hostApi().kwLogText(reason);
  hostApi().kwLogText("Cancelled further operations.");
}

bool newFileNameFits(const std::string& fileName, const std::string& suffix) {
  return withSuffixBeforeExtension(fileName, suffix).size() <= kMaxFileNameLength;
}

std::string newProtocolFileName(const std::string& fileName, const std::string& suffix) {
  // An empty name has no extension to keep: the name formed from it ends in "-1".
  if (fileName.empty())
    hostApi().kwLogText("Small problem extracting file extension");
  return withSuffixBeforeExtension(fileName, suffix);
}

bool checkNewFileName(const std::string& fileName, const std::string& suffix) {
  if (newFileNameFits(fileName, suffix))
    return true;
  static_assert(kMaxFileNameLength == 260, "the message names the limit");
  logRefusal("The new protocol file name would be longer than 260 characters.");
  return false;
}

void logSavedName(const std::string& newFileName) {
  hostApi().kwLogText("Protocol saved with new name:");
  hostApi().kwLogText(newFileName.c_str());
}

}  // namespace stimforge
