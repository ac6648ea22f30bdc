// Load: 20 client processes at once, each making 1,000 mixed calls. Every
// answer must be right, and the server must end 5 seconds after the last
// client let go (its lock count back at zero). The throughput and the 99th
// percentile latency are printed and recorded as test properties.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

#include "bus_test_support.h"

namespace zr::bus_test {
namespace {

using std::chrono::milliseconds;

constexpr int kClients = 20;
constexpr int kCallsPerClient = 1000;

TEST(LoadTest, TwentyClientsOfAThousandCallsEach) {
  WriteSampleData();
  RegisterServer();
  QDBusConnection watcher = Connect(QStringLiteral("watcher"));
  // Start the server first, so the figures are of serving, not of starting.
  Instance warm = CreateBarHelper(watcher);
  ASSERT_EQ(warm.hr, 0);
  unsigned pid = OwnerPid(watcher, kBarHelperName);

  std::vector<std::unique_ptr<QProcess>> clients;
  QElapsedTimer wall;
  wall.start();
  for (int i = 0; i < kClients; ++i) {
    auto process = std::make_unique<QProcess>();
    process->start(QCoreApplication::applicationFilePath(),
                   {QStringLiteral("--load"), QString::number(i), QString::number(kCallsPerClient)});
    clients.push_back(std::move(process));
  }
  std::vector<long> latencies;
  int wrong = 0;
  for (auto& process : clients) {
    ASSERT_TRUE(process->waitForFinished(600000));
    EXPECT_EQ(process->exitCode(), 0);
    std::istringstream line(process->readAllStandardOutput().toStdString());
    std::string word;
    int client_wrong = -1;
    line >> word >> client_wrong >> word;
    EXPECT_EQ(client_wrong, 0);
    wrong += client_wrong;
    for (long latency; line >> latency;) latencies.push_back(latency);
  }
  double seconds = wall.elapsed() / 1000.0;
  ASSERT_EQ(latencies.size(), size_t(kClients) * kCallsPerClient);
  EXPECT_EQ(wrong, 0);
  std::sort(latencies.begin(), latencies.end());
  long p50 = latencies[latencies.size() / 2];
  long p99 = latencies[latencies.size() * 99 / 100];
  double rate = latencies.size() / seconds;
  std::printf("load: %zu calls by %d clients in %.1f s = %.0f calls/s; latency p50 %ld us, "
              "p99 %ld us, max %ld us\n",
              latencies.size(), kClients, seconds, rate, p50, p99, latencies.back());
  RecordProperty("calls_per_second", static_cast<int>(rate));
  RecordProperty("p99_latency_us", static_cast<int>(p99));

  // Every reference given back: it ends 5 s after the last one.
  Release(watcher, kBarHelperName, warm.path);
  milliseconds took{0};
  ASSERT_TRUE(WaitUntilUnowned(watcher, kBarHelperName, milliseconds(60000), &took));
  EXPECT_GE(took.count(), 4900);
  EXPECT_TRUE(WaitForProcessEnd(pid, milliseconds(10000)));
}

}  // namespace
}  // namespace zr::bus_test
