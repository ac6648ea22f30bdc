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
  FakeInput(std::string type, std::string name)
      : s(std::make_shared<State>(State{type, name, "", nullptr})) {}
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
Own<Item> Fetch(const std::vector<Fake*>& items, size_t i) {
  return i < items.size() && items[i] ? std::make_unique<Fake>(*items[i]) : nullptr;
}
template <typename Item, typename Fake>
struct FakeCollection : PageCollection<Item> {
  std::vector<Fake*> items;
  std::optional<int> Length() override { return static_cast<int>(items.size()); }
  Own<Item> At(int i) override { return i < 0 ? nullptr : Fetch<Item>(items, i); }
  struct Enumerator : PageEnumerator<Item> {
    explicit Enumerator(std::vector<Fake*> all) : items(std::move(all)) {}
    std::vector<Fake*> items;
    size_t next = 0;
    PageNext<Item> Next() override { return {next < items.size(), Fetch<Item>(items, next++)}; }
  };
  Own<PageEnumerator<Item>> Enumerate() override { return std::make_unique<Enumerator>(items); }
};

struct FakeForm : PageForm {
  using Inputs_ = FakeCollection<PageInput, FakeInput>;
  Inputs_ inputs;
  PageText Name() override { return ""; }
  Own<PageCollection<PageInput>> Inputs() override { return std::make_unique<Inputs_>(inputs); }
  Own<PageCollection<PageTextArea>> TextAreas() override { return nullptr; }
  Own<PageCollection<PageSelect>> Selects() override { return nullptr; }
};

struct FakeDocument : PageDocument, PageBrowser {
  using Forms_ = FakeCollection<PageForm, FakeForm>;
  Forms_ forms;
  PageText Url() override { return "https://e.com/login"; }
  PageText Title() override { return "Fake"; }
  Own<PageCollection<PageForm>> Forms() override { return std::make_unique<Forms_>(forms); }
  Own<PageDocument> Document() override { return std::make_unique<FakeDocument>(*this); }
};

using PageFailuresTest = EngineTest;

TEST_F(PageFailuresTest, FailedFetchesArePassedOver) {
  FakeInput city("", "city");
  FakeForm form;
  form.inputs.items = {nullptr, &city};
  FakeDocument fake;
  fake.forms.items = {nullptr, &form};
  data_.work.Value(ProfileField::kCity) = "Lyon";
  TestPage page(fake);
  EXPECT_EQ(Fill(&page, 3, false, false), Outcome::kDone);
  EXPECT_EQ(city.s->value, "Lyon");
}

TEST_F(PageFailuresTest, RecordDeletedByAPageCallbackStillFillsWhatWasChosen) {
  // Two forms whose input names match no field, so the pair fill writes both.
  FakeInput user1("text", "u"), pass1("password", "p"), user2("text", "u"), pass2("password", "p");
  FakeForm form1, form2;
  form1.inputs.items = {&user1, &pass1}, form2.inputs.items = {&user2, &pass2};
  FakeDocument document;
  document.forms.items = {&form1, &form2};
  int id = AddLogin("e.com", "ann", "secret");
  pass1.s->on_put = [&] {
    data_.logins.Delete(id);
    // Records of the same shape take the freed memory if anything still pointed there.
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
