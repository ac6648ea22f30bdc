// Keeping secrets out of places they could leak from: a constant-time
// comparison, wiping a string before it is freed, and a process that is not
// dumpable and writes no core file.
#ifndef ZRFORM_PLATFORM_SECRET_MEMORY_H_
#define ZRFORM_PLATFORM_SECRET_MEMORY_H_

#include <string>
#include <string_view>

namespace zr {

// a == b, taking a time that depends on the lengths only, not on where the
// texts differ.
bool EqualInConstantTime(std::string_view a, std::string_view b);

// Overwrites every byte of text (its whole capacity) with zeros, in a way the
// compiler keeps, and leaves it empty.
void WipeString(std::string& text);

// Makes the process not dumpable (no ptrace attach by other same-user
// programs, no core file) and its core-file limit 0. False when either fails.
bool ForbidCoreDumps();

}  // namespace zr

#endif  // ZRFORM_PLATFORM_SECRET_MEMORY_H_
