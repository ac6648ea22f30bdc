// Shared pieces of the fuzz targets.
#include "fuzz/fuzz_support.h"

#include <sys/mman.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "store/custom_field_list.h"
#include "store/form_profile.h"

namespace zr::fuzz {

void CheckFailed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: fuzz check failed: %s\n", file, line, condition);
  std::abort();
}

MemoryFile::MemoryFile(std::string_view contents) {
  fd_ = ::memfd_create("zrfuzz", MFD_CLOEXEC);
  if (fd_ < 0) return;
  size_t written = 0;
  while (written < contents.size()) {
    ssize_t n = ::write(fd_, contents.data() + written, contents.size() - written);
    if (n <= 0) return;
    written += static_cast<size_t>(n);
  }
  path_ = "/proc/self/fd/" + std::to_string(fd_);
}

MemoryFile::~MemoryFile() {
  if (fd_ >= 0) ::close(fd_);
}

ScopedCodePage::ScopedCodePage(uint8_t selector) {
  static constexpr const char* kLocales[] = {"C", "en_US.UTF-8", "en_US.ISO-8859-1",
                                             "ja_JP.EUC-JP"};
  if (std::setlocale(LC_ALL, kLocales[selector % 4]) == nullptr) std::setlocale(LC_ALL, "C");
}

ScopedCodePage::~ScopedCodePage() { std::setlocale(LC_ALL, "C"); }

void ResetProcessData() {
  CustomFields().Reset();
  SharedNames().Reset();
}

}  // namespace zr::fuzz
