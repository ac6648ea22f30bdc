// Pages whose calls fail: a form, collection or element that cannot be
// fetched is passed over and the walk goes on with the next one. The fake
// page is seen through the test backend, so the remote run sends each
// failure across the bus.
#include "engine_test_support.h"
#include "fake_page.h"
#include "forms/capture.h"
#include "forms/fill_in.h"

namespace zr {
namespace {

using PageFailuresTest = EngineTest;

TEST_F(PageFailuresTest, FailedFetchesArePassedOver) {
  FakeInput city("", "city", "");
  FakeInput user("text", "user", "ann");
  FakeInput password("password", "pw", "secret");
  FakeForm failing_form;
  failing_form.inputs_fail = true;
  FakeForm form;
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

  // A collection whose length cannot be read is walked as empty by index;
  // the enumerator walk is not affected.
  form.inputs.length_fails = true;
  city.value = "";
  EXPECT_EQ(FillInForm(data_, prompts_, 0, page.get(), 3, false, false), Outcome::kDone);
  EXPECT_EQ(city.value, "");
  form.inputs.enumerator_fails = true;
  LoginRecord none;
  EXPECT_FALSE(CaptureLogin(*page->Document(), none, std::nullopt, true));

  // No form collection: nothing to fill.
  fake.forms_fail = true;
  EXPECT_EQ(FillInForm(data_, prompts_, 0, page.get(), 2, true, false), Outcome::kDone);
  EXPECT_EQ(FillInForm(data_, prompts_, 0, page.get(), 1, true, false), Outcome::kDone)
      << "no password input is seen without forms";
}

}  // namespace
}  // namespace zr
