// QtPrompts: without a display every question is answered as its Cancel
// would be; with one, the toolbar helper's methods reach every window.
#include "ui/qt_prompts.h"

#include "resources/string_table.h"
#include "server/zr_bar_helper.h"
#include "ui_test_support.h"

namespace zr {
namespace {

TEST(QtPromptsTest, WithoutDisplayEveryDialogIsCancelled) {
  QtPrompts prompts(/*has_display=*/false);
  LoginStore store;
  RememberPasswordData data;
  FormProfile home, work;
  ::testing::internal::CaptureStderr();
  for (auto [buttons, answer] : {std::pair{MessageButtons::kYesNo, MessageAnswer::kNo},
                                 {MessageButtons::kRetryCancel, MessageAnswer::kCancel},
                                 {MessageButtons::kOk, MessageAnswer::kOk}})
    EXPECT_EQ(prompts.ShowMessage(1, "t", "c", MessageIcon::kNone, buttons), answer);
  EXPECT_EQ(prompts.AskMasterPassword(1), std::nullopt);
  EXPECT_EQ(prompts.SetUpMasterPassword(1, "x"), std::nullopt);
  EXPECT_EQ(prompts.SelectLogin(1, store, {AddRecord(store, "Mail", {})}), -1);
  EXPECT_EQ(prompts.RememberPassword(1, data), RememberAnswer::kNo);
  prompts.ShowLoginManager(1, store);
  prompts.ShowFormManager(1, home, work);
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 9) << "one notice a call: " << said;
}

// Each window is closed as Cancel, a message box with OK.
TEST(ReachableTest, ManagersArePassedThroughTheMasterPasswordGate) {
  FormSheetTest::Reset();
  testing::TempDir folder;
  QtPrompts prompts(/*has_display=*/true);
  ZRBarHelper helper(prompts);
  helper.SetUp(folder.path());
  ModalDriver driver;
  QStringList seen;
  for (int i = 0; i < 4; ++i) {
    driver.Then([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      seen << modal->metaObject()->className() + (box ? ":" + box->text() : "");
      box ? box->accept() : static_cast<QDialog*>(modal)->reject();
    });
  }
  EXPECT_EQ(helper.PasswordManager(0), kS_OK);
  EXPECT_EQ(helper.FormManager(0), kS_OK);
  EXPECT_EQ(seen.join(","),
            "zr::MasterPasswordSetup,QMessageBox:" +
                QString::fromStdString(std::string(LoadString(kIdsNoMasterPassword))) +
                ",zr::LoginManagerDialog,zr::FormManagerSheet");
  EXPECT_TRUE(driver.unexpected.empty());
  FormSheetTest::Reset();
}

}  // namespace
}  // namespace zr
