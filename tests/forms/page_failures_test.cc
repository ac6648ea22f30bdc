// Pages whose calls fail or run other calls, and pages of endless inputs. A
// form, collection or element that cannot be fetched is passed over; a
// record deleted by a page callback during the pair fill still fills what was
// chosen, from the fill's own copy; a capture keeps a bounded number of
// fields. The fake page is seen through the test backend, so the remote run
// sends each failure across the bus.
#include "engine_test_support.h"
#include "fake_page.h"
#include "forms/capture.h"
#include "forms/fill_in.h"

namespace zr {
namespace {

using PageFailuresTest = EngineTest;

TEST_F(PageFailuresTest, FailedFetchesArePassedOver) {
  FakeInput city("", "city", ""), user("text", "user", "ann"), password("password", "pw", "secret");
  FakeForm failing_form, form;
  failing_form.inputs_fail = true;
  form.inputs.items = {nullptr, &city, &user, &password};
  FakeDocument fake;
  fake.forms.items = {nullptr, &failing_form, &form};
  std::unique_ptr<PageBrowser> page = ViaTestBackend(fake);
  data_.work.Value(ProfileField::kCity) = "Lyon";
  EXPECT_EQ(FillInForm(data_, prompts_, 0, page.get(), 3, false, false), Outcome::kDone);
  EXPECT_EQ(city.value, "Lyon") << "the input after an unfetchable one";
  LoginRecord record;
  EXPECT_TRUE(CaptureLogin(*page->Document(), record, std::nullopt, false));
  EXPECT_EQ(record.FieldCount(), 3);
  // A collection without a length is walked as empty by index.
  form.inputs.length_fails = true;
  city.value = "";
  EXPECT_EQ(FillInForm(data_, prompts_, 0, page.get(), 3, false, false), Outcome::kDone);
  EXPECT_EQ(city.value, "");
  form.inputs.enumerator_fails = true;
  EXPECT_FALSE(CaptureLogin(*page->Document(), record, std::nullopt, true));
  fake.forms_fail = true;
  EXPECT_EQ(FillInForm(data_, prompts_, 0, page.get(), 1, true, false), Outcome::kDone)
      << "no password input is seen without forms";
}

TEST_F(PageFailuresTest, RecordDeletedByAPageCallbackStillFillsWhatWasChosen) {
  // Two forms whose input names match no field, so the pair fill writes both.
  FakeInput user1("text", "u", ""), pass1("password", "p", ""), user2("text", "u", ""),
      pass2("password", "p", "");
  FakeForm form1, form2;
  form1.inputs.items = {&user1, &pass1};
  form2.inputs.items = {&user2, &pass2};
  FakeDocument document;
  document.forms.items = {&form1, &form2};
  int id = AddLogin("e.com", "ann", "secret");
  pass1.on_put = [&] {
    data_.logins.Delete(id);
    // Records of the same shape take the freed memory if anything still pointed there.
    for (int i = 0; i < 8; ++i) AddLogin("x.org", "mallory" + std::to_string(i), "other");
  };
  std::unique_ptr<PageBrowser> browser = ViaTestBackend(document);
  EXPECT_EQ(FillInForm(data_, prompts_, 0, browser.get(), 1, false, true), Outcome::kDone);
  EXPECT_EQ(data_.logins.FindById(id), nullptr) << "the first form's password was written";
  EXPECT_EQ(user1.value + pass1.value + user2.value + pass2.value, "annsecretannsecret");
}

TEST_F(PageFailuresTest, CaptureOfManyInputsKeepsABoundedRecord) {
  constexpr int kInputs = 500;
  std::vector<std::unique_ptr<FakeInput>> inputs;
  FakeForm form;
  for (int i = 0; i < kInputs; ++i) {
    inputs.push_back(i == 2 || i == kInputs - 1
                         ? std::make_unique<FakeInput>("password", "pass" + std::to_string(i), "pw")
                         : std::make_unique<FakeInput>("text", "f" + std::to_string(i), "v"));
    form.inputs.items.push_back(inputs.back().get());
  }
  FakeDocument fake;
  fake.forms.items = {&form};
  std::unique_ptr<PageBrowser> page = ViaTestBackend(fake);
  // Detecting stops at the first password input and keeps nothing.
  LoginRecord record;
  EXPECT_TRUE(CaptureLogin(*page->Document(), record, std::nullopt, true));
  EXPECT_EQ(record.FieldCount(), 0);
  EXPECT_EQ(inputs[3]->reads, 0) << "nothing after the first password is read";
  ASSERT_TRUE(CaptureLogin(*page->Document(), record, std::nullopt, false));
  EXPECT_EQ(record.FieldCount(), kMaxCapturedFields);
  EXPECT_EQ(record.GetPassword(), "pw");
  EXPECT_EQ(record.FieldAt(0)->field_name, "f0") << "fields are kept in page order";
}

}  // namespace
}  // namespace zr
