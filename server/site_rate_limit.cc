// The per-connection bound on different sites asked about in a minute.
#include "server/site_rate_limit.h"

#include <algorithm>

namespace zr {

namespace {

// Every this many admissions, idle connections are swept out.
constexpr unsigned kSweepEvery = 256;

}  // namespace

std::string SiteOfAddress(std::string_view address) {
  size_t scheme = address.find("://");
  std::string_view rest = scheme == std::string_view::npos ? address : address.substr(scheme + 3);
  rest = rest.substr(0, rest.find_first_of("/?#\\"));
  if (size_t at = rest.rfind('@'); at != std::string_view::npos) rest = rest.substr(at + 1);
  if (!rest.empty() && rest.front() == '[') {
    rest = rest.substr(0, rest.find(']') + 1);  // an IPv6 address keeps its colons
  } else {
    rest = rest.substr(0, rest.find(':'));
  }
  std::string site(rest);
  for (char& c : site) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return site;
}

void SiteRateLimit::Expire(std::map<std::string, Clock::time_point>& sites, Clock::time_point now) {
  std::erase_if(sites, [&](const auto& entry) { return now - entry.second >= kSiteWindow; });
}

bool SiteRateLimit::Admit(const std::string& connection, const std::string& site,
                          Clock::time_point now) {
  if (++admits_since_sweep_ >= kSweepEvery) {
    admits_since_sweep_ = 0;
    for (auto& [name, sites] : asked_) Expire(sites, now);
    std::erase_if(asked_, [](const auto& entry) { return entry.second.empty(); });
  }
  std::map<std::string, Clock::time_point>& sites = asked_[connection];
  Expire(sites, now);
  auto found = sites.find(site);
  if (found == sites.end() && sites.size() >= static_cast<size_t>(kMaxSitesPerMinute)) {
    return false;
  }
  // The window runs from the first ask: asking again does not keep a site counted.
  if (found == sites.end()) sites.emplace(site, now);
  return true;
}

}  // namespace zr
