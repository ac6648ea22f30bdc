// Pages whose fetches fail or whose writes run other calls. A form or input
// that cannot be fetched is passed over; a record deleted by a page callback
// during the pair fill still fills what was chosen, from the fill's own copy.
// The fake page is seen through the test backend, so the remote run sends
// each failure across the bus.
#include "engine_test_support.h"
#include "fake_page.h"
#include "forms/fill_in.h"

namespace zr {
namespace {

using PageFailuresTest = EngineTest;

TEST_F(PageFailuresTest, FailedFetchesArePassedOver) {
  FakeInput city("", "city");
  FakeForm form;
  form.inputs.items = {nullptr, &city};
  FakeDocument fake;
  fake.forms.items = {nullptr, &form};
  data_.work.Value(ProfileField::kCity) = "Lyon";
  EXPECT_EQ(FillInForm(data_, prompts_, 0, ViaTestBackend(fake).get(), 3, false, false), Outcome::kDone);
  EXPECT_EQ(city.s->value, "Lyon");
}

TEST_F(PageFailuresTest, RecordDeletedByAPageCallbackStillFillsWhatWasChosen) {
  // Two forms whose input names match no field, so the pair fill writes both.
  FakeInput user1("text", "u"), pass1("password", "p"), user2("text", "u"), pass2("password", "p");
  FakeForm form1, form2;
  form1.inputs.items = {&user1, &pass1};
  form2.inputs.items = {&user2, &pass2};
  FakeDocument document;
  document.forms.items = {&form1, &form2};
  int id = AddLogin("e.com", "ann", "secret");
  pass1.s->on_put = [&] {
    data_.logins.Delete(id);
    // Records of the same shape take the freed memory if anything still pointed there.
    for (int i = 0; i < 8; ++i) AddLogin("x.org", "mallory" + std::to_string(i), "other");
  };
  EXPECT_EQ(FillInForm(data_, prompts_, 0, ViaTestBackend(document).get(), 1, false, true), Outcome::kDone);
  EXPECT_EQ(data_.logins.FindById(id), nullptr) << "the first form's password was written";
  EXPECT_EQ(user1.s->value + pass1.s->value + user2.s->value + pass2.s->value, "annsecretannsecret");
}

}  // namespace
}  // namespace zr
