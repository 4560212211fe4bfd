// The writer of protocol files (file.h); the parser is file_parser.cpp.
#include "kwhost/protocol/file.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <utility>

#include "kwhost/common/text_codec.h"

namespace stimforge::kwhost {
namespace {

void appendQuoted(std::string& out, const std::string& text) {
  out += '"';
  for (const char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          char escaped[5];
          std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
          out += escaped;
        } else {
          out += c;  // bytes from 0x80 on stay raw, so UTF-8 names stay readable
        }
        break;
    }
  }
  out += '"';
}

void appendColour(std::string& out, int32_t colour) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%06X", static_cast<unsigned>(static_cast<uint32_t>(colour)));
  out += text;
}

void appendNumber(std::string& out, int32_t value) {
  char digits[16];
  const std::to_chars_result result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, static_cast<size_t>(result.ptr - digits));
}

void appendField(std::string& out, const char* keyword, int32_t value) {
  out += keyword;
  out += ' ';
  appendNumber(out, value);
  out += '\n';
}

void appendColourField(std::string& out, const char* keyword, int32_t colour) {
  out += keyword;
  out += ' ';
  appendColour(out, colour);
  out += '\n';
}

// The most a piece holds before it is delivered: the interval lines of a large protocol
// are written in pieces of this size instead of one text of the whole file.
constexpr size_t kPieceSize = 64 * 1024;

}  // namespace

std::string quotedText(const std::string& text) {
  std::string out;
  appendQuoted(out, text);
  return out;
}

bool writeProtocolText(const Protocol& protocol, const ProtocolTextSink& deliver) {
  std::string out;
  out.reserve(kPieceSize + 1024);
  out += kProtocolFileMagic;
  out += "\ntitle ";
  appendQuoted(out, protocol.title);
  out += '\n';
  appendField(out, "time-resolution", protocol.timeResolution);
  appendColourField(out, "colour1", protocol.colour1);
  appendColourField(out, "colour2", protocol.colour2);
  appendColourField(out, "colour3", protocol.colour3);
  appendField(out, "thickness3", protocol.thickness3);
  appendColourField(out, "colour4", protocol.colour4);
  appendField(out, "thickness4", protocol.thickness4);
  appendField(out, "conditions", static_cast<int32_t>(protocol.conditions.size()));
  for (const Condition& condition : protocol.conditions) {
    out += "\ncondition ";
    appendQuoted(out, condition.name);
    out += '\n';
    appendColourField(out, "colour", condition.colour);
    appendField(out, "intervals", static_cast<int32_t>(condition.starts.size()));
    for (size_t i = 0; i < condition.starts.size(); ++i) {
      // One append per interval line: a protocol may hold millions.
      char line[32];
      char* end = std::to_chars(line, line + 12, condition.starts[i]).ptr;
      *end++ = ' ';
      end = std::to_chars(end, end + 12, condition.ends[i]).ptr;
      *end++ = '\n';
      out.append(line, static_cast<size_t>(end - line));
      if (out.size() >= kPieceSize) {
        if (!deliver(out))
          return false;
        out.clear();
      }
    }
  }
  return out.empty() || deliver(out);
}

std::string formatProtocolText(const Protocol& protocol) {
  std::string text;
  static_cast<void>(writeProtocolText(protocol, [&text](const std::string& piece) {
    text += piece;
    return true;
  }));
  return text;
}

bool isProtocolFileStart(std::string_view head) {
  const std::string_view line = head.substr(0, head.find('\n'));
  const std::string_view magic = kProtocolFileMagic;
  return line == magic || (line.size() == magic.size() + 1 && line.back() == '\r' &&
                           line.substr(0, magic.size()) == magic);
}

}  // namespace stimforge::kwhost
