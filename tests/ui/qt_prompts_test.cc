// QtPrompts without a display: every question is answered as its Cancel would be. The windows
// with a display are driven by the desktop flow tests.
#include "ui/qt_prompts.h"

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

}  // namespace
}  // namespace zr
