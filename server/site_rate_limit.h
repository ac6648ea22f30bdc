// A bound on how many different sites one client connection may ask about in
// a minute, so that a program cannot try site after site for a stored login.
// Standard C++; time is passed in, so the rule is tested without waiting.
#ifndef ZRFORM_SERVER_SITE_RATE_LIMIT_H_
#define ZRFORM_SERVER_SITE_RATE_LIMIT_H_

#include <chrono>
#include <map>
#include <string>
#include <string_view>

namespace zr {

inline constexpr int kMaxSitesPerMinute = 30;
inline constexpr std::chrono::seconds kSiteWindow{60};

// The site of an address as the bound counts it: the host in ASCII lower
// case, without scheme, user info, port, path, query or fragment ("" when
// there is none).
std::string SiteOfAddress(std::string_view address);

class SiteRateLimit {
 public:
  using Clock = std::chrono::steady_clock;

  // Whether connection may ask about site at now: yes when it asked about the
  // same site within the last kSiteWindow, or about fewer than
  // kMaxSitesPerMinute different sites in it (site is then counted). A refusal
  // counts nothing.
  bool Admit(const std::string& connection, const std::string& site, Clock::time_point now);
  // Forgets a connection that left the bus.
  void Forget(const std::string& connection) { asked_.erase(connection); }

 private:
  // Drops what is older than the window, for one connection or (every so
  // often) all of them, so that connections that never say goodbye are freed.
  void Expire(std::map<std::string, Clock::time_point>& sites, Clock::time_point now);

  std::map<std::string, std::map<std::string, Clock::time_point>> asked_;
  unsigned admits_since_sweep_ = 0;
};

}  // namespace zr

#endif  // ZRFORM_SERVER_SITE_RATE_LIMIT_H_
