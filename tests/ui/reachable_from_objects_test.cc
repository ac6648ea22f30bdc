// The toolbar helper's methods reach every window when it runs with the Qt
// prompts: the master-password set-up and its warning before the Login
// Manager, then the Form Manager (both save into a folder of their own).
#include "server/zr_bar_helper.h"
#include "ui/qt_prompts.h"
#include "ui_test_support.h"

namespace zr {
namespace {

TEST(ReachableTest, ManagersArePassedThroughTheMasterPasswordGate) {
  FormSheetTest::Reset();
  testing::TempDir folder;
  QtPrompts prompts(/*has_display=*/true);
  ZRBarHelper helper(prompts);
  helper.SetUp(folder.path());
  ModalDriver driver;
  QStringList seen;
  for (int i = 0; i < 4; ++i) {
    driver.Then([&](QWidget* modal) {  // closed as Cancel, a message box with OK
      seen << modal->metaObject()->className();
      if (auto* box = qobject_cast<QMessageBox*>(modal))
        return seen.back() += box->text(), box->accept();
      static_cast<QDialog*>(modal)->reject();
    });
  }
  EXPECT_EQ(helper.PasswordManager(0), kS_OK);
  EXPECT_EQ(helper.FormManager(0), kS_OK);
  ASSERT_EQ(seen.size(), 4);
  EXPECT_EQ(seen[0] + seen[2] + seen[3],
            "zr::MasterPasswordSetupzr::LoginManagerDialogzr::FormManagerSheet");
  EXPECT_TRUE(seen[1].startsWith("QMessageBoxYou did not set your master password."))
      << seen[1].toStdString();
  EXPECT_TRUE(driver.unexpected.empty());
  FormSheetTest::Reset();
}

}  // namespace
}  // namespace zr
