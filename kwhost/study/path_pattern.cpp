#include "kwhost/study/path_pattern.h"

#include <algorithm>
#include <optional>
#include <set>
#include <utility>

namespace stimforge::kwhost {
namespace {

// One way of reading: a value per captured entity, "" where the way sets none (values are
// never empty).
using Way = std::vector<std::string>;
using Ways = std::set<Way>;

// A path readable in more ways than this is not worth telling apart: the log is refused.
constexpr size_t kMaxWays = 256;
// Work per path, counted in candidate ways looked at; ends pathological patterns quickly.
constexpr size_t kMaxSteps = 2000000;

std::vector<std::string_view> splitAtSlashes(std::string_view text) {
  std::vector<std::string_view> parts;
  for (size_t start = 0;;) {
    const size_t end = text.find('/', start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos)
      return parts;
    start = end + 1;
  }
}

// Matches one folder name against one segment of the pattern. The tokens from index i on,
// read from position pos, can be read in a set of ways that depends on (i, pos) only:
// entities already known from earlier folders are literals here, and an entity given twice
// within the folder is checked where the two readings are joined. So each (i, pos) is worked
// out once, which keeps "*a*a*a" and runs of placeholders polynomial.
class SegmentMatcher {
 public:
  struct Token {
    bool star = false;
    std::string_view text;  // a literal, or the value of an entity already known
    size_t key = 0;
    bool entity = false;  // a placeholder whose value this folder decides
  };

  SegmentMatcher(std::vector<Token> tokens, std::string_view name, size_t keyCount, size_t& steps)
      : tokens_(std::move(tokens)),
        name_(name),
        keyCount_(keyCount),
        steps_(steps),
        memo_((tokens_.size() + 1) * (name.size() + 1)),
        minTail_(tokens_.size() + 1, 0) {
    for (size_t i = tokens_.size(); i-- > 0;) {
      const Token& t = tokens_[i];
      minTail_[i] = minTail_[i + 1] + (t.entity ? 1 : t.star ? 0 : t.text.size());
    }
  }

  // The ways of reading the whole name, or null when there are too many.
  const Ways* ways() { return from(0, 0); }

 private:
  const Ways* from(size_t i, size_t pos) {
    std::optional<Ways>& slot = memo_[i * (name_.size() + 1) + pos];
    if (slot)
      return overflow_ ? nullptr : &*slot;
    Ways result;
    const size_t left = name_.size() - pos;
    if (i == tokens_.size()) {
      if (left == 0)
        result.insert(Way(keyCount_));
    } else if (left >= minTail_[i]) {
      const Token& t = tokens_[i];
      if (t.star || t.entity) {
        for (size_t len = t.entity ? 1 : 0; len + minTail_[i + 1] <= left; ++len) {
          const Ways* tail = from(i + 1, pos + len);
          if (tail == nullptr)
            return nullptr;
          const std::string_view value = name_.substr(pos, len);
          for (const Way& way : *tail) {
            if (++steps_ > kMaxSteps)
              return fail();
            if (!t.entity) {
              result.insert(way);
            } else if (way[t.key].empty() || way[t.key] == value) {
              Way joined = way;
              joined[t.key] = std::string(value);
              result.insert(std::move(joined));
            }
            if (result.size() > kMaxWays)
              return fail();
          }
        }
      } else if (name_.substr(pos, t.text.size()) == t.text) {
        const Ways* tail = from(i + 1, pos + t.text.size());
        if (tail == nullptr)
          return nullptr;
        result = *tail;
      }
    }
    slot = std::move(result);
    return &*slot;
  }

  const Ways* fail() {
    overflow_ = true;
    return nullptr;
  }

