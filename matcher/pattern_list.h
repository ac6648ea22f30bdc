// Field-name pattern lists: ";"-separated regular expressions that recognise a
// page element's name, the default lists, and the merge of added patterns.
#ifndef ZRFORM_MATCHER_PATTERN_LIST_H_
#define ZRFORM_MATCHER_PATTERN_LIST_H_

#include <string>
#include <string_view>

#include "matcher/regexp.h"
#include "platform/ascii_case.h"  // AsciiLower: the folding both sides of a match go through

namespace zr {

// Default lists, in the order a profile tries them.
inline constexpr std::string_view kJobTitlePatterns = "job.*;";
inline constexpr std::string_view kCompanyPatterns = "Comp.*;";
inline constexpr std::string_view kTitlePatterns = "title;";
inline constexpr std::string_view kFirstNamePatterns = "f.*name;";
inline constexpr std::string_view kLastNamePatterns = "l.*name;";
inline constexpr std::string_view kAddressPatterns = "addr;address;";
inline constexpr std::string_view kAddress1Patterns = "addr.*1.*;address1;";
inline constexpr std::string_view kAddress2Patterns = "addr.*2.*;address2;";
inline constexpr std::string_view kCityPatterns = "city;";
inline constexpr std::string_view kStatePatterns = "state;province;";
inline constexpr std::string_view kCountryPatterns = "country;region;";
inline constexpr std::string_view kZipPatterns = "zip.*;post.*;";
inline constexpr std::string_view kTelPatterns = "tel;";
inline constexpr std::string_view kFaxPatterns = "fax;";
inline constexpr std::string_view kEmailPatterns = "e.*mail;";
// Which captured field of a login record holds the login name. Fixed.
inline constexpr std::string_view kLoginNamePatterns = "login.*;user.*;usr.*;";

// Applies list to the element name in field: each non-empty item, lower-cased,
// is compiled into regexp and searched for in the lower-cased name (ASCII A-Z
// only are lower-cased). On the first item found, field becomes value and the
// result is true; otherwise field is untouched and the result is false. An
// item that fails to compile matches nothing.
bool MatchPatternList(RegExp& regexp, std::string& field, std::string_view list,
                      std::string_view value);

// Appends added to list, splits on ";" (skipping empty items), sorts the items
// by LocaleCompare, keeps one of each run of equal items, and rebuilds list
// joined by ";" with no trailing ";".
void MergePatternList(std::string& list, std::string_view added);

}  // namespace zr

#endif  // ZRFORM_MATCHER_PATTERN_LIST_H_
