// QtPrompts without a display: every question is answered as its Cancel
// would be, and each says why on standard error.
#include "ui/qt_prompts.h"

#include "ui_test_support.h"

namespace zr {
namespace {

TEST(QtPromptsTest, WithoutDisplayEveryDialogIsCancelled) {
  QtPrompts prompts(/*has_display=*/false);
  LoginStore store;
  const int id = AddRecord(store, "Mail", {});
  RememberPasswordData data;
  FormProfile home, work;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(prompts.ShowMessage(1, "t", "c", MessageIcon::kNone, MessageButtons::kYesNo), MessageAnswer::kNo);
  EXPECT_EQ(prompts.ShowMessage(1, "t", "c", MessageIcon::kNone, MessageButtons::kRetryCancel), MessageAnswer::kCancel);
  EXPECT_EQ(prompts.ShowMessage(1, "t", "c", MessageIcon::kStop, MessageButtons::kOk), MessageAnswer::kOk);
  EXPECT_EQ(prompts.AskMasterPassword(1), std::nullopt);
  EXPECT_EQ(prompts.SetUpMasterPassword(1, "x"), std::nullopt);
  EXPECT_EQ(prompts.SelectLogin(1, store, {id}), -1);
  EXPECT_EQ(prompts.RememberPassword(1, data), RememberAnswer::kNo);
  prompts.ShowLoginManager(1, store);
  prompts.ShowFormManager(1, home, work);
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 9) << said;
  for (const char* what : {"message box", "master password prompt", "master password set-up", "login selection",
                           "remember-password prompt", "Login Manager", "Form Manager"}) {
    EXPECT_NE(said.find(std::string("no display: ") + what), std::string::npos) << what;
  }
  EXPECT_FALSE(data.never_this_site);
}

}  // namespace
}  // namespace zr