  std::vector<Token> tokens_;
  std::string_view name_;
  size_t keyCount_;
  size_t& steps_;
  std::vector<std::optional<Ways>> memo_;
  std::vector<size_t> minTail_;  // the fewest characters tokens i.. can take
  bool overflow_ = false;
};

}  // namespace

bool PathPattern::readSegments(std::string_view text, std::vector<NamedSegment>& segments,
                               std::vector<bool>& used, std::string& problem) {
  segments.assign(1, NamedSegment());
  auto addText = [&](char c) {
    auto& tokens = segments.back();
    if (tokens.empty() || tokens.back().first.kind != Token::Kind::kText)
      tokens.push_back({{Token::Kind::kText, "", 0}, ""});
    tokens.back().first.text += c;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const std::string column = std::to_string(i + 1);
    const char c = text[i];
    if (c == '/') {
      if (segments.back().empty()) {
        problem = "an empty folder name at column " + column;
        return false;
      }
      segments.emplace_back();
    } else if (c == '*') {
      auto& tokens = segments.back();
      if (tokens.empty() || tokens.back().first.kind != Token::Kind::kStar)
        tokens.push_back({{Token::Kind::kStar, "", 0}, ""});
    } else if ((c == '{' || c == '}') && i + 1 < text.size() && text[i + 1] == c) {
      addText(c);
      ++i;
    } else if (c == '}') {
      problem = "a lone \"}\" at column " + column + "; write \"}}\" for a literal brace";
      return false;
    } else if (c == '{') {
      const size_t close = text.find('}', i);
      if (close == std::string_view::npos) {
        problem = "an unclosed \"{\" at column " + column + "; write \"{{\" for a literal brace";
        return false;
      }
      const std::string_view name = text.substr(i + 1, close - i - 1);
      const EntityKind* kind = functionalEntity(name);
      if (kind == nullptr) {
        problem = "unknown placeholder \"{" + std::string(name) + "}\" at column " + column +
                  "; the placeholders are " + functionalEntityOrder();
        return false;
      }
      used[static_cast<size_t>(kind - functionalEntities())] = true;
      segments.back().push_back({{Token::Kind::kEntity, "", 0}, std::string(name)});
      i = close;
    } else {
      addText(c);
    }
  }
  if (segments.back().empty()) {
    problem = "an empty file name at the end";
    return false;
  }
  return true;
}

bool PathPattern::compile(std::string_view text, PathPattern& pattern, std::string& problem) {
  pattern = PathPattern();
  pattern.text_ = std::string(text);
  if (text.empty()) {
    problem = "the pattern is empty";
    return false;
  }
  // Placeholders hold entity names until every key is known; then the indices are set.
  std::vector<NamedSegment> segments;
  std::vector<bool> used(functionalEntityCount(), false);
  if (!readSegments(text, segments, used, problem))
    return false;
  for (size_t k = 0; k < used.size(); ++k) {
    if (used[k])
      pattern.keys_.push_back(functionalEntities()[k].key);
  }
  for (const char* required : {"sub", "task"}) {
    if (std::find(pattern.keys_.begin(), pattern.keys_.end(), required) == pattern.keys_.end()) {
      problem = "the pattern captures no {" + std::string(required) +
                "}, which every BIDS run name needs";
      return false;
    }
  }
  for (auto& segment : segments) {
    Segment tokens;
    for (auto& [token, name] : segment) {
      if (token.kind == Token::Kind::kEntity)
        token.key = static_cast<size_t>(
            std::find(pattern.keys_.begin(), pattern.keys_.end(), name) - pattern.keys_.begin());
      tokens.push_back(std::move(token));
    }
    pattern.segments_.push_back(std::move(tokens));
  }
  return true;
}

PatternMatch PathPattern::match(std::string_view path) const {
  PatternMatch result;
  const std::vector<std::string_view> names = splitAtSlashes(path);
  if (names.size() != segments_.size())
    return result;
  // Folder by folder, the ways of reading the path so far; an entity known from an earlier
  // folder is a literal in the later ones.
  Ways partial = {Way(keys_.size())};
  size_t steps = 0;
  for (size_t s = 0; s < segments_.size(); ++s) {
    Ways next;
    for (const Way& known : partial) {
      std::vector<SegmentMatcher::Token> tokens;
      for (const Token& token : segments_[s]) {
        SegmentMatcher::Token t;
        t.star = token.kind == Token::Kind::kStar;
        t.key = token.key;
        if (token.kind == Token::Kind::kText)
          t.text = token.text;
        else if (token.kind == Token::Kind::kEntity && !known[token.key].empty())
          t.text = known[token.key];
        else
          t.entity = token.kind == Token::Kind::kEntity;
        tokens.push_back(t);
      }
      SegmentMatcher matcher(std::move(tokens), names[s], keys_.size(), steps);
      const Ways* ways = matcher.ways();
      if (ways == nullptr) {
        result.kind = PatternMatch::Kind::kTooMany;
        return result;
      }
      for (const Way& way : *ways) {
        Way joined = known;
        for (size_t k = 0; k < joined.size(); ++k) {
          if (!way[k].empty())
            joined[k] = way[k];
        }
        next.insert(std::move(joined));
        if (next.size() > kMaxWays) {
          result.kind = PatternMatch::Kind::kTooMany;
          return result;
        }
      }
    }
    partial = std::move(next);
    if (partial.empty())
      return result;
  }
  auto values = [&](const Way& way) {
    PatternValues out;
    for (size_t k = 0; k < keys_.size(); ++k)
      out.push_back({keys_[k], way[k]});
    return out;
  };
  result.kind = partial.size() == 1 ? PatternMatch::Kind::kOne : PatternMatch::Kind::kAmbiguous;
  result.values = values(*partial.begin());
  if (partial.size() > 1)
    result.other = values(*std::next(partial.begin()));
  return result;
}

}  // namespace stimforge::kwhost
