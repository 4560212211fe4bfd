// The two records through which the plug-in reads and writes the host's current protocol.
// Their byte layouts are shared with a closed host (x86-64, little-endian): every offset
// below is binding and is checked at compile time. Nothing else in the project may assume
// a layout.
#ifndef STIMFORGE_HOST_PROTOCOL_RECORDS_H_
#define STIMFORGE_HOST_PROTOCOL_RECORDS_H_

#include <cstddef>
#include <cstdint>

#include "host/protocol_limits.h"

namespace stimforge {

// ProtocolHeader, 596 bytes:
//
//   offset size field
//        0    4 numberOfConditions   int32
//        4  261 fileName             char[261], NUL-terminated, folder included
//      265  301 protocolTitle        char[301], NUL-terminated
//      566    2 (reserved)           the host's; never read or written
//      568    4 timeResolution       int32: 1 = volumes, 2 = milliseconds
//      572    4 colour1              int32
//      576    4 colour2              int32
//      580    4 colour3              int32
//      584    4 thickness3           int32, pen thickness of colour3
//      588    4 colour4              int32
//      592    4 thickness4           int32, pen thickness of colour4
struct ProtocolHeader {
  int32_t numberOfConditions;
  char fileName[261];
  char protocolTitle[301];
  char reserved566[2];
  int32_t timeResolution;
  int32_t colour1;
  int32_t colour2;
  int32_t colour3;
  int32_t thickness3;
  int32_t colour4;
  int32_t thickness4;
};

// ProtocolCondition, 288 bytes:
//
//   offset size field
//        0  256 name                 char[256], NUL-terminated
//      256    4 numberOfIntervals    int32, length of both arrays
//      260    4 (reserved)           the host's
//      264    8 intervalStarts       int32*, the host's own storage
//      272    8 intervalEnds         int32*, the host's own storage
//      280    4 colour               int32
//      284    4 (reserved)           the host's
//
// The two arrays belong to the host: writing through them changes the host's protocol at
// once, and kwClearProtocol ends them.
struct ProtocolCondition {
  char name[256];
  int32_t numberOfIntervals;
  char reserved260[4];
  int32_t* intervalStarts;
  int32_t* intervalEnds;
  int32_t colour;
  char reserved284[4];
};

static_assert(sizeof(ProtocolHeader) == 596, "ProtocolHeader is 596 bytes");
static_assert(offsetof(ProtocolHeader, numberOfConditions) == 0, "layout");
static_assert(offsetof(ProtocolHeader, fileName) == 4, "layout");
static_assert(offsetof(ProtocolHeader, protocolTitle) == 265, "layout");
static_assert(offsetof(ProtocolHeader, reserved566) == 566, "layout");
static_assert(offsetof(ProtocolHeader, timeResolution) == 568, "layout");
static_assert(offsetof(ProtocolHeader, colour1) == 572, "layout");
static_assert(offsetof(ProtocolHeader, colour2) == 576, "layout");
static_assert(offsetof(ProtocolHeader, colour3) == 580, "layout");
static_assert(offsetof(ProtocolHeader, thickness3) == 584, "layout");
static_assert(offsetof(ProtocolHeader, colour4) == 588, "layout");
static_assert(offsetof(ProtocolHeader, thickness4) == 592, "layout");

// The limits of protocol_limits.h, each field keeping one byte for its NUL.
static_assert(kMaxFileNameLength == sizeof(ProtocolHeader::fileName) - 1, "limits");
static_assert(kMaxTitleLength == sizeof(ProtocolHeader::protocolTitle) - 1, "limits");
static_assert(kMaxConditionNameLength == sizeof(ProtocolCondition::name) - 1, "limits");

static_assert(sizeof(void*) == 8, "the host's records are those of a 64-bit process");
static_assert(sizeof(ProtocolCondition) == 288, "ProtocolCondition is 288 bytes");
static_assert(offsetof(ProtocolCondition, name) == 0, "layout");
static_assert(offsetof(ProtocolCondition, numberOfIntervals) == 256, "layout");
static_assert(offsetof(ProtocolCondition, reserved260) == 260, "layout");
static_assert(offsetof(ProtocolCondition, intervalStarts) == 264, "layout");
static_assert(offsetof(ProtocolCondition, intervalEnds) == 272, "layout");
static_assert(offsetof(ProtocolCondition, colour) == 280, "layout");
static_assert(offsetof(ProtocolCondition, reserved284) == 284, "layout");

// A zero-filled header or condition: every record the plug-in hands to the host starts as
// one of these, so the host never receives undefined bytes.
ProtocolHeader makeEmptyHeader();
ProtocolCondition makeEmptyCondition();

// Copies `text` into a fixed text field of `size` bytes, cut to size - 1 characters if
// longer, always NUL-terminated. Characters are copied as they stand ("%" included).
// Requires: size > 0.
void copyTextField(char* field, size_t size, const char* text);

// Gives a header that is about to be handed to the host its title (cut to 300 characters),
// colours and pen thicknesses: colour1 0, colour2 and colour3 0xFFFFFF, thickness3 2,
// colour4 0x3F0007D0, thickness4 2. No other field is touched.
void applyHeaderDefaults(ProtocolHeader& header, const char* title);

// Reads a fixed text field that the host may have filled without a terminating NUL: the
// text up to the first NUL or the field's end, whichever comes first.
template <size_t N>
inline size_t textFieldLength(const char (&field)[N]) {
  size_t n = 0;
  while (n < N && field[n] != '\0')
    ++n;
  return n;
}

}  // namespace stimforge

#endif  // STIMFORGE_HOST_PROTOCOL_RECORDS_H_
