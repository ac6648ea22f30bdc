// The files that registration puts below $XDG_DATA_HOME/dbus-1: one bus
// activation file per bus name (services/) and the interface descriptions
// (interfaces/). Every file is written atomically.
#ifndef ZRFORM_SERVER_REGISTRATION_FILES_H_
#define ZRFORM_SERVER_REGISTRATION_FILES_H_

#include <optional>
#include <string>
#include <string_view>

namespace zr {

// $XDG_DATA_HOME, or $HOME/.local/share when that is not an absolute path,
// without a trailing '/'; nullopt when neither is usable.
std::optional<std::string> DataHome();

std::string ServicesFolder(const std::string& data_home);
std::string InterfacesFolder(const std::string& data_home);

// "<bus name>.service".
std::string ActivationFileName(std::string_view bus_name);

// One argument of an Exec line: quoted in double quotes when it holds a space
// or another character that the desktop-entry rules reserve, with ", `, $ and
// \ escaped inside the quotes and every backslash then escaped again (the
// string-value rule). "%" is left single: the bus daemon knows no field codes.
// REQUIRES: argument holds no control character.
std::string QuoteExecArgument(std::string_view argument);

// The activation file that starts exe_path with "-Embedding" for bus_name.
std::string ActivationFileText(std::string_view bus_name, std::string_view exe_path);

// Writes the activation file of each of the two bus names, creating the
// folder. False at the first file that cannot be written.
[[nodiscard]] bool WriteActivationFiles(const std::string& data_home, std::string_view exe_path);
// Writes every interface description. False at the first one that cannot be written.
[[nodiscard]] bool WriteInterfaceFiles(const std::string& data_home);

// Remove what the writers above write; a file already missing is fine. False
// when any file could not be removed (the others are still removed).
[[nodiscard]] bool RemoveActivationFiles(const std::string& data_home);
[[nodiscard]] bool RemoveInterfaceFiles(const std::string& data_home);

}  // namespace zr

#endif  // ZRFORM_SERVER_REGISTRATION_FILES_H_
