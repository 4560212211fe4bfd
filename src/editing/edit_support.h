// Small pieces the three editing commands share: reading the host's text fields, refusing
// a command before it changes anything, and the name an edited protocol is saved under.
#ifndef STIMFORGE_EDITING_EDIT_SUPPORT_H_
#define STIMFORGE_EDITING_EDIT_SUPPORT_H_

#include <cstddef>
#include <string>

#include "host/protocol_records.h"

namespace stimforge {

// The host's texts, read up to their NUL or their field's end (the host may leave out the
// NUL of a text that fills its field).
std::string headerFileName(const ProtocolHeader& header);
std::string headerTitle(const ProtocolHeader& header);
std::string conditionName(const ProtocolCondition& condition);

// The number of intervals a fetched condition holds: 0 when the host gave a negative count
// or no arrays.
size_t intervalCount(const ProtocolCondition& condition);

// Writes `reason` and then "Cancelled further operations." to the host log.
void logRefusal(const char* reason);

// True when withSuffixBeforeExtension(fileName, suffix) fits a header's fileName field.
// Writes nothing to the host log.
bool newFileNameFits(const std::string& fileName, const std::string& suffix);

// The name a command saves its new protocol under: withSuffixBeforeExtension(fileName,
// suffix). For an empty fileName it first writes "Small problem extracting file extension"
// to the host log. May throw std::bad_alloc.
std::string newProtocolFileName(const std::string& fileName, const std::string& suffix);

// Refuses a command whose new file name would not fit: logs the reason and
// "Cancelled further operations." and returns false; returns true (logging nothing) when
// the name fits.
[[nodiscard]] bool checkNewFileName(const std::string& fileName, const std::string& suffix);

// Writes "Protocol saved with new name:" and then the name as a line of its own.
void logSavedName(const std::string& newFileName);

}  // namespace stimforge

#endif  // STIMFORGE_EDITING_EDIT_SUPPORT_H_
