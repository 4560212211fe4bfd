// The protocol records' values and limits that code without the records needs too (the
// stand-in host's protocol file reads and writes protocols without ever building a record).
// protocol_records.h checks the lengths against its fields at compile time.
#ifndef STIMFORGE_HOST_PROTOCOL_LIMITS_H_
#define STIMFORGE_HOST_PROTOCOL_LIMITS_H_

#include <cstddef>
#include <cstdint>

namespace stimforge {

// Interval time units of ProtocolHeader::timeResolution.
constexpr int32_t kTimeResolutionVolumes = 1;
constexpr int32_t kTimeResolutionMilliseconds = 2;

// Condition colours (and colour4) are this base plus a six-digit colour value.
constexpr int32_t kConditionColourBase = 0x3F000000;

// The longest texts the records carry, each field keeping one byte for its NUL.
constexpr size_t kMaxFileNameLength = 260;       // ProtocolHeader::fileName
constexpr size_t kMaxTitleLength = 300;          // ProtocolHeader::protocolTitle
constexpr size_t kMaxConditionNameLength = 255;  // ProtocolCondition::name

}  // namespace stimforge

#endif  // STIMFORGE_HOST_PROTOCOL_LIMITS_H_
