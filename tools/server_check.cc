// The name owner's executable against the registered server's.
#include "tools/server_check.h"

#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <filesystem>
#include <system_error>

#include "platform/process_info.h"
#include "platform/registry_store.h"

namespace zr {

namespace {

// The registered server executable of class_id (its links resolved), or "".
std::string RegisteredServer(std::string_view class_id) {
  RegistryStore store(Hive::kClassesRoot);
  (void)store.Load();
  std::optional<RegistryValue> value =
      store.GetValue("CLSID\\" + std::string(class_id) + "\\LocalServer32", "");
  if (!value || !std::holds_alternative<std::string>(*value)) return "";
  std::error_code error;
  std::filesystem::path path = std::filesystem::canonical(std::get<std::string>(*value), error);
  return error ? std::get<std::string>(*value) : path.string();
}

}  // namespace

ServerCheck CheckServerOwner(QDBusConnection& connection, const QString& bus_name,
                             std::string_view class_id) {
  ServerCheck check;
  std::string name = bus_name.toStdString();
  std::string registered = RegisteredServer(class_id);
  if (registered.empty()) {
    check.message =
        "no ZRForm server is registered (zrform -RegServer does it); the page is "
        "not handed to whoever owns " +
        name;
    return check;
  }
  QDBusReply<QString> owner = connection.interface()->serviceOwner(bus_name);
  if (!owner.isValid() || owner.value().isEmpty()) {
    check.message = "nobody owns " + name + " any more";
    return check;
  }
  QDBusReply<uint> pid = connection.interface()->servicePid(owner.value());
  std::optional<std::string> executable =
      pid.isValid() ? ProcessExecutable(static_cast<long>(pid.value())) : std::nullopt;
  if (!executable || *executable != registered) {
    check.message = "the program that owns " + name + " (" +
                    (executable ? *executable : std::string("which cannot be told")) +
                    ") is not the registered ZRForm server " + registered +
                    "; the page is not handed over";
    return check;
  }
  check.genuine = true;
  check.owner = owner.value();
  return check;
}

}  // namespace zr
