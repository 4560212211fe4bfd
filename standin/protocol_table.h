// A protocol as a readable table, for `kwhost show`.
#ifndef STIMFORGE_STANDIN_PROTOCOL_TABLE_H_
#define STIMFORGE_STANDIN_PROTOCOL_TABLE_H_

#include <string>

#include "standin/protocol_model.h"

namespace stimforge::standin {

// The header fields, then each condition (name quoted as in the file, colour, interval
// count) with its intervals one per line. Ends with a line break.
std::string formatProtocolTable(const Protocol& protocol);

}  // namespace stimforge::standin

#endif  // STIMFORGE_STANDIN_PROTOCOL_TABLE_H_
