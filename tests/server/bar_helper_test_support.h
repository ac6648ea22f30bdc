// Helpers for the toolbar helper tests: a server "process" with its own data
// and configuration folders, the test pages, and reading a page back.
#ifndef ZRFORM_TESTS_SERVER_BAR_HELPER_TEST_SUPPORT_H_
#define ZRFORM_TESTS_SERVER_BAR_HELPER_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/data_folder.h"
#include "pages/html_page.h"
#include "server/zr_bar_helper.h"
#include "store/custom_field_list.h"
#include "store/form_profile.h"
#include "store/login_store.h"
#include "tests/forms/scripted_prompts.h"
#include "tests/support/test_support.h"

namespace zr {

inline constexpr WindowId kToolbarWindow = 0x3a0001;
inline constexpr int kPassword = 1, kHome = 2, kWork = 3;

inline std::string PagePath(const std::string& name) {
  return std::string(ZR_SERVER_PAGES_DIR) + "/" + name;
}

// A test page from tests/server/pages, shown at url.
inline std::unique_ptr<HtmlPage> LoadPage(const std::string& name, const std::string& url) {
  std::unique_ptr<HtmlPage> page = HtmlPage::Open(PagePath(name), url);
  EXPECT_NE(page, nullptr) << name;
  return page;
}

inline std::unique_ptr<PageForm> FormAt(PageBrowser& page, int index) {
  auto forms = page.Document()->Forms();
  return forms ? forms->At(index) : nullptr;
}

// The first input named name in the form at index, or null.
inline std::unique_ptr<PageInput> InputNamed(PageBrowser& page, int form, const std::string& name) {
  std::unique_ptr<PageForm> found_form = FormAt(page, form);
  auto inputs = found_form ? found_form->Inputs() : nullptr;
  if (!inputs) return nullptr;
  for (int i = 0; i < inputs->Length().value_or(0); ++i) {
    if (auto input = inputs->At(i); input && input->Name() == name) return input;
  }
  return nullptr;
}

// What the user types into an input.
inline void Type(PageBrowser& page, int form, const std::string& name, const std::string& text) {
  std::unique_ptr<PageInput> input = InputNamed(page, form, name);
  ASSERT_NE(input, nullptr) << name;
  input->PutValue(text);
}

inline std::string ValueOf(PageBrowser& page, int form, const std::string& name) {
  std::unique_ptr<PageInput> input = InputNamed(page, form, name);
  return input ? input->Value() : "<missing>";
}

// The page as a browser would load its serialized HTML again.
inline std::unique_ptr<HtmlPage> Reparsed(const HtmlPage& page) {
  return HtmlPage::FromString(page.Serialize(), page.Url());
}

// Each test is a fresh user: its own XDG folders, no process-wide fields
// left from another test, and one ZRBarHelper set up as the server does.
class BarHelperTest : public ::testing::Test {
 protected:
  BarHelperTest()
      : data_home_("XDG_DATA_HOME", root_.path() + "/data"),
        config_home_("XDG_CONFIG_HOME", root_.path() + "/config") {
    Restart();
  }
  ~BarHelperTest() override {
    helper_.reset();
    ResetProcessState();
  }

  static void ResetProcessState() {
    CustomFields().Reset();
    SharedNames().Reset();
  }
  // A new server process: process-wide fields forgotten, a new object set up
  // from the data files and the registry.
  void Restart() {
    ResetProcessState();
    helper_ = std::make_unique<ZRBarHelper>(prompts_);
    helper_->SetUp(FindDataFolder());
  }
  // Another user: no data files, no registry, then a new server process.
  void NewUser() {
    helper_.reset();
    std::filesystem::remove_all(root_.path() + "/data");
    std::filesystem::remove_all(root_.path() + "/config");
    prompts_ = ScriptedPrompts();
    Restart();
  }
  std::string DataFile(const std::string& name) const { return FindDataFolder() + "/" + name; }
  // "Password.dat" as a store that was never in memory before.
  std::unique_ptr<LoginStore> LoginsOnDisk() const {
    auto store = std::make_unique<LoginStore>();
    EXPECT_TRUE(store->Load(DataFile(kPasswordFileName)));
    return store;
  }

  testing::TempDir root_;
  testing::ScopedEnv data_home_;
  testing::ScopedEnv config_home_;
  ScriptedPrompts prompts_;
  std::unique_ptr<ZRBarHelper> helper_;
};

}  // namespace zr

#endif  // ZRFORM_TESTS_SERVER_BAR_HELPER_TEST_SUPPORT_H_
