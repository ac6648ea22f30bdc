// Shared set-up of the forms engine tests: the test page (reached directly, or over the bus when
// built with ZR_REMOTE_PAGE_TESTS), a data set in a temporary folder and scripted prompts.
#ifndef ZRFORM_TESTS_FORMS_ENGINE_TEST_SUPPORT_H_
#define ZRFORM_TESTS_FORMS_ENGINE_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "forms/capture.h"
#include "forms/fill_in.h"
#include "pages/html_page.h"
#include "scripted_prompts.h"
#include "store/custom_field_list.h"
#include "store/data_set.h"
#include "tests/support/test_support.h"
#ifdef ZR_REMOTE_PAGE_TESTS
#include "pages/page_exporter.h"
#include "pages/remote_page.h"
#endif

namespace zr {

// A page as the engine sees it (page outlives it) and, as a submit hands them over, its document
// and form i; the remote run exports it on the "client" connection and reads it on "server".
class TestPage final : public PageBrowser {
 public:
#ifdef ZR_REMOTE_PAGE_TESTS
  explicit TestPage(PageBrowser& page, std::unique_ptr<HtmlPage> html = nullptr)
      : html_(std::move(html)),
        exporter_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "client"),
                  QStringLiteral("/test/page%1").arg(++pages_)),
        link_(std::make_shared<RemotePageLink>(RemotePageLink{
            .connection = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "server"),
            .service = QDBusConnection(QStringLiteral("client")).baseService()})),
        browser_(RemoteBrowser(link_, exporter_.ExportBrowser(page))) {}
  std::unique_ptr<PageDocument> Document() override { return browser_->Document(); }
  std::unique_ptr<PageDocument> SubmittedDocument() {
    return RemoteDocument(link_, exporter_.ExportDocument(html_->Document()));
  }
  std::unique_ptr<PageForm> SubmittedForm(int i) {
    return RemoteForm(link_, exporter_.ExportForm(html_->Document()->Forms()->At(i)));
  }
  // Ends a call as the server does: the writes made on a page handed over whole go to it.
  void Finish() { FlushRemoteWrites(*link_); }
#else
  explicit TestPage(PageBrowser& page, std::unique_ptr<HtmlPage> html = nullptr)
      : html_(std::move(html)), page_(page) {}
  std::unique_ptr<PageDocument> Document() override { return page_.Document(); }
  std::unique_ptr<PageDocument> SubmittedDocument() { return html_->Document(); }
  std::unique_ptr<PageForm> SubmittedForm(int i) { return html_->Document()->Forms()->At(i); }
  void Finish() {}
#endif
  std::string Serialize() const { return html_->Serialize(); }

 private:
  std::unique_ptr<HtmlPage> html_;
#ifdef ZR_REMOTE_PAGE_TESTS
  static inline int pages_ = 0;
  PageExporter exporter_;
  std::shared_ptr<RemotePageLink> link_;
  std::unique_ptr<PageBrowser> browser_;
#else
  PageBrowser& page_;
#endif
};

inline std::unique_ptr<TestPage> MakeTestPage(std::string_view html,
                                              const std::string& url = "https://e.com/") {
  std::unique_ptr<HtmlPage> page = HtmlPage::FromString(html, url);
  return page ? std::make_unique<TestPage>(*page, std::move(page)) : nullptr;
}

// The values of the first inputs of each (form, name), joined by ","; "<missing>" without one.
inline std::string Values(PageBrowser& page, const std::vector<std::pair<int, std::string>>& at) {
  std::string joined, comma;
  for (const auto& [form, name] : at) {
    std::optional<std::string> found;
    ForEachByIndex(*page.Document()->Forms()->At(form)->Inputs(), [&](PageInput& input) {
      if (!found && input.Name() == name) found = input.Value();
    });
    joined += std::exchange(comma, ",") + found.value_or("<missing>");
  }
  return joined;
}

// A login of site: a text field "user" (none for an empty user) and a password field "pass".
inline std::unique_ptr<LoginRecord> Login(const std::string& site, const std::string& user,
                                          const std::string& password, const std::string& form = "",
                                          bool automatic = true) {
  auto record = std::make_unique<LoginRecord>();
  record->set_site(site), record->set_fill_automatically(automatic ? 1 : 0);
  if (!user.empty()) record->AddField("user", user, "text", form);
  record->AddField("pass", password, "password", form);
  return record;
}

// The data set's files are given paths in the temporary folder by a first save.
class EngineTest : public ::testing::Test {
 protected:
  EngineTest() {
    CustomFields().Reset(), SharedNames().Reset();
    data_.logins.Save(folder_ + "/Password.dat"), data_.rejected.Save(folder_ + "/Rejected.dat");
    data_.home.Save(folder_ + "/FormHome.dat"), data_.work.Save(folder_ + "/FormWork.dat");
  }
  ~EngineTest() override { CustomFields().Reset(), SharedNames().Reset(); }
  int AddLogin(const std::string& site, const std::string& user, const std::string& password,
               bool automatic = true, const std::string& form = "") {
    data_.logins.AddOrMerge(Login(site, user, password, form, automatic));
    return data_.logins.GetAt(data_.logins.Count() - 1)->id();
  }
  Outcome Fill(PageBrowser* page, int type = 1, bool force = false, bool automatic = true) {
    Outcome outcome = FillInForm(data_, prompts_, 0, page, type, force, automatic);
    if (auto* test_page = dynamic_cast<TestPage*>(page)) test_page->Finish();
    return outcome;
  }
  Outcome Record(TestPage& page, int form) {
    return AutoRecord(data_, prompts_, 0, page.SubmittedDocument().get(),
                      page.SubmittedForm(form).get());
  }
  std::unique_ptr<DataSet> Reload() {
    auto reloaded = std::make_unique<DataSet>();
    reloaded->Load(folder_);
    return reloaded;
  }

  testing::TempDir temp_;
  std::string folder_ = temp_.path();
  testing::ScopedEnv config_{"XDG_CONFIG_HOME", folder_ + "/config"};
  DataSet data_;
  ScriptedPrompts prompts_;
};

}  // namespace zr

#endif  // ZRFORM_TESTS_FORMS_ENGINE_TEST_SUPPORT_H_
