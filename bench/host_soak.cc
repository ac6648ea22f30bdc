// A long session, as two browsers make it: two zrform-browser hosts (one
// started as Chromium starts it, one as Firefox does) on one server, each
// taking the calls of page loads (the badge count and the automatic-fill
// check of a login page), fills of a sign-up page from the Home profile and
// captures of a submitted login, in turn. Prints the calls made, the
// failures, the resident memory of the server and of each host after the
// first 1,000 calls and at the end, and the wall time. Run it through
// bench/run_host_soak.sh (a private bus and data folders of its own):
//   host_soak [PAGE_LOADS] (default 100,000; a fill every 10th, a capture every 100th)
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/resident_memory.h"
#include "browser/host/extension_ids.h"
#include "browser/host/native_frame.h"

namespace zr {
namespace {

int Run(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.setProcessChannelMode(QProcess::ForwardedChannels);
  process.start(program, arguments);
  process.waitForFinished(-1);
  return process.exitCode();
}

// One host, spoken to as its browser speaks: a framed request, then the
// framed reply.
class Host {
 public:
  explicit Host(const QStringList& arguments) {
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.setStandardErrorFile(QProcess::nullDevice());
    process_.start(QStringLiteral(ZRFORM_BROWSER_EXE), arguments);
    if (!process_.waitForStarted()) std::abort();
  }
  ~Host() {
    process_.closeWriteChannel();
    process_.waitForFinished(10'000);
  }

  // The reply's "ok", false when no reply came.
  bool Ask(const QJsonObject& request) {
    std::string frame =
        EncodeFrame(QJsonDocument(request).toJson(QJsonDocument::Compact).toStdString());
    process_.write(frame.data(), static_cast<qint64>(frame.size()));
    for (;;) {
      FrameRead read = ReadFrame(buffer_);
      if (read.status == FrameRead::Status::kFrame) {
        QJsonObject reply =
            QJsonDocument::fromJson(QByteArray::fromStdString(std::string(read.payload))).object();
        buffer_.erase(0, read.consumed);
        return reply.value(QLatin1String("ok")).toBool();
      }
      if (read.status == FrameRead::Status::kBadLength) return false;
      if (!process_.waitForReadyRead(60'000)) return false;
      buffer_ += process_.readAllStandardOutput().toStdString();
    }
  }

  qint64 pid() const { return process_.processId(); }

 private:
  QProcess process_;
  std::string buffer_;
};

QJsonObject Input(const char* type, const char* name, const char* value = "") {
  return {{"kind", "input"}, {"form", 0}, {"type", type}, {"name", name}, {"value", value}};
}

QJsonObject Page(const char* url, QJsonArray elements) {
  return {{"url", url},
          {"title", "Soak"},
          {"forms", QJsonArray{QJsonObject{{"name", "login"}}}},
          {"elements", elements}};
}

int Soak(long page_loads) {
  const QString server = QStringLiteral(ZRFORM_EXE);
  const QByteArray data = qgetenv("XDG_DATA_HOME");
  if (data.isEmpty() || Run(server, {QStringLiteral("-RegServer")}) != 0 ||
      Run(QStringLiteral(ZRDATA_EXE), {QStringLiteral("sample"), data + "/Zorvane"}) != 0) {
    std::fprintf(stderr, "host_soak: cannot register the server or write the sample data\n");
    return 1;
  }
  const QString chromium = QString::fromUtf8(kChromiumOrigin.data(), kChromiumOrigin.size());
  const QString firefox = QString::fromUtf8(kFirefoxExtensionId.data(), kFirefoxExtensionId.size());
  Host hosts[] = {Host({chromium}), Host({QStringLiteral("/soak/zrform.browser.json"), firefox})};

  const QJsonObject login_page = Page("https://mail.example.com/login",
                                      {Input("text", "username"), Input("password", "password")});
  const QJsonObject signup_page =
      Page("https://shop.example.com/join",
           {Input("text", "first_name"), Input("text", "last_name"), Input("text", "email"),
            Input("text", "city"), Input("text", "zip")});
  // The sample login, submitted again: captured and found already stored.
  const QJsonObject submitted =
      Page("https://mail.example.com/login",
           {Input("text", "username", "ann"), Input("password", "password", "correct horse")});

  QElapsedTimer clock;
  clock.start();
  long calls = 0, failures = 0;
  long at_1000[3] = {0, 0, 0};
  qint64 server_pid = 0;
  auto ask = [&](Host& host, QJsonObject request) {
    request.insert(QLatin1String("id"), static_cast<qint64>(calls));
    if (!host.Ask(request)) ++failures;
    if (++calls == 1000) {
      auto pid = QDBusConnection::sessionBus().interface()->servicePid(
          QStringLiteral("ZRForm.ZRBarHelper"));
      server_pid = pid.isValid() ? pid.value() : 0;
      at_1000[0] = ResidentKb(server_pid);
      at_1000[1] = ResidentKb(hosts[0].pid());
      at_1000[2] = ResidentKb(hosts[1].pid());
    }
  };
  for (long load = 0; load < page_loads; ++load) {
    Host& host = hosts[load % 2];
    ask(host, {{"op", "count"}, {"url", "https://mail.example.com/login"}});
    ask(host, {{"op", "fill"}, {"type", 1}, {"auto", true}, {"page", login_page}});
    if (load % 10 == 0) {
      ask(host, {{"op", "fill"}, {"type", 2}, {"force", true}, {"page", signup_page}});
    }
    if (load % 100 == 0) ask(host, {{"op", "capture"}, {"form", 0}, {"page", submitted}});
  }
  const double seconds = clock.elapsed() / 1000.0;
  std::printf("calls %ld, failures %ld, %.1f s (%.2f ms a call)\n", calls, failures, seconds,
              1000.0 * seconds / static_cast<double>(calls));
  const char* names[] = {"server", "chromium host", "firefox host"};
  const qint64 pids[] = {server_pid, hosts[0].pid(), hosts[1].pid()};
  for (int i = 0; i < 3; ++i) {
    const long end = ResidentKb(pids[i]);
    std::printf("%-14s RSS after 1,000 calls %6.1f MB, at the end %6.1f MB (%+.1f MB)\n", names[i],
                at_1000[i] / 1024.0, end / 1024.0, (end - at_1000[i]) / 1024.0);
  }
  return failures == 0 ? 0 : 1;
}

}  // namespace
}  // namespace zr

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  const long page_loads = argc > 1 ? std::atol(argv[1]) : 100'000;
  return zr::Soak(page_loads > 0 ? page_loads : 100'000);
}
