// Site matching: whether a login record's (or a rejected entry's) site
// address belongs to a page address. The page address is parsed (http and
// https only); a site matches when the page's host is the site's host or ends
// with "." and the site's host, ASCII case ignored, and, when the site holds
// a path, the page's path starts with it. Sites that could stand for many
// unrelated hosts (empty, or a single label other than "localhost" or an
// address) match nothing.
#ifndef ZRFORM_STORE_SITE_MATCH_H_
#define ZRFORM_STORE_SITE_MATCH_H_

#include <optional>
#include <string>
#include <string_view>

namespace zr {

// The parts of an address that matching looks at.
struct WebAddress {
  std::string scheme;  // "http" or "https", lower case; "" for a site without one
  std::string host;    // lower case (ASCII), without user info or port
  std::string port;    // the digits after ":", "" when none was given
  std::string path;    // from the first "/" up to "?" or "#"; "" when none
};

// A page address: "http://" or "https://" (any case), then user info, host,
// port, path, query and fragment. None for any other scheme or no host.
std::optional<WebAddress> ParsePageAddress(std::string_view address);

// A site address as records hold it: an optional http or https scheme, then
// host, optional port and optional path ('mail.example.com',
// 'example.com:8080', 'intranet.example/app'). None when the site can match
// nothing (empty, another scheme, or a single label that is neither
// "localhost" nor an address).
std::optional<WebAddress> ParseSite(std::string_view site);

// Whether site belongs to the page at page_address.
bool SiteMatchesPage(std::string_view site, std::string_view page_address);

// Whether site covers address, which is either a page address or another
// site address (a captured record holds the page address until it is
// reduced, a stored one its site): the rule of SiteMatchesPage.
bool SiteCovers(std::string_view site, std::string_view address);

// Whether a page is a secure context as browsers define it: https, or http on
// a loopback address or "localhost". Only there is a login filled without
// the user asking.
bool IsSecureContext(std::string_view page_address);

}  // namespace zr

#endif  // ZRFORM_STORE_SITE_MATCH_H_
