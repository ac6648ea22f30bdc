// Bus activation files and installed interface descriptions: their paths,
// their text, and writing and removing them.
#include "server/registration_files.h"

#include "platform/atomic_file.h"
#include "platform/data_folder.h"
#include "platform/user_folders.h"
#include "resources/class_ids.h"
#include "resources/interface_files.h"

namespace zr {

namespace {

constexpr unsigned kFolderMode = 0700;  // new XDG folders, as the base-directory rules ask
constexpr unsigned kFileMode = 0644;    // nothing secret: the bus daemon reads them
constexpr std::string_view kBusNames[] = {kZRBarHelperBusName, kHistoryBusName};
// Characters that oblige an Exec argument to be quoted.
constexpr std::string_view kReservedInExec = " \t\n\"'\\><~|&;$*?#()`";
// Characters escaped with a backslash inside a quoted Exec argument.
constexpr std::string_view kEscapedInQuotes = "\"`$\\";

}  // namespace

std::optional<std::string> DataHome() {
  // As the bus daemon looks for activation files: from the environment only.
  return XdgFolder("XDG_DATA_HOME", ".local/share", AbsoluteEnv("HOME"));
}

std::string ServicesFolder(const std::string& data_home) {
  return JoinPath(data_home, "dbus-1/services");
}

std::string InterfacesFolder(const std::string& data_home) {
  return JoinPath(data_home, "dbus-1/interfaces");
}

std::string ActivationFileName(std::string_view bus_name) {
  return std::string(bus_name) + ".service";
}

std::string QuoteExecArgument(std::string_view argument) {
  if (!argument.empty() && argument.find_first_of(kReservedInExec) == std::string_view::npos) {
    return std::string(argument);
  }
  std::string quoted = "\"";
  for (char c : argument) {
    if (kEscapedInQuotes.find(c) != std::string_view::npos) quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  // The value of the key is a string: its own escape rule doubles each backslash.
  std::string escaped;
  for (char c : quoted) {
    if (c == '\\') escaped += '\\';
    escaped += c;
  }
  return escaped;
}

std::string ActivationFileText(std::string_view bus_name, std::string_view exe_path) {
  return "[D-BUS Service]\nName=" + std::string(bus_name) +
         "\nExec=" + QuoteExecArgument(exe_path) + " -Embedding\n";
}

bool WriteActivationFiles(const std::string& data_home, std::string_view exe_path) {
  std::string folder = ServicesFolder(data_home);
  if (!MakeFolderPath(folder, kFolderMode)) return false;
  for (std::string_view bus_name : kBusNames) {
    if (!WriteFileAtomically(JoinPath(folder, ActivationFileName(bus_name)),
                             ActivationFileText(bus_name, exe_path), kFileMode)) {
      return false;
    }
  }
  return true;
}

bool WriteInterfaceFiles(const std::string& data_home) {
  std::string folder = InterfacesFolder(data_home);
  if (!MakeFolderPath(folder, kFolderMode)) return false;
  for (const InterfaceFile& file : InterfaceFiles()) {
    if (!WriteFileAtomically(JoinPath(folder, file.name), file.text, kFileMode)) return false;
  }
  return true;
}

bool RemoveActivationFiles(const std::string& data_home) {
  std::string folder = ServicesFolder(data_home);
  bool ok = true;
  for (std::string_view bus_name : kBusNames) {
    ok = RemoveFileIfPresent(JoinPath(folder, ActivationFileName(bus_name))) && ok;
  }
  return ok;
}

bool RemoveInterfaceFiles(const std::string& data_home) {
  std::string folder = InterfacesFolder(data_home);
  bool ok = true;
  for (const InterfaceFile& file : InterfaceFiles()) {
    ok = RemoveFileIfPresent(JoinPath(folder, file.name)) && ok;
  }
  return ok;
}

}  // namespace zr
