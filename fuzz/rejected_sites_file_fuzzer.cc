// Fuzz target: "Rejected.dat" loaded by RejectedSites::Load from a file in
// memory. Every site read must be a whole stored string, and the list as
// saved must read back as the same list.
#include <cstdint>
#include <optional>

#include "fuzz/fuzz_support.h"
#include "store/file_cipher.h"
#include "store/protected_string.h"
#include "store/rejected_sites.h"
#include "store/site_match.h"

namespace zr {
namespace {

void RunInput(std::string_view contents) {
  fuzz::MemoryFile file(contents);
  ZR_FUZZ_CHECK(!file.path().empty());

  RejectedSites sites;
  ZR_FUZZ_CHECK(sites.Load(file.path()));
  // The list as Save writes it, read back as Load reads it.
  ByteWriter writer;
  for (const std::string& site : sites.sites()) {
    ZR_FUZZ_CHECK(site.size() <= kMaxCipherBytes);
    ZR_FUZZ_CHECK(WriteProtectedString(writer, site));
  }
  ByteReader reader(writer.data());
  std::string site;
  size_t count = 0;
  while (ReadProtectedString(reader, site)) {
    ZR_FUZZ_CHECK(count < sites.sites().size() && site == sites.sites()[count]);
    ++count;
  }
  ZR_FUZZ_CHECK(count == sites.sites().size());

  // Each entry that is a plain host name rejects the pages of that host.
  for (const std::string& entry : sites.sites()) {
    std::optional<WebAddress> site = ParseSite(entry);
    if (!site || entry.find_first_of(":/?#@\\ ") != std::string::npos) continue;
    ZR_FUZZ_CHECK(sites.IsRejected("https://" + entry + "/"));
  }
  (void)sites.IsRejected("https://www.example.com/");
  sites.Reject("example.com");
  ZR_FUZZ_CHECK(sites.IsRejected("https://EXAMPLE.com/login"));
}

}  // namespace
}  // namespace zr

// A file is read whole and has no size limit of its own.
ZR_FUZZ_ENTRY(zr::RunInput)
