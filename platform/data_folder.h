// The per-user data folder that holds every data file.
#ifndef ZRFORM_PLATFORM_DATA_FOLDER_H_
#define ZRFORM_PLATFORM_DATA_FOLDER_H_

#include <string>

namespace zr {

// Returns the data folder without a trailing '/':
// $XDG_DATA_HOME (or $HOME/.local/share) followed by "/Zorvane/ToolBar", with
// that base folder, "Zorvane" and "ToolBar" created with mode 0700 when missing
// (existing folders are left as they are; creation errors
// are not reported: later loads fail and saves return false). Without a usable
// home (neither an absolute XDG_DATA_HOME nor HOME), the folder of the running
// executable, which is not created.
std::string FindDataFolder();

// The folder of the running executable (from /proc/self/exe), without a trailing '/'.
std::string ExecutableFolder();

// Creates path and each missing folder above it with the permission bits in
// mode (existing folders keep theirs). True when path is a folder afterwards.
bool MakeFolderPath(const std::string& path, unsigned mode = 0700);

}  // namespace zr

#endif  // ZRFORM_PLATFORM_DATA_FOLDER_H_
