// Shared pieces of the fill and capture tests: a data set in a temporary data
// folder, scripted prompts, and reading values back from a test page.
#ifndef ZRFORM_TESTS_FORMS_ENGINE_TEST_SUPPORT_H_
#define ZRFORM_TESTS_FORMS_ENGINE_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scripted_prompts.h"
#include "store/custom_field_list.h"
#include "store/data_set.h"
#include "test_page.h"
#include "tests/support/test_support.h"

namespace zr {

class EngineTest : public ::testing::Test {
 protected:
  EngineTest() {
    CustomFields().Reset(), SharedNames().Reset();
    data_.logins.Save(folder_ + "/Password.dat"), data_.rejected.Save(folder_ + "/Rejected.dat");
    data_.home.Save(folder_ + "/FormHome.dat"), data_.work.Save(folder_ + "/FormWork.dat");
  }
  ~EngineTest() override { CustomFields().Reset(), SharedNames().Reset(); }

  // A stored login: a text field "user" and a password field "pass" in form form.
  int AddLogin(const std::string& site, const std::string& user, const std::string& password,
               bool automatic = true, const std::string& form = "") {
    auto record = std::make_unique<LoginRecord>();
    record->set_site(site), record->set_fill_automatically(automatic ? 1 : 0);
    record->AddField("user", user, "text", form), record->AddField("pass", password, "password", form);
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
