// The stand-in host's protocol files: a line-based text format of its own (described in
// docs/protocol-file.md). Parsing works on text in memory, so that tests and fuzzers need
// no disk; reading and saving files is in file_io.h.
#ifndef STIMFORGE_KWHOST_PROTOCOL_FILE_H_
#define STIMFORGE_KWHOST_PROTOCOL_FILE_H_

#include <functional>
#include <string>
#include <string_view>

#include "kwhost/protocol/value.h"

namespace stimforge::kwhost {

// The first line of every protocol file.
constexpr char kProtocolFileMagic[] = "kwhost-protocol 1";

// Whether `head`, the start of a file (its first line, with or without what follows it), is
// the start of a protocol file that kwhost writes: its first line, a CR before the LF
// dropped, is kProtocolFileMagic. kwhost's one test of "is this a protocol file?": which
// input `events` and `plot` have, and which existing file a save may replace.
bool isProtocolFileStart(std::string_view head);

// The file's text for `protocol`: every field but fileName (a file's name is where it
// lies). Requires: the protocol keeps the limits stated in value.h.
std::string formatProtocolText(const Protocol& protocol);

// Receives the text of a protocol file piece by piece; returns false to stop the writing.
using ProtocolTextSink = std::function<bool(const std::string& piece)>;

// The same text as formatProtocolText, handed to `deliver` in consecutive pieces of about
// 64 KiB, so that a large protocol is never held as one text. Returns false as soon as
// `deliver` does, true when the whole text was delivered.
[[nodiscard]] bool writeProtocolText(const Protocol& protocol, const ProtocolTextSink& deliver);

// `text` as protocol files write it: in double quotes, with '"', '\\', line breaks, tabs
// and other control bytes escaped.
std::string quotedText(const std::string& text);

// Parses the text of a protocol file. On success stores the protocol in `protocol`, with
// `fileName` as its file name, and returns true. On failure returns false, leaves
// `protocol` unchanged and stores in `error` one line "FILENAME:LINE: what is wrong".
// Any text (NUL bytes included) is handled safely. formatProtocolText followed by this
// gives back exactly the protocol written.
[[nodiscard]] bool parseProtocolText(std::string_view text, const std::string& fileName,
                                     Protocol& protocol, std::string& error);

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_PROTOCOL_FILE_H_
