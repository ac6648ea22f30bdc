// The resident memory of a process, as the benchmarks report it.
#ifndef ZRFORM_BENCH_RESIDENT_MEMORY_H_
#define ZRFORM_BENCH_RESIDENT_MEMORY_H_

#include <fstream>
#include <string>

namespace zr {

// VmRSS of process pid in KiB, or -1 when it cannot be read.
inline long ResidentKb(long long pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

}  // namespace zr

#endif  // ZRFORM_BENCH_RESIDENT_MEMORY_H_
