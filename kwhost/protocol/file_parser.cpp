// The parser of protocol files (file.h); the writer is file_writer.cpp.
#include "kwhost/protocol/file.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <utility>

#include "kwhost/common/lines.h"
#include "kwhost/common/text_codec.h"

namespace stimforge::kwhost {
namespace {

constexpr size_t kShownLineLength = 60;

// The value of a hexadecimal digit, -1 for any other character.
int hexDigit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  return -1;
}

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && isBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back()))
    text.remove_suffix(1);
  return text;
}

// A line as an error message shows it: control bytes escaped, long lines cut.
std::string shown(std::string_view line) {
  std::string text = quotedText(std::string(line.substr(0, kShownLineLength)));
  if (line.size() > kShownLineLength)
    text.insert(text.size() - 1, "...");
  return text;
}

class Parser {
 public:
  Parser(std::string_view text, const std::string& fileName) : text_(text), fileName_(fileName) {}

  bool parse(Protocol& protocol, std::string& error);

 private:
  // The next line that is neither blank nor a comment, trimmed. False at the end of the
  // text or on a NUL byte (then with the error set).
  bool nextLine(std::string_view& line);
  // Whether only blank and comment lines are left; reads nothing.
  bool atEnd();
  bool fail(const std::string& what);

  bool expectKeyword(std::string_view keyword, const char* valueName, std::string_view& value);
  bool readQuoted(std::string_view keyword, size_t limit, std::string& text);
  bool readInteger(std::string_view keyword, int32_t& value);
  bool readColour(std::string_view keyword, int32_t& value);
  bool readCount(std::string_view keyword, int32_t& count);
  bool readInterval(int32_t& start, int32_t& end);

  std::string_view text_;
  const std::string& fileName_;
  LineSplitter lines_{text_};
  bool failed_ = false;
  std::string error_;
};

bool Parser::fail(const std::string& what) {
  if (!failed_) {
    failed_ = true;
    error_ = fileName_ + ":" + std::to_string(lines_.lineNumber() == 0 ? 1 : lines_.lineNumber()) +
             ": " + what;
  }
  return false;
}

bool Parser::nextLine(std::string_view& line) {
  std::string_view raw;
  while (lines_.next(raw)) {
    if (raw.find('\0') != std::string_view::npos)
      return fail("the line holds a NUL byte");
    raw = trim(raw);
    if (raw.empty() || raw.front() == '#')
      continue;
    line = raw;
    return true;
  }
  return false;
}

bool Parser::atEnd() {
  const size_t pos = lines_.position();
  const size_t lineNumber = lines_.lineNumber();
  std::string_view line;
  const bool more = nextLine(line) || failed_;
  lines_.restart(pos, lineNumber);
  return !more;
}

bool Parser::expectKeyword(std::string_view keyword, const char* valueName,
                           std::string_view& value) {
  const std::string expected = "expected \"" + std::string(keyword) + " " + valueName + "\"";
  std::string_view line;
  if (!nextLine(line))
    return failed_ ? false : fail(expected + ", but the file ends here");
  const bool matches = line.size() > keyword.size() && line.substr(0, keyword.size()) == keyword &&
                       isBlank(line[keyword.size()]);
  if (!matches)
    return fail(expected + ", found " + shown(line));
  value = trim(line.substr(keyword.size()));
  return true;
}

bool Parser::readQuoted(std::string_view keyword, size_t limit, std::string& text) {
  std::string_view value;
  if (!expectKeyword(keyword, "\"<text>\"", value))
    return false;
  const std::string what = std::string(keyword) + ": ";
  if (value.empty() || value.front() != '"')
    return fail(what + "the text must start with a double quote");
  std::string result;
  size_t i = 1;
  for (;; ++i) {
    if (i >= value.size())
      return fail(what + "the text has no closing double quote");
    const char c = value[i];
    if (c == '"')
      break;
    if (c != '\\') {
      result += c;
      continue;
    }
    if (++i >= value.size())
      return fail(what + "the text has no closing double quote");
    switch (value[i]) {
      case '"':
        result += '"';
        break;
      case '\\':
        result += '\\';
        break;
      case 'n':
        result += '\n';
        break;
      case 'r':
        result += '\r';
        break;
      case 't':
        result += '\t';
        break;
      case 'x': {
        const int high = i + 1 < value.size() ? hexDigit(value[i + 1]) : -1;
        const int low = i + 2 < value.size() ? hexDigit(value[i + 2]) : -1;
        if (high < 0 || low < 0)
          return fail(what + "\\x must be followed by two hexadecimal digits");
        if (high == 0 && low == 0)
          return fail(what + "the text cannot hold a NUL byte (\\x00)");
        result += static_cast<char>(high * 16 + low);
        i += 2;
        break;
      }
      default:
        return fail(what + "unknown escape " + shown(value.substr(i - 1, 2)) +
                    " (use \\\\, \\\", \\n, \\r, \\t or \\xHH)");
    }
  }
  if (i + 1 != value.size())
    return fail(what + "unexpected text after the closing double quote");
  if (result.size() > limit)
    return fail(what + "the text is " + std::to_string(result.size()) + " bytes long; at most " +
                std::to_string(limit) + " fit");
  text = std::move(result);
  return true;
}

