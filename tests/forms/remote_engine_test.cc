// Remote run only: how filling fares with a client that answers too late or
// never.
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
