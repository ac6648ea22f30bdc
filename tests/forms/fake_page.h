// An in-memory page for the engine tests: fetches of null items fail, and an
// input may run a hook when written, as a page may run other calls while it
// answers. The engine gets views of the inputs and copies of the forms and
// documents, so the test keeps the originals.
#ifndef ZRFORM_TESTS_FORMS_FAKE_PAGE_H_
#define ZRFORM_TESTS_FORMS_FAKE_PAGE_H_

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "forms/page_forms.h"

namespace zr {

struct FakeInput : PageInput {
  FakeInput(std::string t, std::string n) : type(std::move(t)), name(std::move(n)) {}
  std::string type, name, value;
  std::function<void()> on_put;  // once, after the next write
  PageText Type() override { return type; }
  PageText Name() override { return name; }
  PageText Value() override { return value; }
  std::optional<long> MaxLength() override { return std::nullopt; }
  bool PutValue(const PageText& text) override {
    value = text;
    if (auto hook = std::exchange(on_put, nullptr)) hook();
    return true;
  }
};

struct InputView : PageInput {
  explicit InputView(FakeInput& i) : input(i) {}
  FakeInput& input;
  PageText Type() override { return input.Type(); }
  PageText Name() override { return input.Name(); }
  PageText Value() override { return input.Value(); }
  std::optional<long> MaxLength() override { return std::nullopt; }
  bool PutValue(const PageText& text) override { return input.PutValue(text); }
};

// Items are handed out as Handle(item), a view or a copy; a null item fails to fetch.
template <typename Item, typename Fake, typename Handle>
struct FakeCollection : PageCollection<Item> {
  std::vector<Fake*> items;
  std::optional<int> Length() override { return static_cast<int>(items.size()); }
  std::unique_ptr<Item> At(int i) override {
    if (i < 0 || i >= static_cast<int>(items.size()) || !items[i]) return nullptr;
    return std::make_unique<Handle>(*items[i]);
  }
  struct Enumerator : PageEnumerator<Item> {
    std::vector<Fake*> items;
    size_t next = 0;
    PageNext<Item> Next() override {
      if (next >= items.size()) return {};
      Fake* item = items[next++];
      return {true, item ? std::make_unique<Handle>(*item) : nullptr};
    }
  };
  std::unique_ptr<PageEnumerator<Item>> Enumerate() override {
    auto enumerator = std::make_unique<Enumerator>();
    enumerator->items = items;
    return enumerator;
  }
};

struct FakeForm : PageForm {
  FakeCollection<PageInput, FakeInput, InputView> inputs;
  PageText Name() override { return ""; }
  std::unique_ptr<PageCollection<PageInput>> Inputs() override {
    return std::make_unique<decltype(inputs)>(inputs);
  }
  std::unique_ptr<PageCollection<PageTextArea>> TextAreas() override { return nullptr; }
  std::unique_ptr<PageCollection<PageSelect>> Selects() override { return nullptr; }
};

// A document that is its own browser.
struct FakeDocument : PageDocument, PageBrowser {
  FakeCollection<PageForm, FakeForm, FakeForm> forms;
  PageText Url() override { return "https://e.com/login"; }
  PageText Title() override { return "Fake"; }
  std::unique_ptr<PageCollection<PageForm>> Forms() override {
    return std::make_unique<decltype(forms)>(forms);
  }
  std::unique_ptr<PageDocument> Document() override { return std::make_unique<FakeDocument>(*this); }
};

}  // namespace zr

#endif  // ZRFORM_TESTS_FORMS_FAKE_PAGE_H_
