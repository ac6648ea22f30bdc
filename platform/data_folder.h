// The per-user data folder that holds every data file.
#ifndef ZRFORM_PLATFORM_DATA_FOLDER_H_
#define ZRFORM_PLATFORM_DATA_FOLDER_H_

#include <optional>
#include <string>

#include "platform/user_folders.h"

namespace zr {

// Returns the data folder without a trailing '/': DataFolderIn the XDG data
// folder ($XDG_DATA_HOME, or .local/share in UserHome(): $HOME or, without a
// usable HOME, the home of the password database).
std::string FindDataFolder();

// base followed by "/Zorvane/ToolBar", with base, "Zorvane" and "ToolBar"
// created with mode 0700 when missing (creation errors are not reported: later
// loads fail and saves return false). An existing "ToolBar" is opened without
// following a link and, when the user owns it, made 0700 if its mode is looser;
// a link or another user's folder is left as it is, with a message on standard
// error. Without a base, the folder of the running executable, not created.
std::string DataFolderIn(const std::optional<std::string>& base);

// Creates path and each missing folder above it with the permission bits in
// mode (existing folders keep theirs). True when path is a folder afterwards.
bool MakeFolderPath(const std::string& path, unsigned mode = 0700);

}  // namespace zr

#endif  // ZRFORM_PLATFORM_DATA_FOLDER_H_
