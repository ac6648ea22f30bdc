// The real zrform-browser process, started as a browser starts it, with the real server on a
// private bus: a framed fill, a bad message, callers that are not the extension, broken input,
// the manifests.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>

#include "browser/host/extension_ids.h"
#include "browser/host/native_frame.h"
#include "tests/bus/bus_support.h"
#include "tests/support/test_support.h"
#include "tests/support/zrbar_process.h"
#include "tools/sample_data.h"

namespace zr {
namespace {

const QString kOrigin = QString::fromUtf8(kChromiumOrigin.data(), kChromiumOrigin.size());

QByteArray Frames(const std::vector<std::string>& messages) {
  std::string bytes;
  for (const std::string& message : messages) bytes += EncodeFrame(message);
  return QByteArray::fromStdString(bytes);
}

// The replies on the host's standard output; a frame that does not read
// fails the test.
std::vector<QJsonObject> Replies(const QByteArray& out) {
  std::string bytes = out.toStdString();
  std::vector<QJsonObject> replies;
  for (std::string_view rest = bytes; !rest.empty();) {
    FrameRead frame = ReadFrame(rest);
    EXPECT_EQ(frame.status, FrameRead::Status::kFrame) << "stray bytes on standard output";
    if (frame.status != FrameRead::Status::kFrame) break;
    replies.push_back(
        QJsonDocument::fromJson(QByteArray::fromStdString(std::string(frame.payload))).object());
    rest.remove_prefix(frame.consumed);
  }
  return replies;
}

testing::ZrbarRun RunHost(const QStringList& arguments, const QByteArray& input) {
  return testing::RunZrbar(ZRFORM_BROWSER_EXE, arguments, {}, input);
}

QString SampleHome(ProfileField field) {
  for (const sample::ProfileValue& value : sample::HomeProfile())
    if (value.field == field) return QString::fromUtf8(value.value.data(), value.value.size());
  return {};
}

constexpr char kSignUp[] =
    R"({"url":"https://shop.example.org/signup","title":"Sign up","forms":[{"name":"signup"}],)"
    R"("elements":[{"kind":"input","form":0,"type":"text","name":"firstname","value":""},)"
    R"({"kind":"input","form":0,"type":"text","name":"lastname","value":""},)"
    R"({"kind":"select","form":0,"name":"size","options":[{"text":"S","value":"s"}]},)"
    R"({"kind":"input","form":0,"type":"password","name":"password","value":""},)"
    R"({"kind":"input","form":0,"type":"text","name":"email","value":""}]})";

// The host is a shipped client beside the server: nobody allows it.
TEST(BrowserHostBusTest, FillsASignUpPageFromTheHomeProfileAndGoesOnAfterABadMessage) {
  bus_test::WriteSampleData();
  bus_test::RegisterServer(/*allow=*/false);
  testing::ZrbarRun run = RunHost(
      {kOrigin}, Frames({R"({"id":7,"op":"fill","type":2,"page":)" + std::string(kSignUp) + "}",
                         "not json", R"({"id":"p","op":"ping"})"}));
  EXPECT_EQ(run.status, 0) << qPrintable(run.err);
  std::vector<QJsonObject> replies = Replies(run.bytes);
  ASSERT_EQ(replies.size(), 3u) << qPrintable(run.err);
  QJsonArray expected;
  for (auto [element, field] : {std::pair{0, ProfileField::kFirstName},
                                {1, ProfileField::kLastName},
                                {4, ProfileField::kEmail}})
    expected.append(QJsonObject{{"element", element}, {"value", SampleHome(field)}});
  EXPECT_EQ(replies[0], (QJsonObject{{"id", 7}, {"ok", true}, {"hr", 0}, {"writes", expected}}));
  EXPECT_EQ(replies[1]["code"], "bad-message");
  EXPECT_EQ(replies[1]["id"], QJsonValue());
  EXPECT_EQ(replies[2]["server"], true);
  EXPECT_FALSE(run.err.contains(SampleHome(ProfileField::kEmail)));
  // The host gave its references back: nothing keeps the server running.
  EXPECT_TRUE(
      bus_test::WaitForOwner(QDBusConnection::sessionBus(), bus_test::kBarHelperName, false));
}

// Firefox starts the host with the manifest's path and the extension's id.
TEST(BrowserHostBusTest, OnlyTheExtensionMayStartIt) {
  const QString firefox = QString::fromUtf8(kFirefoxExtensionId.data());
  const struct {
    QStringList arguments;
    bool allowed;
  } cases[] = {
      {{}, false},
      {{"chrome-extension://aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa/"}, false},
      {{kOrigin + "x"}, false},
      {{"/home/u/.mozilla/native-messaging-hosts/zrform.browser.json", "other@example.org"}, false},
      {{"install-me"}, false},
      {{"/m/zrform.browser.json", firefox}, true},
  };
  for (const auto& c : cases) {
    testing::ZrbarRun run = RunHost(c.arguments, Frames({R"({"id":1,"op":"ping"})"}));
    SCOPED_TRACE(qPrintable(c.arguments.join(' ') + ": " + run.err));
    EXPECT_EQ(run.status, c.allowed ? 0 : 1);
    EXPECT_EQ(run.out.isEmpty(), !c.allowed) << "a refused caller gets no reply";
    EXPECT_EQ(run.err.contains("refused"), !c.allowed);
  }
}

TEST(BrowserHostBusTest, AStreamThatCannotBeFollowedGetsOneReply) {
  const std::string ping = EncodeFrame(R"({"id":1,"op":"ping"})");
  const std::string zero(4, '\0');
  const struct {
    std::string input;
    size_t replies;  // the last one the error
  } cases[] = {
      {ping + ping.substr(0, ping.size() - 1), 2},  // cut short
      {zero + ping, 1},                             // length 0: nothing after it is read
  };
  for (const auto& c : cases) {
    testing::ZrbarRun run = RunHost({kOrigin}, QByteArray::fromStdString(c.input));
    EXPECT_EQ(run.status, 0) << qPrintable(run.err);
    std::vector<QJsonObject> replies = Replies(run.bytes);
    ASSERT_EQ(replies.size(), c.replies) << c.input.size();
    EXPECT_EQ(replies.back()["code"], "bad-message");
  }
}

TEST(BrowserHostBusTest, InstallsAndRemovesTheManifests) {
  testing::TempDir home;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("HOME", QString::fromStdString(home.path()));
  environment.insert("XDG_CONFIG_HOME", QString::fromStdString(home.File("config")));
  auto run = [&](const QStringList& arguments) {
    return testing::RunZrbar(ZRFORM_BROWSER_EXE, arguments, {}, {}, environment);
  };
  EXPECT_EQ(run({"install"}).status, 0);
  EXPECT_EQ(run({"install", "--chromium-dir", QString::fromStdString(home.File("profile"))}).status,
            0);
  const std::string host = std::filesystem::canonical(ZRFORM_BROWSER_EXE).string();
  const std::string files[] = {"config/chromium/NativeMessagingHosts",
                               "config/google-chrome/NativeMessagingHosts",
                               ".mozilla/native-messaging-hosts", "profile/NativeMessagingHosts"};
  for (const std::string& folder : files) {
    const std::string file = home.File(folder + "/zrform.browser.json");
    QJsonObject manifest =
        QJsonDocument::fromJson(QByteArray::fromStdString(testing::ReadFile(file))).object();
    const bool firefox = folder.starts_with(".mozilla");
    EXPECT_EQ(manifest["name"], "zrform.browser") << folder;
    EXPECT_EQ(manifest[firefox ? "allowed_extensions" : "allowed_origins"].toArray().at(0),
              firefox ? QString::fromUtf8(kFirefoxExtensionId.data()) : kOrigin);
    EXPECT_EQ(manifest["path"].toString().toStdString(), host) << folder;
  }
  EXPECT_TRUE(run({"status"}).out.contains("host " + QString::fromStdString(host)));
  EXPECT_EQ(run({"uninstall"}).status, 0);
  for (int i = 0; i < 3; ++i)
    EXPECT_FALSE(std::filesystem::exists(home.File(files[i] + "/zrform.browser.json")));
}

}  // namespace
}  // namespace zr

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
