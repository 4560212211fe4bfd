#include "logformat/log_fields.h"

#include <algorithm>
#include <cstring>

#if defined(_MSC_VER)
#include <intrin.h>
#endif
// SSE2 is part of every x86-64 target (and of 32-bit x86 ones built for it); elsewhere the
// word-at-a-time search alone.
#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define SF_LOG_FIELDS_SSE2 1
#else
#define SF_LOG_FIELDS_SSE2 0
#endif

namespace stimforge {
namespace {

// The characters that separate fields on a line without a tab, as formatted input reads
// them.
bool isBlank(char c) {
  // One test of a bit set: space (32) and tab, line feed, vertical tab, form feed and
  // carriage return (9 to 13).
  const unsigned byte = static_cast<unsigned char>(c);
  return byte <= 32 && ((0x100003E00ULL >> byte) & 1) != 0;
}

inline std::string_view trimmed(std::string_view text) {
  if (text.empty() || (!isBlank(text.front()) && !isBlank(text.back())))
    return text;
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && isBlank(text[begin]))
    ++begin;
  while (end > begin && isBlank(text[end - 1]))
    --end;
  return text.substr(begin, end - begin);
}

// The number of the lowest set bit of `bits`. Requires: bits != 0.
inline unsigned lowestBit(uint64_t bits) {
#if defined(_MSC_VER)
  unsigned long bit = 0;
  _BitScanForward64(&bit, bits);
  return static_cast<unsigned>(bit);
#else
  return static_cast<unsigned>(__builtin_ctzll(bits));
#endif
}

// Finds the next tabs in data[position, size): stores the positions of up to `wanted` of
// them in `tabs` and returns how many it found (fewer only when the line has no more).
size_t findTabs(const char* data, size_t position, size_t size, size_t* tabs, size_t wanted) {
  size_t found = 0;
  if (wanted == 0)
    return found;
#if SF_LOG_FIELDS_SSE2
  // Sixteen bytes at a time: one compare gives a bit per tab.
  const __m128i tab = _mm_set1_epi8('\t');
  while (size - position >= 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + position));
    uint64_t flags = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, tab)));
    while (flags != 0) {
      tabs[found++] = position + lowestBit(flags);
      if (found == wanted)
        return found;
      flags &= flags - 1;
    }
    position += 16;
  }
#endif
#if !defined(__BYTE_ORDER__) || __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  // Eight bytes at a time. In `flags` the top bit of a byte is set exactly when the byte
  // is a tab (the byte of word ^ tabs is then 0; adding 0x7F to its low seven bits sets
  // the top bit of every other byte, and no carry crosses into the next byte). The word's
  // lowest byte is its first in memory on a little-endian machine.
  constexpr uint64_t kOnes = 0x0101010101010101ULL;
  constexpr uint64_t kLowSeven = kOnes * 0x7F;
  constexpr uint64_t kTops = kOnes * 0x80;
  while (size - position >= 8) {
    uint64_t word = 0;
    std::memcpy(&word, data + position, sizeof word);
    const uint64_t x = word ^ (kOnes * '\t');
    uint64_t flags = ~(((x & kLowSeven) + kLowSeven) | x) & kTops;
    while (flags != 0) {
      tabs[found++] = position + lowestBit(flags) / 8;
      if (found == wanted)
        return found;
      flags &= flags - 1;
    }
    position += 8;
  }
#endif
  for (; position < size; ++position) {
    if (data[position] == '\t') {
      tabs[found++] = position;
      if (found == wanted)
        break;
    }
  }
  return found;
}

// Walks the tabs of a line from its start, sixteen bytes at a time where it can, so that
// the leading fields are found in one look at each byte, without a table of positions.
class TabCursor {
 public:
  explicit TabCursor(std::string_view line) : data_(line.data()), size_(line.size()) {}

  // The position of the next tab; false when the line has no more.
  bool next(size_t& tab) {
    while (bits_ == 0) {
      if (looked_ >= size_)
        return false;
      look();
    }
    tab = start_ + lowestBit(bits_);
    bits_ &= bits_ - 1;
    return true;
  }

  // Whether a NUL byte may stand among the bytes looked at so far: every byte up to the
  // last tab returned, or the whole line once next() has returned false.
  bool mayHoldNul() const { return sawNul_; }

 private:
  // Looks at the next piece of the line: sixteen bytes, or the rest of a shorter tail.
  void look() {
    start_ = looked_;
#if SF_LOG_FIELDS_SSE2
    if (size_ - looked_ >= 16) {
      const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data_ + looked_));
      bits_ = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('\t'))));
      if (_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, _mm_setzero_si128())) != 0)
        sawNul_ = true;
      looked_ += 16;
      return;
    }
