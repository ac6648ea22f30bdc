// Prompts with scripted answers for tests: each dialog takes the next answer of its queue (a
// dialog without one fails the test) and records what it was shown.
#ifndef ZRFORM_TESTS_FORMS_SCRIPTED_PROMPTS_H_
#define ZRFORM_TESTS_FORMS_SCRIPTED_PROMPTS_H_

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "forms/prompts.h"
#include "store/login_store.h"

namespace zr {

struct ShownMessage {
  std::string text, caption;
  MessageIcon icon;
  MessageButtons buttons;
};

class ScriptedPrompts : public Prompts {
 public:
  std::deque<std::optional<std::string>> master_passwords, master_password_setups;
  std::deque<int> selected_ids;
  // Called with the prompt's data, to change it as a user would; returns the button.
  std::deque<std::function<RememberAnswer(RememberPasswordData&)>> remember_answers;
  std::vector<ShownMessage> messages;
  std::vector<std::vector<int>> select_offers;
  std::vector<RememberPasswordData> remember_shown;
  int master_password_prompts = 0, login_managers = 0, form_managers = 0;

  MessageAnswer ShowMessage(WindowId, std::string_view text, std::string_view caption,
                            MessageIcon icon, MessageButtons buttons) override {
    return messages.push_back({std::string(text), std::string(caption), icon, buttons}),
           MessageAnswer::kOk;
  }
  std::optional<std::string> AskMasterPassword(WindowId) override {
    return ++master_password_prompts, Take(master_passwords, "master password prompt");
  }
  std::optional<std::string> SetUpMasterPassword(WindowId, std::string_view) override {
    return Take(master_password_setups, "master password set-up");
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
  void ShowLoginManager(WindowId, LoginStore&) override { ++login_managers; }
  void ShowFormManager(WindowId, FormProfile&, FormProfile&) override { ++form_managers; }

 private:
  template <typename T>
  static T Take(std::deque<T>& queue, const char* dialog) {
    if (queue.empty()) return ADD_FAILURE() << "unexpected " << dialog, T{};
    T answer = std::move(queue.front());
    return queue.pop_front(), answer;
  }
};

inline RememberAnswer AnswerYes(RememberPasswordData&) { return RememberAnswer::kYes; }
inline RememberAnswer AnswerNo(RememberPasswordData&) { return RememberAnswer::kNo; }

}  // namespace zr

#endif  // ZRFORM_TESTS_FORMS_SCRIPTED_PROMPTS_H_
