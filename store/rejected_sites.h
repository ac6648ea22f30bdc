// RejectedSites: the sites for which the user asked never to be offered
// recording, kept in "Rejected.dat" as one ProtectedString per site.
#ifndef ZRFORM_STORE_REJECTED_SITES_H_
#define ZRFORM_STORE_REJECTED_SITES_H_

#include <string>
#include <string_view>
#include <vector>

namespace zr {

inline constexpr char kRejectedFileName[] = "Rejected.dat";

class RejectedSites {
 public:
  // Remembers path and appends every ProtectedString of the file. False when
  // path is empty or the file cannot be read.
  bool Load(const std::string& path);
  // Writes the list atomically (mode 0600) to the remembered path or to path,
  // which is remembered. False when no path is known or the write fails.
  bool Save();
  bool Save(const std::string& path);

  // Whether some entry covers address, a page address or a site address
  // (SiteCovers). An empty entry covers nothing.
  bool IsRejected(std::string_view address) const;
  // Appends site unless IsRejected(site) already holds.
  void Reject(std::string_view site);

  const std::vector<std::string>& sites() const { return sites_; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::vector<std::string> sites_;
};

}  // namespace zr

#endif  // ZRFORM_STORE_REJECTED_SITES_H_
