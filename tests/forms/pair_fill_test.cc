// The pair fill while the chosen record goes away: each page call may run
// other calls (the Login Manager among them), and a page whose callback
// deletes the record must still get what was chosen, from the fill's own copy.
#include <functional>

#include "engine_test_support.h"
#include "fake_page.h"
#include "forms/fill_in.h"

namespace zr {
namespace {

// An input whose write runs a hook once, as a page would run other calls
// while it answers.
struct HookedInput : FakeInput {
  using FakeInput::FakeInput;
  std::function<void()> on_put;
  bool PutValue(const PageText& text) override {
    FakeInput::PutValue(text);
    if (auto hook = std::exchange(on_put, nullptr)) hook();
    return true;
  }
};

using PairFillTest = EngineTest;

TEST_F(PairFillTest, RecordDeletedByAPageCallbackStillFillsWhatWasChosen) {
  // Two forms whose input names match no field, so the pair fill writes both.
  HookedInput user1("text", "u", ""), pass1("password", "p", "");
  HookedInput user2("text", "u", ""), pass2("password", "p", "");
  FakeForm form1, form2;
  form1.inputs.items = {&user1, &pass1};
  form2.inputs.items = {&user2, &pass2};
  FakeDocument document;
  document.url = "https://e.com/login";
  document.forms.items = {&form1, &form2};

  int id = AddLogin("e.com", "ann", "secret");
  bool deleted = false;
  pass1.on_put = [&] {
    data_.logins.Delete(id);
    deleted = true;
    // New records of the same shape take the freed memory if anything still
    // pointed at the deleted one.
    for (int i = 0; i < 8; ++i) AddLogin("x.org", "mallory" + std::to_string(i), "other");
  };

  std::unique_ptr<PageBrowser> browser = ViaTestBackend(document);
  EXPECT_EQ(FillInForm(data_, prompts_, 0, browser.get(), 1, false, true), Outcome::kDone);
  ASSERT_TRUE(deleted) << "the first form's password was written";
  EXPECT_EQ(data_.logins.FindById(id), nullptr);
  EXPECT_EQ(user1.value, "ann");
  EXPECT_EQ(pass1.value, "secret");
  EXPECT_EQ(user2.value, "ann");
  EXPECT_EQ(pass2.value, "secret");
}

}  // namespace
}  // namespace zr
