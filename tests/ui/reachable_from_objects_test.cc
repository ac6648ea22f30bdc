// The toolbar helper's methods reach every window when it runs with the Qt
// prompts: the master-password gate before the Login Manager, then the Form
// Manager (both save into a folder of their own when they close).
#include "server/zr_bar_helper.h"
#include "ui/qt_prompts.h"
#include "ui_test_support.h"

namespace zr {
namespace {

TEST(ReachableTest, ManagersArePassedThroughTheMasterPasswordGate) {
  CustomFields().Reset();
  SharedNames().Reset();
  testing::TempDir folder;
  QtPrompts prompts(/*has_display=*/true);
  ZRBarHelper helper(prompts);
  helper.SetUp(folder.path());
  ModalDriver driver;
  std::vector<std::string> seen;
  for (int i = 0; i < 4; ++i) {
    driver.Then([&](QWidget* modal) {  // each window closed as Cancel (or a box's OK) would
      seen.push_back(modal->metaObject()->className());
      auto* box = qobject_cast<QMessageBox*>(modal);
      if (!box) return static_cast<QDialog*>(modal)->reject();
      seen.back() += ": " + box->text().toStdString();
      box->button(box->standardButtons() & QMessageBox::Ok ? QMessageBox::Ok : QMessageBox::Cancel)->click();
    });
  }
  EXPECT_EQ(helper.PasswordManager(0), kS_OK);
  EXPECT_EQ(helper.FormManager(0), kS_OK);
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0], "zr::MasterPasswordSetup");
  EXPECT_TRUE(seen[1].starts_with("QMessageBox: You did not set your master password.")) << seen[1];
  EXPECT_EQ(seen[2], "zr::LoginManagerDialog");
  EXPECT_EQ(seen[3], "zr::FormManagerSheet");
  EXPECT_TRUE(driver.unexpected.empty());
  CustomFields().Reset();
  SharedNames().Reset();
}

}  // namespace
}  // namespace zr
