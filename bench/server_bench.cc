// Benchmarks of the server on a private session bus (run through
// bench/run_server_bench.sh): cold activation to the first reply, a warm call,
// a Home-profile fill of a 50-field page through the bus and the remote page
// (with the number of callbacks it made), a 20,000-input page filled through
// the bus (handed over whole, as zrbar hands it) beside the same fill in this
// process, and the server's resident memory.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QProcess>
#include <QThread>
#include <chrono>
#include <climits>
#include <csignal>
#include <filesystem>
#include <string>

#include "bench/counting_prompts.h"
#include "bench/resident_memory.h"
#include "pages/html_page.h"
#include "pages/page_exporter.h"
#include "platform/user_folders.h"
#include "server/client_trust.h"
#include "server/zr_bar_helper.h"

namespace zr {
namespace {

const QString kName = QStringLiteral("ZRForm.ZRBarHelper");
const QString kPath = QStringLiteral("/ZRBarHelper");
const QString kInterface = QStringLiteral("ZRForm.IZRBarHelper");

QDBusMessage Call(const QString& path, const QString& interface, const QString& member,
                  const QList<QVariant>& arguments = {}) {
  QDBusMessage message = QDBusMessage::createMethodCall(kName, path, interface, member);
  message.setArguments(arguments);
  return QDBusConnection::sessionBus().call(message, QDBus::BlockWithGui, INT_MAX);
}

QDBusMessage CreateInstance() {
  // The bench hands pages over as a client the user allowed (its own hive,
  // in the private data folders of the bench run).
  static const bool allowed = AllowProgram(ExecutablePath());
  if (!allowed) std::abort();
  return Call(QStringLiteral("/ZRBarHelper/ClassObject"), QStringLiteral("ZRForm.IClassFactory"),
              QStringLiteral("CreateInstance"), {false, QStringLiteral("ZRForm.IZRBarHelper")});
}

unsigned ServerPid() {
  auto pid = QDBusConnection::sessionBus().interface()->servicePid(kName);
  return pid.isValid() ? pid.value() : 0;
}

// Ends a running server (as a session end would) and waits until it is gone.
void StopServer() {
  unsigned pid = ServerPid();
  if (pid == 0) return;
  ::kill(static_cast<pid_t>(pid), SIGTERM);
  while (::kill(static_cast<pid_t>(pid), 0) == 0) QThread::msleep(10);
}

std::string SignUpPage(int fields) {
  static const char* kNames[] = {"first_name", "last_name", "email",   "city",  "zip",
                                 "company",    "phone",     "address", "title", "country"};
  std::string html = "<html><body><form name=\"join\">";
  for (int i = 0; i < fields; ++i) {
    html += "<input name=\"" + std::string(kNames[i % 10]) + std::to_string(i) + "\">";
  }
  return html + "</form></body></html>";
}

void BM_ColdActivation(benchmark::State& state) {
  for (auto _ : state) {
    StopServer();
    auto start = std::chrono::steady_clock::now();
    QDBusMessage reply = CreateInstance();
    auto took = std::chrono::steady_clock::now() - start;
    if (reply.type() != QDBusMessage::ReplyMessage) state.SkipWithError("no reply");
    state.SetIterationTime(std::chrono::duration<double>(took).count());
  }
}
BENCHMARK(BM_ColdActivation)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_WarmCall(benchmark::State& state) {
  CreateInstance();
  for (auto _ : state) {
    QDBusMessage reply = Call(kPath, kInterface, QStringLiteral("AutoRecordLogin"));
    benchmark::DoNotOptimize(reply);
  }
}
BENCHMARK(BM_WarmCall)->Unit(benchmark::kMicrosecond);

// A Home fill of a sign-up page of state.range(0) inputs through the bus (the
// page handed over whole, as zrbar hands it).
void BM_FillInFormOverBus(benchmark::State& state) {
  CreateInstance();
  auto page = HtmlPage::FromString(SignUpPage(static_cast<int>(state.range(0))),
                                   "https://shop.example.com/join");
  PageExporter exporter(QDBusConnection::sessionBus());
  QDBusObjectPath browser(exporter.ExportBrowser(*page));
  long callbacks_before = exporter.calls_answered();
  for (auto _ : state) {
    QDBusMessage reply = Call(kPath, kInterface, QStringLiteral("FillInForm"),
                              {qlonglong(0), QVariant::fromValue(browser), 2, 1, 0});
    if (reply.arguments().value(0).toInt() != 0) state.SkipWithError("fill failed");
  }
  state.counters["callbacks_per_fill"] =
      double(exporter.calls_answered() - callbacks_before) / double(state.iterations());
}
BENCHMARK(BM_FillInFormOverBus)->Arg(50)->Arg(20'000)->Unit(benchmark::kMillisecond);

// The same fill with the server's object in this process, on the same data folder.
void BM_FillInFormInProcess(benchmark::State& state) {
  auto page = HtmlPage::FromString(SignUpPage(static_cast<int>(state.range(0))),
                                   "https://shop.example.com/join");
  CountingPrompts prompts;
  ZRBarHelper helper(prompts);
  for (auto _ : state) benchmark::DoNotOptimize(helper.FillInForm(0, page.get(), 2, 1, 0));
}
BENCHMARK(BM_FillInFormInProcess)->Arg(20'000)->Unit(benchmark::kMillisecond);

void BM_ServerMemory(benchmark::State& state) {
  for (auto _ : state) {
    StopServer();
    CreateInstance();
    unsigned pid = ServerPid();
    state.counters["rss_start_MB"] = ResidentKb(pid) / 1024.0;
    auto page = HtmlPage::FromString(SignUpPage(10), "https://shop.example.com/join");
    PageExporter exporter(QDBusConnection::sessionBus());
    QDBusObjectPath browser(exporter.ExportBrowser(*page));
    for (int i = 0; i < 1000; ++i) {
      switch (i % 4) {
        case 0:
          Call(kPath, kInterface, QStringLiteral("AutoRecordLogin"));
          break;
        case 1:
          Call(kPath, kInterface, QStringLiteral("FindPasswordByURL"),
               {QStringLiteral("https://mail.example.com/")});
          break;
        case 2:
          Call(kPath, kInterface, QStringLiteral("FillInForm"),
               {qlonglong(0), QVariant::fromValue(browser), 2, 1, 0});
          break;
        default:
          Call(QStringLiteral("/History"), QStringLiteral("ZRForm.IHistory"),
               QStringLiteral("AddItem"), {QStringLiteral("item %1").arg(i), 1});
      }
    }
    state.counters["rss_after_1000_calls_MB"] = ResidentKb(pid) / 1024.0;
  }
}
BENCHMARK(BM_ServerMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zr

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  // The server registered for this bus, with the sample data (both profiles).
  const char* data_home = std::getenv("XDG_DATA_HOME");
  if (!data_home) return 2;
  std::filesystem::create_directories(std::string(data_home) + "/Zorvane");
  QProcess::execute(QStringLiteral(ZRDATA_EXE),
                    {QStringLiteral("sample"),
                     QString::fromLatin1(data_home) + QStringLiteral("/Zorvane/ToolBar")});
  if (QProcess::execute(QStringLiteral(ZRFORM_EXE), {QStringLiteral("-RegServer")}) != 0) return 2;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  zr::StopServer();
  return 0;
}
