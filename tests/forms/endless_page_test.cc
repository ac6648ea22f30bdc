// Pages with a very large number of inputs: the password check before a fill
// stops at the first password input and keeps nothing, and a capture keeps a
// bounded number of fields however many inputs the page holds.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "fake_page.h"
#include "forms/capture.h"
#include "store/login_record.h"

namespace zr {
namespace {

constexpr int kInputs = 100000;

// An input that counts every call the engine makes on it.
struct CountedInput : FakeInput {
  CountedInput(std::string t, std::string n, std::string v, long* c)
      : FakeInput(std::move(t), std::move(n), std::move(v)), calls(c) {}
  long* calls;
  PageText Type() override {
    ++*calls;
    return FakeInput::Type();
  }
  PageText Name() override {
    ++*calls;
    return FakeInput::Name();
  }
  PageText Value() override {
    ++*calls;
    return FakeInput::Value();
  }
};

// One form: a filled password input at password_at among kInputs filled text
// inputs of distinct names.
class EndlessPage {
 public:
  explicit EndlessPage(int password_at) {
    for (int i = 0; i < kInputs; ++i) {
      if (i == password_at) {
        inputs_.push_back(std::make_unique<CountedInput>("password", "pass", "pw", &calls));
      } else {
        inputs_.push_back(
            std::make_unique<CountedInput>("text", "f" + std::to_string(i), "v", &calls));
      }
      form_.inputs.items.push_back(inputs_.back().get());
    }
    document.forms.items.push_back(&form_);
  }
  FakeDocument document;
  long calls = 0;

 private:
  FakeForm form_;
  std::vector<std::unique_ptr<CountedInput>> inputs_;
};

TEST(EndlessPageTest, DetectStopsAtTheFirstPasswordInputAndKeepsNothing) {
  EndlessPage page(2);
  LoginRecord record;
  EXPECT_TRUE(CaptureLogin(page.document, record, std::nullopt, true));
  EXPECT_EQ(record.FieldCount(), 0);
  // Three inputs, each asked at most its type.
  EXPECT_LE(page.calls, 3);

  EndlessPage without_password(-1);
  EXPECT_FALSE(CaptureLogin(without_password.document, record, std::nullopt, true));
  EXPECT_EQ(record.FieldCount(), 0);
  EXPECT_LE(without_password.calls, kInputs) << "only the type of each input is read";
}

TEST(EndlessPageTest, CaptureKeepsABoundedNumberOfFields) {
  // The password comes last, after far more filled inputs than a record holds.
  EndlessPage page(kInputs - 1);
  LoginRecord record;
  ASSERT_TRUE(CaptureLogin(page.document, record, std::nullopt, false));
  EXPECT_LE(record.FieldCount(), kMaxCapturedFields + 1);
  EXPECT_EQ(record.GetPassword(), "pw") << "the password is kept past the bound";
  EXPECT_EQ(record.FieldAt(0)->field_name, "f0") << "fields are kept in page order";
  EXPECT_LE(page.calls, 3L * kInputs) << "each input is read once";
}

}  // namespace
}  // namespace zr
