// Site matching by parsed address, and the secure-context test.
#include "store/site_match.h"

#include <algorithm>

#include "store/find_no_case.h"

namespace zr {

namespace {

constexpr std::string_view kLocalhost = "localhost";

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsDigits(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A literal address: dotted digits (IPv4) or a bracketed IPv6 address.
bool IsAddressLiteral(std::string_view host) {
  if (host.starts_with('[')) return true;
  return !host.empty() && std::all_of(host.begin(), host.end(),
                                      [](char c) { return c == '.' || (c >= '0' && c <= '9'); });
}

bool IsLoopback(std::string_view host) {
  if (host == kLocalhost || host.ends_with(".localhost")) return true;
  if (host == "[::1]") return true;
  return IsAddressLiteral(host) && host.starts_with("127.");
}

// The length of "http://" or "https://" at the start of text (any case), or 0.
size_t SchemePrefix(std::string_view text, std::string& scheme) {
  for (std::string_view prefix : {std::string_view("http://"), std::string_view("https://")}) {
    if (text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix)) {
      scheme = std::string(prefix.substr(0, prefix.size() - 3));
      return prefix.size();
    }
  }
  return 0;
}

// Splits rest (what follows the scheme) into host, port and path. Browsers
// take "\" for "/" in web addresses, so it ends the host too.
bool ParseAfterScheme(std::string_view rest, WebAddress& out) {
  size_t authority_end = rest.find_first_of("/\\?#");
  std::string_view authority = rest.substr(0, authority_end);
  if (size_t at = authority.rfind('@'); at != std::string_view::npos) {
    authority = authority.substr(at + 1);
  }
  std::string_view host = authority;
  std::string_view port;
  if (authority.starts_with('[')) {
    size_t close = authority.find(']');
    if (close == std::string_view::npos) return false;
    host = authority.substr(0, close + 1);
    std::string_view after = authority.substr(close + 1);
    if (!after.empty()) {
      if (after[0] != ':') return false;
      port = after.substr(1);
    }
  } else if (size_t colon = authority.find(':'); colon != std::string_view::npos) {
    host = authority.substr(0, colon);
    port = authority.substr(colon + 1);
  }
  if (host.empty() || !IsDigits(port)) return false;
  out.host.clear();
  for (char c : host) out.host.push_back(Lower(c));
  out.port = std::string(port);
  out.path.clear();
  if (authority_end != std::string_view::npos &&
      (rest[authority_end] == '/' || rest[authority_end] == '\\')) {
    std::string_view path = rest.substr(authority_end);
    path = path.substr(0, path.find_first_of("?#"));
    for (char c : path) out.path.push_back(c == '\\' ? '/' : c);
  }
  return true;
}

// The port a page is reached on: the given one, else the scheme's default.
std::string EffectivePort(const WebAddress& address) {
  std::string_view port = address.port;
  while (port.size() > 1 && port.front() == '0') port.remove_prefix(1);
  if (!port.empty()) return std::string(port);
  return address.scheme == "https" ? "443" : "80";
}

bool HostMatches(std::string_view site_host, std::string_view page_host) {
  if (site_host == page_host) return true;
  // An address names one host: no suffix of it names another.
  if (IsAddressLiteral(site_host) || IsAddressLiteral(page_host)) return false;
  return page_host.size() > site_host.size() && page_host.ends_with(site_host) &&
         page_host[page_host.size() - site_host.size() - 1] == '.';
}

bool Matches(const WebAddress& site, const WebAddress& page) {
  if (!site.scheme.empty() && !page.scheme.empty() && site.scheme != page.scheme) return false;
  if (!HostMatches(site.host, page.host)) return false;
  if (!site.port.empty() && EffectivePort(site) != EffectivePort(page)) return false;
  if (!site.path.empty() && site.path != "/") {
    std::string_view page_path = page.path.empty() ? std::string_view("/") : page.path;
    if (!page_path.starts_with(site.path)) return false;
  }
  return true;
}

}  // namespace

std::optional<WebAddress> ParsePageAddress(std::string_view address) {
  WebAddress parsed;
  size_t prefix = SchemePrefix(address, parsed.scheme);
  if (prefix == 0 || !ParseAfterScheme(address.substr(prefix), parsed)) return std::nullopt;
  return parsed;
}

std::optional<WebAddress> ParseSite(std::string_view site) {
  WebAddress parsed;
  size_t prefix = SchemePrefix(site, parsed.scheme);
  if (prefix == 0 && site.find("://") != std::string_view::npos) return std::nullopt;
  if (!ParseAfterScheme(site.substr(prefix), parsed)) return std::nullopt;
  // A leading dot ('.example.com') stands for the domain and its subdomains,
  // which the suffix rule already gives.
  size_t dots = parsed.host.find_first_not_of('.');
  if (dots == std::string::npos) return std::nullopt;
  parsed.host.erase(0, dots);
  if (parsed.host.find('.') == std::string::npos && parsed.host != kLocalhost &&
      !IsAddressLiteral(parsed.host)) {
    return std::nullopt;
  }
  return parsed;
}

bool SiteMatchesPage(std::string_view site, std::string_view page_address) {
  std::optional<WebAddress> page = ParsePageAddress(page_address);
  if (!page) return false;
  std::optional<WebAddress> parsed_site = ParseSite(site);
  return parsed_site && Matches(*parsed_site, *page);
}

bool SiteCovers(std::string_view site, std::string_view address) {
  std::optional<WebAddress> target = address.find("://") != std::string_view::npos
                                         ? ParsePageAddress(address)
                                         : ParseSite(address);
  if (!target) return false;
  std::optional<WebAddress> parsed_site = ParseSite(site);
  return parsed_site && Matches(*parsed_site, *target);
}

bool IsSecureContext(std::string_view page_address) {
  std::optional<WebAddress> page = ParsePageAddress(page_address);
  if (!page) return false;
  return page->scheme == "https" || IsLoopback(page->host);
}

}  // namespace zr
