// In-memory pages whose fetches fail (passed over) or whose writes delete the record being filled
// (the fill goes on from its own copy), seen through the test page so the remote run has them too.
#include <functional>
#include <optional>

#include "engine_test_support.h"

namespace zr {
namespace {

template <typename T>
using Own = std::unique_ptr<T>;

// A fake's children as copies, by index and by enumerator; a null child fails to fetch.
template <typename Item, typename Node>
struct Children : PageCollection<Item>, PageEnumerator<Item> {
  explicit Children(std::vector<Node*> all) : items(std::move(all)) {}
  std::vector<Node*> items;
  int next = 0;
  std::optional<int> Length() override { return static_cast<int>(items.size()); }
  Own<Item> At(int i) override {
    const bool ok = i >= 0 && i < static_cast<int>(items.size()) && items[i];
    return ok ? std::make_unique<Node>(*items[i]) : nullptr;
  }
  PageNext<Item> Next() override { return {next < *Length(), At(next++)}; }
  Own<PageEnumerator<Item>> Enumerate() override { return std::make_unique<Children>(*this); }
};

// The page, a form or an input; copies share one state. on_put runs once after the next write,
// as a page may run other calls while it answers.
struct Fake : PageBrowser, PageDocument, PageForm, PageInput {
  struct State {
    std::string type, name, value;
    std::vector<Fake*> children;
    std::function<void()> on_put;
  };
  explicit Fake(std::string type, std::string name = "", std::vector<Fake*> children = {})
      : s(new State{type, name, "", children, nullptr}) {}
  std::shared_ptr<State> s;
  Own<PageDocument> Document() override { return std::make_unique<Fake>(*this); }
  PageText Url() override { return "https://e.com/login"; }
  PageText Title() override { return "Fake"; }
  Own<PageCollection<PageForm>> Forms() override {
    return std::make_unique<Children<PageForm, Fake>>(s->children);
  }
  PageText Name() override { return s->name; }
  Own<PageCollection<PageInput>> Inputs() override {
    return std::make_unique<Children<PageInput, Fake>>(s->children);
  }
  Own<PageCollection<PageTextArea>> TextAreas() override { return nullptr; }
  Own<PageCollection<PageSelect>> Selects() override { return nullptr; }
  PageText Type() override { return s->type; }
  PageText Value() override { return s->value; }
  std::optional<long> MaxLength() override { return std::nullopt; }
  bool PutValue(const PageText& text) override {
    s->value = text;
    if (auto hook = std::exchange(s->on_put, nullptr)) hook();
    return true;
  }
};

using PageFailuresTest = EngineTest;

TEST_F(PageFailuresTest, FailedFetchesArePassedOver) {
  Fake city("", "city"), form("form", "", {nullptr, &city}), page("page", "", {nullptr, &form});
  data_.work.Value(ProfileField::kCity) = "Lyon";
  TestPage test_page(page);
  EXPECT_EQ(Fill(&test_page, 3, false, false), Outcome::kDone);
  EXPECT_EQ(city.s->value, "Lyon");
}

// The pair fill writes both forms; records of the same shape take the freed memory.
TEST_F(PageFailuresTest, RecordDeletedByAPageCallbackStillFillsWhatWasChosen) {
  Fake user1("text", "u"), pass1("password", "p"), user2("text", "u"), pass2("password", "p");
  Fake form1("form", "", {&user1, &pass1}), form2("form", "", {&user2, &pass2});
  Fake page("page", "", {&form1, &form2});
  int id = AddLogin("e.com", "ann", "secret");
  pass1.s->on_put = [&] {
    data_.logins.Delete(id);
    for (int i = 0; i < 8; ++i) AddLogin("x.org", "mallory" + std::to_string(i), "other");
  };
  TestPage test_page(page);
  EXPECT_EQ(Fill(&test_page), Outcome::kDone);
  EXPECT_EQ(data_.logins.FindById(id), nullptr) << "the first form's password was written";
  EXPECT_EQ(user1.s->value + pass1.s->value + user2.s->value + pass2.s->value,
            "annsecretannsecret");
}

}  // namespace
}  // namespace zr