bool Parser::readInteger(std::string_view keyword, int32_t& value) {
  std::string_view text;
  if (!expectKeyword(keyword, "<whole number>", text))
    return false;
  if (!parseInt32(text, value))
    return fail(std::string(keyword) + ": " + shown(text) +
                " is not a whole number from -2147483648 to 2147483647");
  return true;
}

bool Parser::readCount(std::string_view keyword, int32_t& count) {
  std::string_view text;
  if (!expectKeyword(keyword, "<count>", text))
    return false;
  if (!parseInt32(text, count) || count < 0)
    return fail(std::string(keyword) + ": " + shown(text) + " is not a count (0 or more)");
  return true;
}

bool Parser::readColour(std::string_view keyword, int32_t& value) {
  std::string_view text;
  if (!expectKeyword(keyword, "<colour>", text))
    return false;
  const bool prefixed = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  uint32_t colour = 0;
  bool valid = prefixed && text.size() <= 10;
  for (size_t i = 2; valid && i < text.size(); ++i) {
    const int digit = hexDigit(text[i]);
    valid = digit >= 0;
    colour = colour * 16 + static_cast<uint32_t>(digit < 0 ? 0 : digit);
  }
  if (!valid)
    return fail(std::string(keyword) + ": " + shown(text) +
                " is not a colour (0x and 1 to 8 hexadecimal digits)");
  value = static_cast<int32_t>(colour);
  return true;
}

bool Parser::readInterval(int32_t& start, int32_t& end) {
  std::string_view line;
  if (!nextLine(line))
    return false;
  size_t gap = 0;
  while (gap < line.size() && !isBlank(line[gap]))
    ++gap;
  if (gap == line.size() || !parseInt32(line.substr(0, gap), start) ||
      !parseInt32(trim(line.substr(gap)), end)) {
    return fail("expected an interval \"<start> <end>\" (two whole numbers), found " + shown(line));
  }
  return true;
}

bool Parser::parse(Protocol& protocol, std::string& error) {
  Protocol result;
  result.fileName = fileName_;
  std::string_view line;
  const std::string magic = kProtocolFileMagic;
  bool ok = nextLine(line);
  if (ok && line != magic) {
    ok =
        fail("not a protocol file: the first line must be \"" + magic + "\", found " + shown(line));
  } else if (!ok && !failed_) {
    ok = fail("not a protocol file: it is empty (the first line must be \"" + magic + "\")");
  }
  int32_t count = 0;
  ok = ok && readQuoted("title", kMaxTitleLength, result.title) &&
       readInteger("time-resolution", result.timeResolution) &&
       readColour("colour1", result.colour1) && readColour("colour2", result.colour2) &&
       readColour("colour3", result.colour3) && readInteger("thickness3", result.thickness3) &&
       readColour("colour4", result.colour4) && readInteger("thickness4", result.thickness4) &&
       readCount("conditions", count);
  for (int32_t c = 0; ok && c < count; ++c) {
    if (atEnd()) {
      ok = fail("the file ends after " + std::to_string(c) + " of " + std::to_string(count) +
                " conditions");
      break;
    }
    Condition condition;
    int32_t intervals = 0;
    ok = readQuoted("condition", kMaxConditionNameLength, condition.name) &&
         readColour("colour", condition.colour) && readCount("intervals", intervals);
    for (int32_t i = 0; ok && i < intervals; ++i) {
      int32_t start = 0;
      int32_t end = 0;
      ok = readInterval(start, end);
      if (!ok && !failed_) {
        fail("the file ends after " + std::to_string(i) + " of " + std::to_string(intervals) +
             " intervals of condition " + std::to_string(c));
      }
      if (ok) {
        condition.starts.push_back(start);
        condition.ends.push_back(end);
      }
    }
    if (ok)
      result.conditions.push_back(std::move(condition));
  }
  if (ok && nextLine(line))
    ok = fail("unexpected text after the last condition: " + shown(line));
  if (failed_) {
    error = error_;
    return false;
  }
  protocol = std::move(result);
  return true;
}

}  // namespace

bool parseProtocolText(std::string_view text, const std::string& fileName, Protocol& protocol,
                       std::string& error) {
  Parser parser(text, fileName);
  return parser.parse(protocol, error);
}

}  // namespace stimforge::kwhost