#endif
    const size_t end = size_ - looked_ > 64 ? looked_ + 64 : size_;
    uint64_t bits = 0;
    bool nul = false;
    for (size_t i = looked_; i < end; ++i) {
      bits |= static_cast<uint64_t>(data_[i] == '\t') << (i - looked_);
      nul |= data_[i] == '\0';
    }
    bits_ = bits;
    sawNul_ = sawNul_ || nul;
    looked_ = end;
  }

  const char* data_;
  size_t size_;
  size_t looked_ = 0;  // bytes looked at
  size_t start_ = 0;   // where the piece of bits_ starts
  uint64_t bits_ = 0;  // the tabs of that piece not yet returned, one bit per byte
  bool sawNul_ = false;
};

// Walks the blank-separated fields of a line without a tab, from a given position.
class FieldCursor {
 public:
  FieldCursor(std::string_view line, size_t position) : line_(line), position_(position) {}

  // The next field, or false when the line has no more.
  bool next(std::string_view& field) {
    const char* const data = line_.data();
    const size_t size = line_.size();
    while (position_ < size && isBlank(data[position_]))
      ++position_;
    if (position_ >= size)
      return false;
    const size_t begin = position_;
    while (position_ < size && !isBlank(data[position_]))
      ++position_;
    field = std::string_view(data + begin, position_ - begin);
    return true;
  }

  // Skips `count` fields; false when the line ends first.
  bool skip(int count) {
    std::string_view ignored;
    for (int i = 0; i < count; ++i) {
      if (!next(ignored))
        return false;
    }
    return true;
  }

  size_t position() const { return position_; }

 private:
  std::string_view line_;
  size_t position_;
};

// A text up to its first NUL byte. The host takes names and log lines as NUL-terminated
// texts, so nothing after a NUL could reach it: codes that differ only there would become
// distinct conditions of one name.
std::string_view upToNul(std::string_view field) {
  return field.substr(0, field.find('\0'));
}

constexpr size_t kNotRead = static_cast<size_t>(-1);

// A place of TimeColumns as EventFields keeps it: kNotRead for none or one beyond the limit.
size_t placeKept(int place) {
  return place < 0 || place > kMaxPlaceAfterCode ? kNotRead : static_cast<size_t>(place);
}

// The place's field after Code on a line without a tab, or empty when the line has none.
std::string_view blankFieldAt(std::string_view line, size_t afterCode, size_t place) {
  std::string_view field;
  FieldCursor cursor(line, afterCode);
  if (place == kNotRead || !cursor.skip(static_cast<int>(place)) || !cursor.next(field))
    return std::string_view();
  return field;
}

// Field k after Code on a tab-separated line, from the tabs that readLeadingFields kept,
// or empty when the line has none (k == kNotRead included).
std::string_view tabFieldAfterCode(std::string_view line, const EventFields& fields, size_t k) {
  if (fields.afterCode > line.size() || k > fields.tabsAfterCodeFound)
    return std::string_view();
  const size_t begin = k == 0 ? fields.afterCode : fields.tabsAfterCode[k - 1] + 1;
  const size_t end = k < fields.tabsAfterCodeFound ? fields.tabsAfterCode[k] : line.size();
  return trimmed(std::string_view(line.data() + begin, end - begin));
}

// The same, with `usual` the place that Presentation's own columns give: for it the field
// is found with a constant place, which makes the common case cheap.
template <size_t usual>
std::string_view tabFieldAt(std::string_view line, const EventFields& fields, size_t place) {
  return place == usual ? tabFieldAfterCode(line, fields, usual)
                        : tabFieldAfterCode(line, fields, place);
}

}  // namespace

