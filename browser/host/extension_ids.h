// The one place that names the browser extension the host serves: the ids the
// browsers pass as the caller's origin, and the host's native messaging name.
// The Chromium id follows from the "key" of browser/extension/manifest.json:
// the first 32 hex digits of sha256 over the key's DER bytes, 0-f as a-p.
#ifndef ZRFORM_BROWSER_HOST_EXTENSION_IDS_H_
#define ZRFORM_BROWSER_HOST_EXTENSION_IDS_H_

#include <string_view>

namespace zr {

inline constexpr std::string_view kChromiumExtensionId = "hapmaombobnbmdadnilknamdlhpbnpnp";
inline constexpr std::string_view kChromiumOrigin =
    "chrome-extension://hapmaombobnbmdadnilknamdlhpbnpnp/";
inline constexpr std::string_view kFirefoxExtensionId = "zrform@zorvane.example";

// The native messaging host's name; its manifest is kHostName + ".json".
inline constexpr std::string_view kHostName = "zrform.browser";

}  // namespace zr

#endif  // ZRFORM_BROWSER_HOST_EXTENSION_IDS_H_
