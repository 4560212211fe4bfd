#include "standin/events_table.h"

#include <algorithm>

#include "standin/text_codec.h"

namespace stimforge::standin {
namespace {

// Writes the digits from the end of a small buffer and appends them at once: the writer's
// inner loop, a few times per row.
void appendNumber(std::string& out, int64_t value, bool seconds) {
  // Unsigned, so that the most negative value has a magnitude too.
  const bool negative = value < 0;
  uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  char digits[32];
  char* at = digits + sizeof digits;
  if (seconds) {
    for (int place = 0; place < 4; ++place, magnitude /= 10)
      *--at = static_cast<char>('0' + magnitude % 10);
    *--at = '.';
  }
  do {
    *--at = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (negative)
    *--at = '-';
  out.append(at, static_cast<size_t>(digits + sizeof digits - at));
}

void appendSeconds(std::string& out, int64_t tenths) {
  appendNumber(out, tenths, true);
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
  const auto earlier = [](const EventRow& a, const EventRow& b) { return a.onset < b.onset; };
  // A log is nearly always in time order already: then there is nothing to move.
  if (!std::is_sorted(table.rows.begin(), table.rows.end(), earlier))
    std::stable_sort(table.rows.begin(), table.rows.end(), earlier);
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
  // Room for the whole text at once (a million rows are tens of megabytes): the cells, and
  // at most 21 characters for each number and its tab.
  size_t size = out.size();
  for (const EventRow& row : table.rows) {
    size += 3 * 21 + cells[row.trialType].size() + 1;
    if (table.logColumns)
      size += cells[row.eventType].size() + cells[row.code].size() + 2;
  }
  out.reserve(size);
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
      if (row.trial == kNotApplicable)
        out += "n/a";
      else
        appendNumber(out, row.trial, false);
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
