#include "host/protocol_records.h"

#include <cstdio>
#include <cstring>

#include "text/text_helpers.h"

namespace stimforge {

ProtocolHeader makeEmptyHeader() {
  ProtocolHeader header;
  std::memset(&header, 0, sizeof header);
  return header;
}

ProtocolCondition makeEmptyCondition() {
  ProtocolCondition condition;
  std::memset(&condition, 0, sizeof condition);
  return condition;
}

void copyTextField(char* field, size_t size, const char* text) {
  std::snprintf(field, size, "%s", text ? text : "");
}

void applyHeaderDefaults(ProtocolHeader& header, const char* title) {
  header.colour1 = hexColourToInt("000000");
  header.colour2 = hexColourToInt("FFFFFF");
  header.colour3 = hexColourToInt("FFFFFF");
  header.thickness3 = 2;
  header.colour4 = kConditionColourBase + 0x0007D0;
  header.thickness4 = 2;
  copyTextField(header.protocolTitle, sizeof header.protocolTitle, title);
}

}  // namespace stimforge
