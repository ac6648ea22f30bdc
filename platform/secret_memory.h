// Keeping secrets out of places they could leak from: a constant-time
// comparison, wiping a string before it is freed, and a process that writes
// no core file.
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

// Sets the process's core-file limit to 0, soft and hard, so that a crash
// never writes its memory (typed passwords) to disk. False when it fails.
bool ForbidCoreDumps();

}  // namespace zr

#endif  // ZRFORM_PLATFORM_SECRET_MEMORY_H_
