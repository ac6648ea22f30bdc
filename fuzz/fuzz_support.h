// Shared pieces of the fuzz targets: invariant checks that abort (so the
// fuzzer and the regression test both see a failure), in-memory files with a
// path, and the code page an input runs in.
#ifndef ZRFORM_FUZZ_FUZZ_SUPPORT_H_
#define ZRFORM_FUZZ_FUZZ_SUPPORT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zr::fuzz {

// Inputs longer than this are passed over by targets whose unit has no size
// limit of its own: the mutations of a larger input cost more than they find.
inline constexpr size_t kMaxInputSize = 64 * 1024;

// Prints the failed condition and aborts.
[[noreturn]] void CheckFailed(const char* condition, const char* file, int line);

// The bytes of a fuzz input as text.
inline std::string_view AsText(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// A file that lives in memory only (memfd): it has a path that the readers
// can open, and nothing is left on disk when it is gone.
class MemoryFile {
 public:
  explicit MemoryFile(std::string_view contents);
  ~MemoryFile();
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;

  // "/proc/self/fd/N"; empty when the file could not be made.
  const std::string& path() const { return path_; }

 private:
  int fd_ = -1;
  std::string path_;
};

// Runs the rest of an input in the code page that selector picks: the plain
// C locale, UTF-8, ISO-8859-1 (single-byte) or EUC-JP (multibyte). A locale
// the machine lacks leaves the C locale. The C locale is back afterwards, so
// no state passes from one input to the next.
class ScopedCodePage {
 public:
  explicit ScopedCodePage(uint8_t selector);
  ~ScopedCodePage();
  ScopedCodePage(const ScopedCodePage&) = delete;
  ScopedCodePage& operator=(const ScopedCodePage&) = delete;
};

// Forgets the process's custom fields and shared person fields, as in a new
// process. Every target that reaches them calls it before and after an input.
void ResetProcessData();

// How the entry point hands an input to its target.
struct EntryOptions {
  // Longer inputs are passed over: a unit without a size limit of its own
  // would only spend the run on mutations of large inputs.
  size_t max_size = kMaxInputSize;
  // The first byte picks the code page (ScopedCodePage); the rest is the input.
  bool code_page_byte = false;
  // ResetProcessData before and after, for targets that reach that data.
  bool reset_process_data = false;
};

// The body of every entry point: the checks above, then run(input).
int RunEntry(const uint8_t* data, size_t size, void (*run)(std::string_view),
             const EntryOptions& options);

}  // namespace zr::fuzz

#define ZR_FUZZ_CHECK(condition) \
  ((condition) ? (void)0 : ::zr::fuzz::CheckFailed(#condition, __FILE__, __LINE__))

// Defines the libFuzzer entry point of a target whose work is
// run(std::string_view); the rest are EntryOptions fields, by designator:
// ZR_FUZZ_ENTRY(RunInput, .code_page_byte = true).
#define ZR_FUZZ_ENTRY(run, ...)                                                          \
  extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {              \
    return ::zr::fuzz::RunEntry(data, size, run, ::zr::fuzz::EntryOptions{__VA_ARGS__}); \
  }

#endif  // ZRFORM_FUZZ_FUZZ_SUPPORT_H_
