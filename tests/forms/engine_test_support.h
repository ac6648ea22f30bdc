// Shared pieces of the fill and capture tests: a data set in a temporary data
// folder, scripted prompts, test pages, and reading values back from them.
#ifndef ZRFORM_TESTS_FORMS_ENGINE_TEST_SUPPORT_H_
#define ZRFORM_TESTS_FORMS_ENGINE_TEST_SUPPORT_H_

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "scripted_prompts.h"
#include "store/custom_field_list.h"
#include "store/data_set.h"
#include "test_page.h"

namespace zr {

class EngineTest : public ::testing::Test {
 protected:
  EngineTest() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zrengineXXXXXX").string();
    folder_ = ::mkdtemp(pattern.data());
    old_config_ = Get("XDG_CONFIG_HOME");
    ::setenv("XDG_CONFIG_HOME", (folder_ + "/config").c_str(), 1);
    CustomFields().Reset();
    SharedNames().Reset();
    data_.logins.Save(folder_ + "/Password.dat");
    data_.rejected.Save(folder_ + "/Rejected.dat");
    data_.home.Save(folder_ + "/FormHome.dat");
    data_.work.Save(folder_ + "/FormWork.dat");
  }
  ~EngineTest() override {
    if (old_config_) {
      ::setenv("XDG_CONFIG_HOME", old_config_->c_str(), 1);
    } else {
      ::unsetenv("XDG_CONFIG_HOME");
    }
    std::filesystem::remove_all(folder_);
    CustomFields().Reset();
    SharedNames().Reset();
  }
  static std::optional<std::string> Get(const char* name) {
    const char* value = ::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
  }

  // A stored login of a user name "user" and a password "pass" in form form.
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

  std::string folder_;
  std::optional<std::string> old_config_;
  DataSet data_;
  ScriptedPrompts prompts_;
};

// The value of the input named name in the form at form_index, or of a text
// area's text when there is no such input; "<missing>" when there is neither.
inline std::string InputValue(PageBrowser& page, int form_index, const std::string& name) {
  auto forms = page.Document()->Forms();
  auto form = forms ? forms->At(form_index) : nullptr;
  if (!form) return "<missing>";
  std::string found = "<missing>";
  ForEachByIndex(*form->Inputs(), [&](PageInput& input) {
    if (input.Name() == name && found == "<missing>") found = input.Value();
  });
  return found;
}

}  // namespace zr

#endif  // ZRFORM_TESTS_FORMS_ENGINE_TEST_SUPPORT_H_
