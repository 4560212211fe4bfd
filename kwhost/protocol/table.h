// A protocol as a readable table, for `kwhost show`.
#ifndef STIMFORGE_KWHOST_PROTOCOL_TABLE_H_
#define STIMFORGE_KWHOST_PROTOCOL_TABLE_H_

#include <string>

#include "kwhost/protocol/value.h"

namespace stimforge::kwhost {

// The header fields, then each condition (name quoted as in the file, colour, interval
// count) with its intervals one per line. Ends with a line break.
std::string formatProtocolTable(const Protocol& protocol);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_PROTOCOL_TABLE_H_
