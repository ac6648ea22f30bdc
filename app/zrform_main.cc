// zrform: the server process. "-RegServer" and "-UnregServer" write or remove
// the registration; "-Embedding" (how the session bus starts it) serves the
// two objects until the last reference has been gone for the quiet period;
// anything else shows the About box.
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QSocketNotifier>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bus/bus_server.h"
#include "platform/data_folder.h"
#include "platform/secret_memory.h"
#include "platform/user_folders.h"
#include "resources/product.h"
#include "server/command_line.h"
#include "server/module_lock.h"
#include "server/registration.h"
#include "ui/about_dialog.h"
#include "ui/qt_prompts.h"

namespace zr {
namespace {

// A process exit status carries 8 bits: a failure code keeps its low byte,
// or becomes 1 when that byte is 0, so that no failure reads as success.
int ExitStatus(HResult hr) {
  if (hr == kS_OK) return 0;
  int low = static_cast<int>(static_cast<uint32_t>(hr) & 0xFFu);
  return low != 0 ? low : 1;
}

// SIGTERM and SIGINT end the server as the quiet period would (the history is
// saved), through a socket pair watched by the event loop.
int signal_socket[2] = {-1, -1};

void OnSignal(int) {
  char byte = 1;
  (void)!::write(signal_socket[1], &byte, 1);
}

void QuitOnSignals(QApplication& app) {
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signal_socket) != 0) return;
  auto* notifier = new QSocketNotifier(signal_socket[0], QSocketNotifier::Read, &app);
  QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] {
    char byte;
    (void)!::read(signal_socket[0], &byte, 1);
    app.quit();
  });
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
}

int Serve(QApplication& app, bool has_display) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    std::fprintf(stderr, "zrform: cannot connect to the session bus: %s\n",
                 qPrintable(bus.lastError().message()));
    return 1;
  }
  // The server ends with its bus: nobody could reach it any more.
  bus.connect(QString(), QStringLiteral("/org/freedesktop/DBus/Local"),
              QStringLiteral("org.freedesktop.DBus.Local"), QStringLiteral("Disconnected"), &app,
              SLOT(quit()));
  QuitOnSignals(app);

  QtPrompts prompts(has_display);
  ModuleLock lock;
  lock.StartMonitor([&app] { QMetaObject::invokeMethod(&app, "quit", Qt::QueuedConnection); });
  BusServer server(bus, prompts, lock);
  if (!server.Start(FindDataFolder())) return 0;  // another server took the names
  app.exec();
  server.Revoke();
  std::this_thread::sleep_for(kRevokePause);
  server.Terminate();
  return 0;
}

int Main(int argc, char** argv) {
  // The server holds every login in memory: no other program of the user may
  // read it through ptrace or a core file.
  if (!ForbidCoreDumps()) std::fprintf(stderr, "zrform: core dumps could not be turned off\n");
  std::setlocale(LC_ALL, "");
  std::vector<std::string> arguments(argv, argv + argc);
  // The executable's full path, as the registration records it.
  const std::string executable = ExecutablePath(argv[0]);
  switch (ParseCommandLine(JoinCommandLine(arguments))) {
    case ServerCommand::kRegServer:
      return ExitStatus(RegisterServer(executable));
    case ServerCommand::kUnregServer:
      return ExitStatus(UnregisterServer(executable));
    case ServerCommand::kEmbedding:
    case ServerCommand::kAbout:
      break;
  }
  // Without a usable display the dialogs say so and count as cancelled; with
  // no display named at all the X11 platform is not even tried.
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  bool named = (display && *display) || (wayland && *wayland);
  ::setenv("QT_QPA_PLATFORM", named ? "xcb;offscreen" : "offscreen", 0);
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  const bool has_display = QApplication::platformName() != QStringLiteral("offscreen");
  if (ParseCommandLine(JoinCommandLine(arguments)) == ServerCommand::kEmbedding) {
    return Serve(app, has_display);
  }
  if (has_display) {
    ShowAboutBox(0);
  } else {
    std::fprintf(stderr, "zrform: no display for the About box (%s, %s)\n", kProductName,
                 kVersionText);
  }
  return 0;
}

}  // namespace
}  // namespace zr

int main(int argc, char** argv) { return zr::Main(argc, argv); }
