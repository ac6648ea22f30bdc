// An in-memory page for the engine tests: fetches of null items fail, and an
// input may run a hook when written, as a page may run other calls while it answers.
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

// Copies share one state, so the test keeps what the engine writes.
struct FakeInput : PageInput {
  struct State {
    std::string type, name, value;
    std::function<void()> on_put;  // once, after the next write
  };
  FakeInput(std::string type, std::string name) : s(std::make_shared<State>(State{type, name, "", nullptr})) {}
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

// Items are handed out as copies; a null item fails to fetch.
template <typename Item, typename Fake>
struct FakeCollection : PageCollection<Item> {
  std::vector<Fake*> items;
  std::optional<int> Length() override { return static_cast<int>(items.size()); }
  std::unique_ptr<Item> At(int i) override {
    if (i < 0 || i >= static_cast<int>(items.size()) || !items[i]) return nullptr;
    return std::make_unique<Fake>(*items[i]);
  }
  struct Enumerator : PageEnumerator<Item> {
    std::vector<Fake*> items;
    size_t next = 0;
    PageNext<Item> Next() override {
      if (next >= items.size()) return {};
      Fake* item = items[next++];
      return {true, item ? std::make_unique<Fake>(*item) : nullptr};
    }
  };
  std::unique_ptr<PageEnumerator<Item>> Enumerate() override {
    auto enumerator = std::make_unique<Enumerator>();
    enumerator->items = items;
    return enumerator;
  }
};

struct FakeForm : PageForm {
  FakeCollection<PageInput, FakeInput> inputs;
  PageText Name() override { return ""; }
  std::unique_ptr<PageCollection<PageInput>> Inputs() override {
    return std::make_unique<decltype(inputs)>(inputs);
  }
  std::unique_ptr<PageCollection<PageTextArea>> TextAreas() override { return nullptr; }
  std::unique_ptr<PageCollection<PageSelect>> Selects() override { return nullptr; }
};

// A document that is its own browser.
struct FakeDocument : PageDocument, PageBrowser {
  FakeCollection<PageForm, FakeForm> forms;
  PageText Url() override { return "https://e.com/login"; }
  PageText Title() override { return "Fake"; }
  std::unique_ptr<PageCollection<PageForm>> Forms() override {
    return std::make_unique<decltype(forms)>(forms);
  }
  std::unique_ptr<PageDocument> Document() override { return std::make_unique<FakeDocument>(*this); }
};

}  // namespace zr

#endif  // ZRFORM_TESTS_FORMS_FAKE_PAGE_H_
