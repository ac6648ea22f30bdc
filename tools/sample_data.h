// A sample data folder for trying zrdata: a few logins, both profiles, custom
// fields, a rejected site and a history list.
#ifndef ZRFORM_TOOLS_SAMPLE_DATA_H_
#define ZRFORM_TOOLS_SAMPLE_DATA_H_

#include <string>

namespace zr {

// Creates folder (mode 0700) when missing and writes every data file into it.
// Texts are ASCII, so they read the same in any code page. False on a failed write.
bool WriteSampleData(const std::string& folder);

}  // namespace zr

#endif  // ZRFORM_TOOLS_SAMPLE_DATA_H_
