// Pages whose fetches fail or whose writes run other calls, on an in-memory page seen through
// the test page, so that the remote run sends each failure across the bus. A form or input that
// cannot be fetched is passed over; a record deleted by a page callback during the pair fill
// still fills what was chosen, from the fill's own copy.
#include <functional>
#include <optional>

#include "engine_test_support.h"

namespace zr {
namespace {

template <typename T>
using Own = std::unique_ptr<T>;

// Copies share one state, so the test keeps what the engine writes; on_put runs once, after the
// next write, as a page may run other calls while it answers.
struct FakeInput : PageInput {
  struct State {
    std::string type, name, value;
    std::function<void()> on_put;
  };
  FakeInput(std::string type, std::string name) : s(new State{type, name, "", nullptr}) {}
  std::shared_ptr<State> s;
  PageText Type() override { return s->type; }
  PageText Name() override { return s->name; }
  PageText Value() override { return s->value; }
  std::optional<long> MaxLength() override { return std::nullopt; }
  bool PutValue(const PageText& text) override {
    s->value = text;
    if (auto hook = std::exchange(s->on_put, nullptr)) hook();
    return true;
  }
};

// Items are handed out as copies, by index and by enumerator; a null item fails to fetch.
template <typename Item, typename Fake>
struct FakeList : PageCollection<Item>, PageEnumerator<Item> {
  std::vector<Fake*> items;
  int next = 0;
  std::optional<int> Length() override { return static_cast<int>(items.size()); }
  Own<Item> At(int i) override {
    const bool ok = i >= 0 && i < static_cast<int>(items.size()) && items[i];
    return ok ? std::make_unique<Fake>(*items[i]) : nullptr;
  }
  PageNext<Item> Next() override { return {next < *Length(), At(next++)}; }
  Own<PageEnumerator<Item>> Enumerate() override { return std::make_unique<FakeList>(*this); }
};

struct FakeForm : PageForm {
  FakeList<PageInput, FakeInput> inputs;
  PageText Name() override { return ""; }
  Own<PageCollection<PageInput>> Inputs() override {
    return std::make_unique<decltype(inputs)>(inputs);
  }
  Own<PageCollection<PageTextArea>> TextAreas() override { return nullptr; }
  Own<PageCollection<PageSelect>> Selects() override { return nullptr; }
};

struct FakeDocument : PageDocument, PageBrowser {
  FakeList<PageForm, FakeForm> forms;
  PageText Url() override { return "https://e.com/login"; }
  PageText Title() override { return "Fake"; }
  Own<PageCollection<PageForm>> Forms() override {
    return std::make_unique<decltype(forms)>(forms);
  }
  Own<PageDocument> Document() override { return std::make_unique<FakeDocument>(*this); }
};

using PageFailuresTest = EngineTest;

TEST_F(PageFailuresTest, FailedFetchesArePassedOver) {
  FakeInput city("", "city");
  FakeForm form;
  FakeDocument fake;
  form.inputs.items = {nullptr, &city}, fake.forms.items = {nullptr, &form};
  data_.work.Value(ProfileField::kCity) = "Lyon";
  TestPage page(fake);
  EXPECT_EQ(Fill(&page, 3, false, false), Outcome::kDone);
  EXPECT_EQ(city.s->value, "Lyon");
}

// Two forms whose input names match no field, so the pair fill writes both. Records of the same
// shape take the freed memory if anything still pointed there.
TEST_F(PageFailuresTest, RecordDeletedByAPageCallbackStillFillsWhatWasChosen) {
  FakeInput user1("text", "u"), pass1("password", "p"), user2("text", "u"), pass2("password", "p");
  FakeForm form1, form2;
  FakeDocument document;
  form1.inputs.items = {&user1, &pass1}, form2.inputs.items = {&user2, &pass2};
  document.forms.items = {&form1, &form2};
  int id = AddLogin("e.com", "ann", "secret");
  pass1.s->on_put = [&] {
    data_.logins.Delete(id);
    for (int i = 0; i < 8; ++i) AddLogin("x.org", "mallory" + std::to_string(i), "other");
  };
  TestPage page(document);
  EXPECT_EQ(Fill(&page), Outcome::kDone);
  EXPECT_EQ(data_.logins.FindById(id), nullptr) << "the first form's password was written";
  EXPECT_EQ(user1.s->value + pass1.s->value + user2.s->value + pass2.s->value,
            "annsecretannsecret");
}

}  // namespace
}  // namespace zr
