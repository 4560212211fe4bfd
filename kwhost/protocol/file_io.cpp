#include "kwhost/protocol/file_io.h"

#include "kwhost/common/read_file.h"
#include "kwhost/common/safe_save.h"
#include "kwhost/protocol/file.h"

namespace stimforge::kwhost {

bool readProtocolFile(const std::string& path, Protocol& protocol, std::string& error) {
  std::string text;
  if (!readWholeFile(path, text, error))
    return false;
  return parseProtocolText(text, path, protocol, error);
}

bool isProtocolFileAt(const std::string& path) {
  return isProtocolFileStart(firstLineOf(path));
}

bool saveProtocolFile(const std::string& path, const Protocol& protocol, bool force,
                      const std::string& forceHint, std::string& error) {
  ReplacePolicy policy;
  policy.isOwn = [](const std::string& firstLine) { return isProtocolFileStart(firstLine); };
  policy.force = force;
  policy.what = "protocol";
  policy.forceHint = forceHint;
  return saveFileSafely(
      path, [&protocol](const PieceWriter& write) { return writeProtocolText(protocol, write); },
      policy, error);
}

}  // namespace stimforge::kwhost
