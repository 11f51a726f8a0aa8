#include "ocr/TextMatch.h"

#include <algorithm>
#include <cstdio>

#include "language/Value.h"

namespace qlm {
namespace {

// Paired by position: each character also counts as equal to the one below it.
constexpr std::string_view kLookAlikeFirst = "OoSs%%s999lL8iDZQD";
constexpr std::string_view kLookAlikeSecond = "0055\xE9\xE8ggs511aj02ab";
static_assert(kLookAlikeFirst.size() == 18 && kLookAlikeSecond.size() == 18);

bool lookAlike(unsigned char a, unsigned char b) {
  for (std::size_t i = 0; i < kLookAlikeFirst.size(); ++i) {
    const auto first = static_cast<unsigned char>(kLookAlikeFirst[i]);
    const auto second = static_cast<unsigned char>(kLookAlikeSecond[i]);
    if ((a == first && b == second) || (a == second && b == first)) return true;
  }
  return false;
}

bool sameCharacter(unsigned char c, unsigned char p) {
  return c == p || c + 32 == p || p + 32 == c || lookAlike(c, p);
}

constexpr int kUnknownSeen = 4;

}  // namespace

TextMatch matchText(std::string_view recognised, std::string_view pattern) {
  TextMatch result;
  if (recognised.empty() || pattern.size() > recognised.size()) return result;
  std::size_t k = 0;
  std::optional<std::size_t> start;
  int tolerance = 0;
  for (std::size_t i = 0; i < recognised.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(recognised[i]);
    if (c < 32 || c >= 128) continue;
    if (c == '~' || c == 127) c = '_';
    if (c == '_') tolerance = kUnknownSeen;
    // After an unknown character, one that does not match may stand for the
    // pattern's next character, or be tried again against the one after it.
    for (bool again = true; again;) {
      again = false;
      if (k == pattern.size()) break;
      const bool same = sameCharacter(c, static_cast<unsigned char>(pattern[k]));
      if (tolerance > 0) {
        if (same) {
          if (!start) start = i;
          ++k;
          tolerance = 0;
        } else {
          if (tolerance < kUnknownSeen) ++k;
          again = tolerance < 3;
          --tolerance;
        }
      } else if (same) {
        if (!start) start = i;
        ++k;
      } else {
        start.reset();
        k = 0;
      }
    }
  }
  result.matched = k == pattern.size();
  if (result.matched) result.start = start;
  return result;
}

std::string textResult(std::string_view recognised, std::string_view filter) {
  filter = filter.substr(0, kMaxTextFilter);
  std::string result(recognised);
  if (matchText(recognised, filter).matched) {
    result += ":OK";
  } else {
    char lengths[48];
    std::snprintf(lengths, sizeof lengths, "[%zu,%zu]", recognised.size(), filter.size());
    result.append("<>").append(filter).append("<").append(lengths);
  }
  if (result.size() > kMaxValueLength) result.resize(kMaxValueLength);
  return result;
}

}  // namespace qlm