bool readLeadingFields(std::string_view line, bool hasSubjectColumn, EventFields& fields,
                       const TimeColumns& columns) {
  // Every field but the tab positions, which are read only up to the count set below.
  fields.trial = 0;
  fields.eventType = std::string_view();
  fields.code = std::string_view();
  fields.time = std::string_view();
  fields.duration = std::string_view();
  fields.afterCode = 0;
  fields.tabsAfterCodeFound = 0;
  fields.timePlace = placeKept(columns.time);
  fields.durationPlace = placeKept(columns.duration);
  // Subject (when there is one), Trial, EventType, Code.
  const size_t trialField = hasSubjectColumn ? 1 : 0;
  // The tabs up to the end of Time and Duration are looked for at once: for Presentation's
  // own columns those of Time, TTime, Uncertainty and Duration.
  const int lastPlace = std::min(std::max(columns.time, columns.duration), kMaxPlaceAfterCode);
  TabCursor tabs(line);
  size_t ends[4];  // where Subject (if any), Trial, EventType and Code end
  fields.tabSeparated = tabs.next(ends[0]);
  if (fields.tabSeparated) {
    const size_t codeField = trialField + 2;
    for (size_t k = 1; k < codeField; ++k) {
      if (!tabs.next(ends[k]))
        return false;
    }
    bool codeIsLast = !tabs.next(ends[codeField]);
    if (codeIsLast)
      ends[codeField] = line.size();
    const auto field = [&](size_t k) {
      const size_t begin = k == 0 ? 0 : ends[k - 1] + 1;
      return trimmed(std::string_view(line.data() + begin, ends[k] - begin));
    };
    if (hasSubjectColumn && field(0).empty())
      return false;
    if (!readWholeNumber(field(trialField), fields.trial))
      return false;
    fields.eventType = field(trialField + 1);
    fields.code = field(codeField);
    if (tabs.mayHoldNul()) {  // every byte up to the end of Code has been looked at
      fields.eventType = upToNul(fields.eventType);
      fields.code = upToNul(fields.code);
    }
    fields.eventType = fields.eventType.substr(0, kMaxEventTypeLength);
    fields.code = fields.code.substr(0, kMaxCodeLength);
    if (fields.eventType.empty() || fields.code.empty())
      return false;
    fields.afterCode = codeIsLast ? line.size() + 1 : ends[codeField] + 1;
    // The tabs that end the fields after Code, up to the later of Time and Duration.
    if (!codeIsLast) {
      const size_t wanted = static_cast<size_t>(std::max(lastPlace, 0)) + 1;
      size_t found = 0;
      while (found < wanted && tabs.next(fields.tabsAfterCode[found]))
        ++found;
      fields.tabsAfterCodeFound = found;
    }
    return true;
  }
  FieldCursor cursor(line, 0);
  std::string_view field;
  if (hasSubjectColumn && !cursor.next(field))
    return false;
  if (!cursor.next(field) || !readWholeNumber(field, fields.trial))
    return false;
  if (!cursor.next(field) || upToNul(field).empty())
    return false;
  fields.eventType = upToNul(field).substr(0, kMaxEventTypeLength);
  if (!cursor.next(field) || upToNul(field).empty())
    return false;
  fields.code = upToNul(field).substr(0, kMaxCodeLength);
  fields.afterCode = cursor.position();
  return true;
}

void readTime(std::string_view line, EventFields& fields) {
  fields.time = std::string_view();
  fields.duration = std::string_view();
  if (fields.tabSeparated) {
    fields.time = tabFieldAt<0>(line, fields, fields.timePlace);
    return;
  }
  fields.time = blankFieldAt(line, fields.afterCode, fields.timePlace);
}

void readTimeAndDuration(std::string_view line, EventFields& fields) {
  fields.time = std::string_view();
  fields.duration = std::string_view();
  if (fields.tabSeparated) {
    fields.time = tabFieldAt<0>(line, fields, fields.timePlace);
    fields.duration = tabFieldAt<3>(line, fields, fields.durationPlace);
    return;
  }
  if (fields.timePlace != 0 || fields.durationPlace != 3) {
    fields.time = blankFieldAt(line, fields.afterCode, fields.timePlace);
    fields.duration = blankFieldAt(line, fields.afterCode, fields.durationPlace);
    return;
  }
  // Presentation's own columns: Time, TTime, Uncertainty, Duration, in one walk.
  FieldCursor cursor(line, fields.afterCode);
  if (!cursor.next(fields.time)) {
    fields.time = std::string_view();
    return;
  }
  if (!cursor.skip(2))
    return;
  if (!cursor.next(fields.duration))
    fields.duration = std::string_view();
}

void splitFields(std::string_view line, std::vector<std::string_view>& fields) {
  fields.clear();
  if (line.find('\t') != std::string_view::npos) {
    size_t begin = 0;
    for (;;) {
      const size_t tab = line.find('\t', begin);
      const size_t end = tab == std::string_view::npos ? line.size() : tab;
      fields.push_back(trimmed(line.substr(begin, end - begin)));
      if (tab == std::string_view::npos)
        return;
      begin = tab + 1;
    }
  }
  FieldCursor cursor(line, 0);
  std::string_view field;
  while (cursor.next(field))
    fields.push_back(field);
}

void splitFields(std::string_view line, std::vector<std::string_view>& fields, size_t limit) {
  fields.clear();
  // The first few fields are short: the tabs that end them are looked for eight bytes at a
  // time, a few at once, rather than one search per field.
  constexpr size_t kTabsAtOnce = 8;
  size_t tabs[kTabsAtOnce];
  size_t begin = 0;
  while (fields.size() < limit) {
    const size_t wanted = std::min(kTabsAtOnce, limit - fields.size());
    const size_t found = findTabs(line.data(), begin, line.size(), tabs, wanted);
    if (begin == 0 && found == 0)
      break;  // no tab: split at blanks
    for (size_t k = 0; k < found; ++k) {
      fields.push_back(trimmed(line.substr(begin, tabs[k] - begin)));
      begin = tabs[k] + 1;
    }
    if (found < wanted) {
      fields.push_back(trimmed(line.substr(begin)));
      return;
    }
  }
  if (begin > 0 || limit == 0)
    return;
  FieldCursor cursor(line, 0);
  std::string_view field;
  while (fields.size() < limit && cursor.next(field))
    fields.push_back(field);
}

}  // namespace stimforge
