// Fuzz target: MatchPatternList with hostile lists and element names, checked
// against a plain item-by-item reference, and MergePatternList, whose result
// must be sorted, free of repeats and of empty items, and stable when merged
// again. Input: a code-page selector byte, a list, a zero byte, then the name.
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "matcher/pattern_list.h"
#include "platform/locale_compare.h"

namespace zr {
namespace {

std::string PlainLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// Whether some item of list, lower-cased, compiles and is found in the
// lower-cased name.
bool ReferenceMatch(std::string_view list, std::string_view name) {
  RegExp regexp;
  std::string lowered = PlainLower(name);
  size_t pos = 0;
  while (pos <= list.size()) {
    size_t end = std::min(list.find(';', pos), list.size());
    std::string_view item = list.substr(pos, end - pos);
    pos = end + 1;
    if (!item.empty() && regexp.Compile(PlainLower(item)) && regexp.Find(lowered) >= 0) return true;
  }
  return false;
}

void CheckMerged(const std::string& merged) {
  ZR_FUZZ_CHECK(merged.empty() || (merged.front() != ';' && merged.back() != ';'));
  ZR_FUZZ_CHECK(merged.find(";;") == std::string::npos);
  std::string_view previous;
  bool first = true;
  size_t pos = 0;
  while (pos < merged.size()) {
    size_t end = std::min(merged.find(';', pos), merged.size());
    std::string_view item = std::string_view(merged).substr(pos, end - pos);
    if (!first) ZR_FUZZ_CHECK(LocaleCompare(previous, item) < 0);
    previous = item;
    first = false;
    pos = end + 1;
  }
}

void CheckPatternList(std::string_view list, std::string_view name) {
  ZR_FUZZ_CHECK(AsciiLower(name) == PlainLower(name));
  RegExp regexp;
  std::string field(name);
  bool matched = MatchPatternList(regexp, field, list, "VALUE");
  ZR_FUZZ_CHECK(matched == ReferenceMatch(list, name));
  ZR_FUZZ_CHECK(field == (matched ? std::string_view("VALUE") : name));

  std::string merged = "f.*name;first";
  MergePatternList(merged, list);
  CheckMerged(merged);
  std::string again = merged;
  MergePatternList(again, "");
  ZR_FUZZ_CHECK(again == merged);
}

// The input is a pattern list, a NUL, and a field name.
void RunInput(std::string_view input) {
  size_t zero = input.find('\0');
  std::string_view list = input.substr(0, zero);
  std::string_view name =
      zero == std::string_view::npos ? std::string_view() : input.substr(zero + 1);
  CheckPatternList(list, name);
}

}  // namespace
}  // namespace zr

// Names and lists have no size limit of their own (a page may send megabytes).
ZR_FUZZ_ENTRY(zr::RunInput, .code_page_byte = true)
