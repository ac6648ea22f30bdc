// Shared pieces of the fill and capture tests: a data set in a temporary data
// folder, prompts that give scripted answers and record what they showed, and
// reading values back from a test page.
#ifndef ZRFORM_TESTS_FORMS_ENGINE_TEST_SUPPORT_H_
#define ZRFORM_TESTS_FORMS_ENGINE_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "forms/prompts.h"
#include "store/custom_field_list.h"
#include "store/data_set.h"
#include "test_page.h"
#include "tests/support/test_support.h"

namespace zr {

// Each dialog takes the next answer of its queue (one without an answer fails
// the test) and records what it showed.
class ScriptedPrompts : public Prompts {
 public:
  std::deque<std::optional<std::string>> master_passwords;
  std::deque<int> selected_ids;
  // Changes the prompt's data as a user would and returns the button.
  std::deque<std::function<RememberAnswer(RememberPasswordData&)>> remember_answers;
  std::vector<std::string> messages;
  std::vector<std::vector<int>> select_offers;
  std::vector<RememberPasswordData> remember_shown;

  MessageAnswer ShowMessage(WindowId, std::string_view text, std::string_view, MessageIcon,
                            MessageButtons) override {
    messages.emplace_back(text);
    return MessageAnswer::kOk;
  }
  std::optional<std::string> AskMasterPassword(WindowId) override {
    return Take(master_passwords, "master password prompt");
  }
  std::optional<std::string> SetUpMasterPassword(WindowId, std::string_view) override {
    ADD_FAILURE() << "unexpected master password set-up";
    return std::nullopt;
  }
  int SelectLogin(WindowId, LoginStore& store, const std::vector<int>& ids) override {
    select_offers.push_back(ids);
    int id = Take(selected_ids, "select login");
    if (id != -1) (void)store.Save();
    return id;
  }
  RememberAnswer RememberPassword(WindowId, RememberPasswordData& data) override {
    remember_shown.push_back(data);
    auto answer = Take(remember_answers, "remember password");
    return answer ? answer(data) : RememberAnswer::kNo;
  }
  void ShowLoginManager(WindowId, LoginStore&) override {}
  void ShowFormManager(WindowId, FormProfile&, FormProfile&) override {}

 private:
  template <typename T>
  static T Take(std::deque<T>& queue, const char* dialog) {
    if (queue.empty()) {
      ADD_FAILURE() << "unexpected " << dialog;
      return T{};
    }
    T answer = std::move(queue.front());
    queue.pop_front();
    return answer;
  }
};

inline RememberAnswer AnswerYes(RememberPasswordData&) { return RememberAnswer::kYes; }
inline RememberAnswer AnswerNo(RememberPasswordData&) { return RememberAnswer::kNo; }

class EngineTest : public ::testing::Test {
 protected:
  EngineTest() {
    CustomFields().Reset(), SharedNames().Reset();
    data_.logins.Save(folder_ + "/Password.dat");
    data_.rejected.Save(folder_ + "/Rejected.dat");
    data_.home.Save(folder_ + "/FormHome.dat");
    data_.work.Save(folder_ + "/FormWork.dat");
  }
  ~EngineTest() override { CustomFields().Reset(), SharedNames().Reset(); }

  // A stored login: a text field "user" and a password field "pass" in form form.
  int AddLogin(const std::string& site, const std::string& user, const std::string& password,
               bool automatic = true, const std::string& form = "") {
    auto record = std::make_unique<LoginRecord>();
    record->set_site(site);
    record->AddField("user", user, "text", form);
    record->AddField("pass", password, "password", form);
    record->set_fill_automatically(automatic ? 1 : 0);
    data_.logins.AddOrMerge(std::move(record));
    return data_.logins.GetAt(data_.logins.Count() - 1)->id();
  }

  testing::TempDir temp_;
  std::string folder_ = temp_.path();
  testing::ScopedEnv config_{"XDG_CONFIG_HOME", folder_ + "/config"};
  DataSet data_;
  ScriptedPrompts prompts_;
};

// The value of the first input named name in the form at form_index; "<missing>" without one.
inline std::string InputValue(PageBrowser& page, int form_index, const std::string& name) {
  auto forms = page.Document()->Forms();
  auto form = forms ? forms->At(form_index) : nullptr;
  std::string found = "<missing>";
  if (auto inputs = form ? form->Inputs() : nullptr) {
    ForEachByIndex(*inputs, [&](PageInput& input) {
      if (input.Name() == name && found == "<missing>") found = input.Value();
    });
  }
  return found;
}

}  // namespace zr

#endif  // ZRFORM_TESTS_FORMS_ENGINE_TEST_SUPPORT_H_
