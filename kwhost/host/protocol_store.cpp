#include "kwhost/host/protocol_store.h"

#include <cstring>
#include <ostream>
#include <utility>

namespace stimforge::kwhost {
namespace {

// Copies a text that is known to fit (limits kept by the store) with its NUL.
// The store fills and reads the records with code of its own, apart from the fake host's
// (tests/support/fake_host.cpp), so that a fault in one cannot hide behind the same fault
// in the other.
template <size_t N>
void putText(char (&field)[N], const std::string& text) {
  const size_t n = text.size() < N ? text.size() : N - 1;
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}

}  // namespace

ProtocolStore::ProtocolStore(std::ostream& diagnostics) : diagnostics_(diagnostics) {}

void ProtocolStore::warn(const std::string& message) const {
  diagnostics_ << "kwhost: " << message << '\n';
}

void ProtocolStore::makeCurrent(Protocol protocol) {
  protocol_ = std::move(protocol);
  present_ = true;
}

void ProtocolStore::discard() {
  protocol_ = Protocol();
  present_ = false;
}

int ProtocolStore::fillHeader(ProtocolHeader* header) const {
  if (header == nullptr) {
    warn("kwGetProtocol: the header is null; nothing is filled");
    return 0;
  }
  if (!present_)
    return 0;
  header->numberOfConditions = static_cast<int32_t>(protocol_.conditions.size());
  putText(header->fileName, protocol_.fileName);
  putText(header->protocolTitle, protocol_.title);
  header->timeResolution = protocol_.timeResolution;
  header->colour1 = protocol_.colour1;
  header->colour2 = protocol_.colour2;
  header->colour3 = protocol_.colour3;
  header->thickness3 = protocol_.thickness3;
  header->colour4 = protocol_.colour4;
  header->thickness4 = protocol_.thickness4;
  return 1;
}

std::string ProtocolStore::fieldText(const char* field, size_t size, const char* entry,
                                     const char* fieldName) {
  // The plug-in may hand a field without its NUL: read no further than the field, and
  // keep what fits a field that the host hands back with a NUL.
  const void* nul = std::memchr(field, '\0', size);
  if (nul != nullptr)
    return std::string(field, static_cast<const char*>(nul));
  warn(std::string(entry) + ": " + fieldName + " fills all " + std::to_string(size) +
       " bytes without an ending NUL; it is cut to " + std::to_string(size - 1) + " bytes");
  return std::string(field, size - 1);
}

void ProtocolStore::takeHeader(const ProtocolHeader* header) {
  if (header == nullptr) {
    warn("kwSetProtocol: the header is null; nothing is changed");
    return;
  }
  const size_t count = protocol_.conditions.size();
  if (header->numberOfConditions < 0 || static_cast<size_t>(header->numberOfConditions) != count) {
    warn("kwSetProtocol: the header says " + std::to_string(header->numberOfConditions) +
         " conditions, the protocol has " + std::to_string(count) + "; it keeps its " +
         std::to_string(count));
  }
  protocol_.fileName =
      fieldText(header->fileName, sizeof header->fileName, "kwSetProtocol", "fileName");
  protocol_.title = fieldText(header->protocolTitle, sizeof header->protocolTitle, "kwSetProtocol",
                              "protocolTitle");
  protocol_.timeResolution = header->timeResolution;
  protocol_.colour1 = header->colour1;
  protocol_.colour2 = header->colour2;
  protocol_.colour3 = header->colour3;
  protocol_.thickness3 = header->thickness3;
  protocol_.colour4 = header->colour4;
  protocol_.thickness4 = header->thickness4;
  present_ = true;
}

void ProtocolStore::fillCondition(int index, ProtocolCondition* record) {
  const size_t count = protocol_.conditions.size();
  if (index < 0 || static_cast<size_t>(index) >= count) {
    warn("kwGetProtocolCondition: index " + std::to_string(index) +
         " is out of range (the protocol has " + std::to_string(count) +
         " conditions); the record is left unchanged");
    return;
  }
  if (record == nullptr) {
    warn("kwGetProtocolCondition: the record is null; nothing is filled");
    return;
  }
  Condition& condition = protocol_.conditions[static_cast<size_t>(index)];
  putText(record->name, condition.name);
  record->numberOfIntervals = static_cast<int32_t>(condition.starts.size());
  record->intervalStarts = condition.starts.data();
  record->intervalEnds = condition.ends.data();
  record->colour = condition.colour;
}

void ProtocolStore::addCondition(const ProtocolCondition* record) {
  if (record == nullptr) {
    warn("kwAddProtocolCondition: the record is null; no condition is added");
    return;
  }
  Condition condition;
  condition.name = fieldText(record->name, sizeof record->name, "kwAddProtocolCondition", "name");
  condition.colour = record->colour;
  // Moving the other conditions keeps their arrays where they are.
  protocol_.conditions.push_back(std::move(condition));
  present_ = true;
}

void ProtocolStore::addInterval(int index, int32_t start, int32_t end) {
  const size_t count = protocol_.conditions.size();
  if (index < 0 || static_cast<size_t>(index) >= count) {
    warn("kwAddProtocolConditionInterval: index " + std::to_string(index) +
         " is out of range (the protocol has " + std::to_string(count) +
         " conditions); the interval is not added");
    return;
  }
  Condition& condition = protocol_.conditions[static_cast<size_t>(index)];
  condition.starts.push_back(start);
  condition.ends.push_back(end);
}

void ProtocolStore::clear() {
  // Swapping with an empty vector frees the arrays at once, so that a late read through
  // an old pointer is caught by the sanitizers instead of passing unnoticed.
  std::vector<Condition>().swap(protocol_.conditions);
  present_ = true;
}

void ProtocolStore::noteSavedAs(const std::string& path) {
  if (path.size() > kMaxFileNameLength) {
    warn("the saved protocol keeps its file name: the path is longer than " +
         std::to_string(kMaxFileNameLength) + " bytes");
    return;
  }
  protocol_.fileName = path;
}

}  // namespace stimforge::kwhost
