// Field-name pattern lists: applying a list to an element name, merging added
// patterns into a list, and the ASCII lower-casing both sides go through.
#include "matcher/pattern_list.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/locale_compare.h"

namespace zr {
namespace {

// The non-empty ";"-separated items of list, in order.
std::vector<std::string_view> SplitItems(std::string_view list) {
  std::vector<std::string_view> items;
  std::size_t pos = 0;
  while (pos <= list.size()) {
    std::size_t end = list.find(';', pos);
    if (end == std::string_view::npos) end = list.size();
    if (end > pos) items.push_back(list.substr(pos, end - pos));
    pos = end + 1;
  }
  return items;
}

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;

// For each of the 8 bytes in word: 0x80 when it is an ASCII capital, else 0.
// Bytes are compared as 7-bit values and those with the high bit excluded.
std::uint64_t CapitalMask(std::uint64_t word) {
  const std::uint64_t low7 = word & (0x7f * kOnes);
  const std::uint64_t at_least_a = low7 + (0x80 - 'A') * kOnes;
  const std::uint64_t above_z = low7 + (0x80 - 'Z' - 1) * kOnes;
  return at_least_a & ~above_z & ~word & (0x80 * kOnes);
}

bool IsCapital(char c) { return static_cast<unsigned char>(c - 'A') < 26; }

// Names may be long (a page can send megabytes), so 8 bytes at a time.
void LowerInPlace(std::string& text) {
  std::size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + i, 8);
    word |= CapitalMask(word) >> 2;  // 0x80 >> 2 is the case bit 0x20
    std::memcpy(text.data() + i, &word, 8);
  }
  for (; i < text.size(); ++i) {
    if (IsCapital(text[i])) text[i] = static_cast<char>(text[i] - 'A' + 'a');
  }
}

bool HasCapital(std::string_view text) {
  std::size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + i, 8);
    if (CapitalMask(word) != 0) return true;
  }
  for (; i < text.size(); ++i) {
    if (IsCapital(text[i])) return true;
  }
  return false;
}

}  // namespace

std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  LowerInPlace(lower);
  return lower;
}

bool MatchPatternList(RegExp& regexp, std::string& field, std::string_view list,
                      std::string_view value) {
  if (list.empty()) return false;
  // The lower-cased field name, made at the first item; a name without
  // capital letters is searched as it is.
  std::string lowered;
  std::string_view name;
  bool have_name = false;
  std::string pattern;
  std::size_t pos = 0;
  while (pos <= list.size()) {
    std::size_t end = list.find(';', pos);
    if (end == std::string_view::npos) end = list.size();
    const std::string_view item = list.substr(pos, end - pos);
    pos = end + 1;
    if (item.empty()) continue;
    pattern.assign(item);
    LowerInPlace(pattern);
    // An item that does not compile matches nothing; the next one is tried.
    if (!regexp.Compile(pattern)) continue;
    if (!have_name) {
      if (HasCapital(field)) {
        lowered = AsciiLower(field);
        name = lowered;
      } else {
        name = field;
      }
      have_name = true;
    }
    if (regexp.Find(name) >= 0) {
      field.assign(value);
      return true;
    }
  }
  return false;
}

void MergePatternList(std::string& list, std::string_view added) {
  std::string all = list;
  all += ';';
  all.append(added);
  std::vector<std::string_view> items = SplitItems(all);
  // stable_sort stays within bounds even if the collation were inconsistent.
  std::stable_sort(items.begin(), items.end(),
                   [](std::string_view a, std::string_view b) { return LocaleCompare(a, b) < 0; });
  items.erase(
      std::unique(items.begin(), items.end(),
                  [](std::string_view a, std::string_view b) { return LocaleCompare(a, b) == 0; }),
      items.end());
  std::string merged;
  for (std::string_view item : items) {
    if (!merged.empty()) merged += ';';
    merged.append(item);
  }
  list = std::move(merged);
}

}  // namespace zr
