#include "standin/events_table.h"

#include <algorithm>

#include "standin/text_codec.h"

namespace stimforge::standin {
namespace {

void appendSeconds(std::string& out, int64_t tenths) {
  // Unsigned, so that the most negative value has a magnitude too.
  const bool negative = tenths < 0;
  uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(tenths) : static_cast<uint64_t>(tenths);
  char digits[32];
  size_t n = 0;
  for (int place = 0; place < 4; ++place, magnitude /= 10)
    digits[n++] = static_cast<char>('0' + magnitude % 10);
  digits[n++] = '.';
  do {
    digits[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (negative)
    digits[n++] = '-';
  while (n > 0)
    out += digits[--n];
}

}  // namespace

uint32_t EventsTable::addText(std::string text) {
  texts.push_back(std::move(text));
  return static_cast<uint32_t>(texts.size() - 1);
}

std::string eventsHeaderLine(bool logColumns) {
  return logColumns ? "onset\tduration\ttrial_type\tevent_type\tcode\ttrial\n"
                    : "onset\tduration\ttrial_type\n";
}

void sortByOnset(EventsTable& table) {
  std::stable_sort(table.rows.begin(), table.rows.end(),
                   [](const EventRow& a, const EventRow& b) { return a.onset < b.onset; });
}

std::string secondsText(int64_t tenths) {
  std::string out;
  appendSeconds(out, tenths);
  return out;
}

std::string tsvCellText(std::string_view text, bool& changed) {
  changed = false;
  if (text.empty())
    return "n/a";
  std::string cell(text);
  for (char& c : cell) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      c = ' ';
      changed = true;
    }
  }
  return cell;
}

std::string formatEventsTsv(const EventsTable& table, std::set<std::string>& warnings) {
  // Each text is made a cell once; a warning is given only for texts a row writes.
  std::vector<std::string> cells(table.texts.size());
  std::vector<char> changed(table.texts.size(), 0);
  for (size_t i = 0; i < table.texts.size(); ++i) {
    bool textChanged = false;
    cells[i] = tsvCellText(table.texts[i], textChanged);
    changed[i] = textChanged ? 1 : 0;
  }
  std::vector<char> used(table.texts.size(), 0);
  std::string out = eventsHeaderLine(table.logColumns);
  out.reserve(out.size() + table.rows.size() * 48);
  const auto cell = [&](uint32_t text) {
    out += '\t';
    out += cells[text];
    used[text] = 1;
  };
  for (const EventRow& row : table.rows) {
    appendSeconds(out, row.onset);
    out += '\t';
    if (row.duration == kNotApplicable)
      out += "n/a";
    else
      appendSeconds(out, std::max<int64_t>(row.duration, 0));
    cell(row.trialType);
    if (table.logColumns) {
      cell(row.eventType);
      cell(row.code);
      out += '\t';
      out += row.trial == kNotApplicable ? std::string("n/a") : std::to_string(row.trial);
    }
    out += '\n';
  }
  for (size_t i = 0; i < table.texts.size(); ++i) {
    if (used[i] && changed[i]) {
      warnings.insert("the name \"" + escapeLine(table.texts[i]) +
                      "\" holds a tab, line break or control character: written with blanks");
    }
  }
  return out;
}

}  // namespace stimforge::standin
