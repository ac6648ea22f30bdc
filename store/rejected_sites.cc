// RejectedSites: the never-offer list and "Rejected.dat".
#include "store/rejected_sites.h"

#include <algorithm>

#include "platform/atomic_file.h"
#include "store/protected_string.h"
#include "store/site_match.h"

namespace zr {

bool RejectedSites::Load(const std::string& path) {
  path_ = path;
  if (path_.empty()) return false;
  std::string contents;
  if (!ReadWholeFile(path_, contents)) return false;
  ByteReader reader(contents);
  std::string site;
  while (ReadProtectedString(reader, site)) sites_.push_back(site);
  return true;
}

bool RejectedSites::Save(const std::string& path) {
  path_ = path;
  return Save();
}

bool RejectedSites::Save() {
  if (path_.empty()) return false;
  ByteWriter writer;
  for (const std::string& site : sites_) {
    if (!WriteProtectedString(writer, site)) break;
  }
  return WriteFileAtomically(path_, writer.data());
}

bool RejectedSites::IsRejected(std::string_view address) const {
  return std::any_of(sites_.begin(), sites_.end(),
                     [&](const std::string& site) { return SiteCovers(site, address); });
}

void RejectedSites::Reject(std::string_view site) {
  if (!IsRejected(site)) sites_.emplace_back(site);
}

}  // namespace zr
