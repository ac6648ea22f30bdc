// zrform-browser install | uninstall | status: the host manifests that tell
// Chromium, Google Chrome and Firefox where the host is and which extension
// may start it, per user (under $HOME and $XDG_CONFIG_HOME) or for the whole
// system (--system, root only), or in one Chromium user-data folder
// (--chromium-dir DIR, for a browser started with --user-data-dir=DIR).
#ifndef ZRFORM_BROWSER_HOST_HOST_INSTALL_H_
#define ZRFORM_BROWSER_HOST_HOST_INSTALL_H_

#include <string>
#include <vector>

namespace zr {

struct ManifestPlace {
  std::string folder;  // the manifest is folder + "/zrform.browser.json"
  bool firefox = false;
};

// The folders for the options given (see above), *system set for --system;
// empty, with *error set, on a bad option or a missing $HOME.
std::vector<ManifestPlace> ManifestPlaces(const std::vector<std::string>& options, bool* system,
                                          std::string* error);

// The manifest naming host_path, for a Chromium-family browser or Firefox.
std::string ManifestText(const std::string& host_path, bool firefox);

// Runs the command in arguments[0] ("install", "uninstall", "status") with
// the options after it; host_path is this program's absolute path. The exit
// status: 0 done, 1 failed, 2 bad usage.
int RunInstallCommand(const std::vector<std::string>& arguments, const std::string& host_path);

// Whether the command line asks for one of the commands above.
bool IsInstallCommand(const std::string& first_argument);

}  // namespace zr

#endif  // ZRFORM_BROWSER_HOST_HOST_INSTALL_H_
