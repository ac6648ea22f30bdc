// SiteKey: reduces a page address to the site address offered for a new
// login record ('http://w.m.e.c/login' becomes 'm.e.c').
#ifndef ZRFORM_STORE_SITE_KEY_H_
#define ZRFORM_STORE_SITE_KEY_H_

#include <string>

namespace zr {

// For an address starting with "http://" or "https://" (exact case), replaces
// it with its host (any port kept, user info dropped), cut after the third dot from the right once
// a character other than a digit or dot has been passed, and returns true. Other addresses are left
// unchanged and give false.
bool SiteKey(std::string& address);

}  // namespace zr

#endif  // ZRFORM_STORE_SITE_KEY_H_
