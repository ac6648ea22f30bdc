// Remote run only: what a fill costs in callbacks, and how filling fares with
// a client that answers too late or never.
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <iostream>

#include "engine_test_support.h"
#include "fake_page.h"
#include "forms/capture.h"
#include "forms/fill_in.h"
#include "pages/page_exporter.h"
#include "pages/remote_page_call.h"
#include "tests/pages/bus_page_test_support.h"

namespace zr {
namespace {

using RemoteEngineTest = EngineTest;

struct FillCost {
  Outcome result;
  long callbacks;
  std::string html;  // the page after the fill
};

// Fills a fresh page of html through the remote page, its inputs read as reads says.
FillCost Fill(DataSet& data, Prompts& prompts, const std::string& html, int type,
              RemoteInputReads reads) {
  SetRemoteInputReads(reads);
  auto page = MakeTestPage(html, "https://e.com/signup");
  Outcome result = FillInForm(data, prompts, 0, page.get(), type, false, true);
  SetRemoteInputReads(RemoteInputReads::kDescribeOnce);
  return {result, page->backend().callbacks(), page->Serialize()};
}

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST_F(RemoteEngineTest, OneDescribePerInputCutsTheCallbacksOfAFill) {
  constexpr int kFields = 50;
  data_.home.Value(ProfileField::kEmail) = "ann@e.com";
  std::string profile_page = "<form name=\"signup\">";
  for (int i = 0; i < kFields; ++i)
    profile_page += "<input name=\"email" + std::to_string(i) + "\">";
  profile_page += "</form>";
  AddLogin("e.com", "ann", "secret", true, "login");  // filled by name, no pair fill
  std::string login_page = "<form name=\"login\">";
  for (int i = 0; i < kFields - 2; ++i) {
    login_page += "<input name=\"note" + std::to_string(i) + "\">";
  }
  login_page += "<input name=\"user\"><input type=\"password\" name=\"pass\"></form>";

  struct Case {
    const char* name;
    const std::string& html;
    int type;
    const char* filled;  // what the fill writes
    size_t writes;
  };
  const Case cases[] = {{"profile", profile_page, 2, "value=\"ann@e.com\"", kFields},
                        {"login", login_page, 1, "value=\"ann\"", 1}};
  for (const Case& c : cases) {
    FillCost described = Fill(data_, prompts_, c.html, c.type, RemoteInputReads::kDescribeOnce);
    FillCost per_read = Fill(data_, prompts_, c.html, c.type, RemoteInputReads::kOneCallPerRead);
    EXPECT_EQ(described.result, Outcome::kDone) << c.name;
    EXPECT_EQ(Count(described.html, c.filled), c.writes) << c.name << described.html;
    EXPECT_EQ(described.html, per_read.html) << c.name << ": the same page either way";
    // Each input costs its fetch, one Describe and its write, per walk.
    EXPECT_LE(described.callbacks * 10, per_read.callbacks * 6) << c.name;
    std::cout << "callbacks for a " << c.name << " fill of " << kFields
              << " fields: " << described.callbacks << " with Describe, " << per_read.callbacks
              << " with one call per read\n";
    RecordProperty(std::string(c.name) + "_callbacks_describe",
                   static_cast<int>(described.callbacks));
    RecordProperty(std::string(c.name) + "_callbacks_per_read",
                   static_cast<int>(per_read.callbacks));
  }
}

TEST_F(RemoteEngineTest, ClientThatNeverAnswersCostsOneTimeout) {
  constexpr int kTimeoutMs = 400;
  SilentClient silent(ClientBus(), QStringLiteral("/silent"));
  ASSERT_TRUE(silent.registered());
  auto link = LinkTo(ClientBus(), kTimeoutMs);
  auto browser = RemoteBrowser(link, QStringLiteral("/silent/1"));
  AddLogin("e.com", "ann", "pw");

  QElapsedTimer timer;
  timer.start();
  long found = -5;
  EXPECT_EQ(FillInForm(data_, prompts_, 0, browser.get(), 1, false, true), Outcome::kNothing);
  EXPECT_EQ(RecordPassword(data_, prompts_, 0, browser.get(), &found), Outcome::kNothing);
  EXPECT_EQ(FillInForm(data_, prompts_, 0, browser.get(), 2, true, false), Outcome::kNothing);
  EXPECT_LT(timer.elapsed(), 3 * kTimeoutMs);
  EXPECT_EQ(found, -5);
  EXPECT_TRUE(link->dead);
  EXPECT_EQ(link->callbacks, 1) << "later calls fail without a round trip";
  EXPECT_EQ(silent.calls(), 1);
}

TEST_F(RemoteEngineTest, InputThatAnswersTooLateEndsTheWalk) {
  constexpr int kTimeoutMs = 300;
  FakeInput late("text", "city", "");
  late.on_read = [] {
    QEventLoop busy;  // the page is busy for longer than the server waits
    QTimer::singleShot(kTimeoutMs * 3 / 2, &busy, &QEventLoop::quit);
    busy.exec();
  };
  FakeInput zip("text", "zip", "");
  int zip_reads = 0;
  zip.on_read = [&] { ++zip_reads; };
  FakeForm form;
  form.inputs.items = {&late, &zip};
  FakeDocument fake;
  fake.forms.items = {&form};
  PageExporter exporter(ClientBus(), QStringLiteral("/late"));
  auto link = LinkTo(ClientBus(), kTimeoutMs);
  auto browser = RemoteBrowser(link, exporter.ExportBrowser(fake));
  data_.work.Value(ProfileField::kCity) = "Lyon";
  data_.work.Value(ProfileField::kZip) = "69000";

  QElapsedTimer timer;
  timer.start();
  EXPECT_EQ(FillInForm(data_, prompts_, 0, browser.get(), 3, true, false), Outcome::kDone);
  EXPECT_LT(timer.elapsed(), 3 * kTimeoutMs);
  EXPECT_TRUE(link->dead);
  EXPECT_EQ(late.value, "") << "the write after the timeout is not sent";
  EXPECT_EQ(zip_reads, 0) << "nothing is asked of the page after the timeout";
  long callbacks = link->callbacks;
  EXPECT_EQ(FillInForm(data_, prompts_, 0, browser.get(), 3, true, false), Outcome::kNothing);
  EXPECT_EQ(link->callbacks, callbacks);
}

}  // namespace
}  // namespace zr
