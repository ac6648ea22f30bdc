// SiteKey: the site address of a page address.
#include "store/site_key.h"

#include <string_view>

namespace zr {

bool SiteKey(std::string& address) {
  std::string_view view = address;
  size_t prefix = 0;
  if (view.starts_with("http://")) {
    prefix = 7;
  } else if (view.starts_with("https://")) {
    prefix = 8;
  } else {
    return false;
  }
  std::string_view host = view.substr(prefix);
  // The host ends where a browser ends it; user info (which may hold a
  // password) is not part of it.
  host = host.substr(0, host.find_first_of("/\\?#"));
  if (size_t at = host.rfind('@'); at != std::string_view::npos) host = host.substr(at + 1);
  // A port is not part of the name: an address such as 127.0.0.1:8080 is
  // kept whole, as 127.0.0.1 is, so that a login captured there is found
  // there again.
  size_t name_end = host.size();
  if (size_t colon = host.rfind(':');
      colon != std::string_view::npos && !host.ends_with(']') &&
      host.find_first_not_of("0123456789", colon + 1) == std::string_view::npos) {
    name_end = colon;
  }
  // Scan from the last character of the name back to the second; the first
  // is never examined.
  int dots = 0;
  bool passed_name = false;
  for (size_t i = name_end; i-- > 1;) {
    char c = host[i];
    if (c == '.') {
      if (++dots >= 3 && passed_name) {
        host = host.substr(i + 1);
        break;
      }
    } else if (c < '0' || c > '9') {
      passed_name = true;
    }
  }
  address = std::string(host);
  return true;
}

}  // namespace zr
