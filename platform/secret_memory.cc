// Constant-time comparison, wiping, and turning core dumps off.
#include "platform/secret_memory.h"

#include <sys/resource.h>

#include <cstring>

namespace zr {

bool EqualInConstantTime(std::string_view a, std::string_view b) {
  // Every byte of the longer text is looked at whatever the contents.
  const size_t length = a.size() > b.size() ? a.size() : b.size();
  unsigned char difference = a.size() == b.size() ? 0 : 1;
  for (size_t i = 0; i < length; ++i) {
    const unsigned char x = i < a.size() ? static_cast<unsigned char>(a[i]) : 0;
    const unsigned char y = i < b.size() ? static_cast<unsigned char>(b[i]) : 0;
    difference |= static_cast<unsigned char>(x ^ y);
  }
  return difference == 0;
}

void WipeString(std::string& text) {
  text.resize(text.capacity());
  ::explicit_bzero(text.data(), text.size());
  text.clear();
}

bool ForbidCoreDumps() {
  // Soft and hard limit 0: no core file, and the process cannot raise it
  // again. The process stays dumpable on purpose: a non-dumpable process
  // hides /proc/PID/exe from the user's other programs, and the clients read
  // it to check that the bus name belongs to the registered server.
  struct rlimit none = {0, 0};
  return ::setrlimit(RLIMIT_CORE, &none) == 0;
}

}  // namespace zr
