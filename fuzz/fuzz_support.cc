// Shared pieces of the fuzz targets.
#include "fuzz/fuzz_support.h"

#include <sys/mman.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <optional>

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

int RunEntry(const uint8_t* data, size_t size, void (*run)(std::string_view),
             const EntryOptions& options) {
  if (size > options.max_size) return 0;
  std::string_view input = AsText(data, size);
  std::optional<ScopedCodePage> code_page;
  if (options.code_page_byte) {
    if (input.empty()) return 0;
    code_page.emplace(static_cast<uint8_t>(input[0]));
    input.remove_prefix(1);
  }
  if (options.reset_process_data) ResetProcessData();
  run(input);
  if (options.reset_process_data) ResetProcessData();
  return 0;
}

}  // namespace zr::fuzz
