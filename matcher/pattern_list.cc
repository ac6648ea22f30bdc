// Field-name pattern lists: applying a list to an element name, merging added
// patterns into a list; both sides are lowered with AsciiLower.
#include "matcher/pattern_list.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/ascii_case.h"
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

}  // namespace

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
    AsciiLowerInPlace(pattern);
    // An item that does not compile matches nothing; the next one is tried.
    if (!regexp.Compile(pattern)) continue;
    if (!have_name) {
      if (HasAsciiUpper(field)) {
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
