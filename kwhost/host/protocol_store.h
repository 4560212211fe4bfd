// The stand-in host's current protocol: the store that keeps the current protocol
// (kwhost/protocol/value.h) the way the plug-in expects of its host. The store fills and reads the
// plug-in's fixed-layout records, owns every condition's interval arrays, and hands out
// pointers into them that stay valid until the protocol changes.
#ifndef STIMFORGE_KWHOST_HOST_PROTOCOL_STORE_H_
#define STIMFORGE_KWHOST_HOST_PROTOCOL_STORE_H_

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "host/protocol_records.h"
#include "kwhost/protocol/value.h"

namespace stimforge::kwhost {

// The host's current protocol, behind the entry points the plug-in calls. Misuse by the
// plug-in (an index out of range, a null record, a count that disagrees, a text field
// without its NUL) is reported on `diagnostics` as one line starting with "kwhost: " and
// leaves the record and the protocol as they were, except where stated.
class ProtocolStore {
 public:
  explicit ProtocolStore(std::ostream& diagnostics);

  // Whether a protocol is current. None is at first and after discard().
  bool hasProtocol() const { return present_; }
  // The current protocol (an empty one when none is current).
  const Protocol& protocol() const { return protocol_; }

  // Makes `protocol` current, ending every array handed out before.
  // Requires: its texts and interval arrays keep the limits stated in kwhost/protocol/value.h.
  void makeCurrent(Protocol protocol);
  // No protocol is current afterwards.
  void discard();

  // kwGetProtocol: 1 with numberOfConditions, fileName, protocolTitle, timeResolution and
  // the colours and thicknesses filled when a protocol is current; 0, the header
  // untouched, when none is. The reserved bytes are never written.
  int fillHeader(ProtocolHeader* header) const;

  // kwSetProtocol: the header's fileName, protocolTitle, timeResolution, colours and
  // thicknesses become the current protocol's (a protocol becomes current if none was).
  // The conditions stay those added; a numberOfConditions that differs is reported.
  // A text field that fills its whole field without a NUL is cut to fit and reported.
  void takeHeader(const ProtocolHeader* header);

  // kwGetProtocolCondition: fills name, numberOfIntervals, the two array pointers and
  // colour of condition `index`. The arrays are the store's own: writing through them
  // changes the protocol; they stay valid until the protocol changes (a condition or
  // interval added, the protocol cleared or replaced).
  void fillCondition(int index, ProtocolCondition* record);

  // kwAddProtocolCondition: appends a condition with the record's name and colour and no
  // intervals (a protocol becomes current if none was).
  void addCondition(const ProtocolCondition* record);

  // kwAddProtocolConditionInterval: appends (start, end) to condition `index`.
  void addInterval(int index, int32_t start, int32_t end);

  // kwClearProtocol: removes every condition, which ends the arrays handed out; the header
  // fields stay. A protocol is current afterwards (an empty one if none was).
  void clear();

  // Records where the protocol was saved. A path longer than kMaxFileNameLength cannot be
  // handed to the plug-in in a header: the file name then stays as it was (reported).
  void noteSavedAs(const std::string& path);

 private:
  void warn(const std::string& message) const;
  std::string fieldText(const char* field, size_t size, const char* entry, const char* fieldName);

  std::ostream& diagnostics_;
  Protocol protocol_;
  bool present_ = false;
};

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_HOST_PROTOCOL_STORE_H_
