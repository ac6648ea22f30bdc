// Writing, removing and listing the host manifests.
#include "browser/host/host_install.h"

#include <unistd.h>

#include <QDBusConnection>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "browser/host/extension_ids.h"
#include "platform/atomic_file.h"
#include "resources/class_ids.h"
#include "tools/zrbar_client.h"

namespace zr {
namespace {

std::string ManifestPath(const ManifestPlace& place) {
  return place.folder + "/" + std::string(kHostName) + ".json";
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// What the manifest at path names as the host, or "" when there is none.
std::string InstalledHost(const std::string& path) {
  std::string text;
  if (!ReadWholeFile(path, text)) return "";
  QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text));
  return document.object().value(QStringLiteral("path")).toString().toStdString();
}

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// "answers", or why not: the server's class object is asked for an instance
// (the bus starts the server when needed), which is given back at once.
std::string ServerState() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return "no session bus";
  BarClient client(bus);
  BarCallResult created = client.Create(Q(kZRBarHelperBusName), Q(kZRBarHelperClassPath),
                                        QStringLiteral("ZRForm.IZRBarHelper"));
  if (created.status != BarCallResult::Status::kReplied) {
    return "does not answer (" + created.message.toStdString() + ")";
  }
  client.Release();
  return "answers";
}

}  // namespace

bool IsInstallCommand(const std::string& first_argument) {
  return first_argument == "install" || first_argument == "uninstall" || first_argument == "status";
}

std::vector<ManifestPlace> ManifestPlaces(const std::vector<std::string>& options, bool* system_out,
                                          std::string* error) {
  bool& system = *system_out;
  system = false;
  std::string chromium_dir;
  for (size_t i = 0; i < options.size(); ++i) {
    if (options[i] == "--system") {
      system = true;
    } else if (options[i] == "--chromium-dir" && i + 1 < options.size()) {
      chromium_dir = options[++i];
    } else {
      *error = "unknown option " + options[i];
      return {};
    }
  }
  if (system && !chromium_dir.empty()) {
    *error = "--system and --chromium-dir do not go together";
    return {};
  }
  if (!chromium_dir.empty()) {
    std::error_code ignored;
    std::filesystem::path folder = std::filesystem::absolute(chromium_dir, ignored);
    return {{(folder / "NativeMessagingHosts").lexically_normal().string(), false}};
  }
  if (system) {
    return {{"/etc/chromium/native-messaging-hosts", false},
            {"/etc/opt/chrome/native-messaging-hosts", false},
            {"/usr/lib/mozilla/native-messaging-hosts", true}};
  }
  const std::string home = Environment("HOME");
  if (home.empty()) {
    *error = "$HOME is not set";
    return {};
  }
  std::string config = Environment("XDG_CONFIG_HOME");
  if (config.empty() || config[0] != '/') config = home + "/.config";
  return {{config + "/chromium/NativeMessagingHosts", false},
          {config + "/google-chrome/NativeMessagingHosts", false},
          {home + "/.mozilla/native-messaging-hosts", true}};
}

std::string ManifestText(const std::string& host_path, bool firefox) {
  QJsonObject manifest{
      {QStringLiteral("name"), QString::fromUtf8(kHostName.data(), kHostName.size())},
      {QStringLiteral("description"), QStringLiteral("ZRForm: logins and forms for the browser")},
      {QStringLiteral("path"), QString::fromStdString(host_path)},
      {QStringLiteral("type"), QStringLiteral("stdio")},
  };
  if (firefox) {
    manifest.insert(
        QStringLiteral("allowed_extensions"),
        QJsonArray{QString::fromUtf8(kFirefoxExtensionId.data(), kFirefoxExtensionId.size())});
  } else {
    manifest.insert(QStringLiteral("allowed_origins"),
                    QJsonArray{QString::fromUtf8(kChromiumOrigin.data(), kChromiumOrigin.size())});
  }
  return QJsonDocument(manifest).toJson(QJsonDocument::Indented).toStdString();
}

int RunInstallCommand(const std::vector<std::string>& arguments, const std::string& host_path) {
  const std::string& command = arguments[0];
  std::string error;
  bool system = false;
  std::vector<ManifestPlace> places =
      ManifestPlaces({arguments.begin() + 1, arguments.end()}, &system, &error);
  if (places.empty()) {
    std::cerr
        << "zrform-browser: " << error
        << "\nusage: zrform-browser install|uninstall|status [--system | --chromium-dir DIR]\n";
    return 2;
  }
  if (system && command != "status" && ::geteuid() != 0) {
    std::cerr << "zrform-browser: --system writes under /etc and /usr/lib: run it as root\n";
    return 1;
  }
  int status = 0;
  for (const ManifestPlace& place : places) {
    const std::string path = ManifestPath(place);
    std::error_code code;
    if (command == "install") {
      std::filesystem::create_directories(place.folder, code);
      if (code || !WriteFileAtomically(path, ManifestText(host_path, place.firefox), 0644)) {
        std::cerr << "zrform-browser: cannot write " << path
                  << (code ? ": " + code.message() : std::string()) << "\n";
        status = 1;
        continue;
      }
      std::cout << "installed " << path << "\n";
    } else if (command == "uninstall") {
      if (std::filesystem::remove(path, code)) std::cout << "removed " << path << "\n";
      if (code) {
        std::cerr << "zrform-browser: cannot remove " << path << ": " << code.message() << "\n";
        status = 1;
      }
    } else {
      std::string host = InstalledHost(path);
      std::cout << path << ": " << (host.empty() ? "not installed" : "host " + host) << "\n";
    }
  }
  if (command == "status") {
    std::cout << "server: " << ServerState() << "\n";
  }
  return status;
}

}  // namespace zr
