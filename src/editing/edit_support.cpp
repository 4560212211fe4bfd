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
  // withSuffixBeforeExtension would log its complaint about an empty name here, long before
  // the command forms the name; the name it would give is known without it.
  if (fileName.empty())
    return std::string("''").size() + suffix.size() + std::string("-1").size() <=
           kMaxProtocolFileNameLength;
  return withSuffixBeforeExtension(fileName, suffix).size() <= kMaxProtocolFileNameLength;
}

bool checkNewFileName(const std::string& fileName, const std::string& suffix) {
  if (newFileNameFits(fileName, suffix))
    return true;
  logRefusal("The new protocol file name would be longer than 260 characters.");
  return false;
}

void logSavedName(const std::string& newFileName) {
  hostApi().kwLogText("Protocol saved with new name:");
  hostApi().kwLogText(newFileName.c_str());
}

}  // namespace stimforge
