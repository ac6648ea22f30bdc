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
  // Scan from the last character back to the second; the first is never examined.
  int dots = 0;
  bool passed_name = false;
  for (size_t i = host.size(); i-- > 1;) {
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
