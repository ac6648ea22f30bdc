// An in-memory page for the engine tests whose parts can be made to fail
// (fetches that give null, collections without a length or an enumerator)
// and whose inputs count their reads and run a hook when written, as a page
// may run other calls while it answers. The engine gets views of the inputs
// and copies of the forms and documents, so the test keeps the originals.
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
  FakeInput(std::string t, std::string n, std::string v)
      : type(std::move(t)), name(std::move(n)), value(std::move(v)) {}
  std::string type, name, value;
  long reads = 0;                // of type, name and value
  std::function<void()> on_put;  // once, after the next write
  PageText Type() override { return ++reads, type; }
  PageText Name() override { return ++reads, name; }
  PageText Value() override { return ++reads, value; }
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

// Items are handed out as Handle(item): a view or a copy.
template <typename Item, typename Fake, typename Handle>
struct FakeCollection : PageCollection<Item> {
  std::vector<Fake*> items;  // null: a fetch that fails
  bool length_fails = false;
  bool enumerator_fails = false;
  std::optional<int> Length() override {
    return length_fails ? std::nullopt : std::optional<int>(static_cast<int>(items.size()));
  }
  std::unique_ptr<Item> At(int index) override {
    if (index < 0 || index >= static_cast<int>(items.size()) || !items[index]) return nullptr;
    return std::make_unique<Handle>(*items[index]);
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
    if (enumerator_fails) return nullptr;
    auto enumerator = std::make_unique<Enumerator>();
    enumerator->items = items;
    return enumerator;
  }
};

struct FakeForm : PageForm {
  std::string name;
  FakeCollection<PageInput, FakeInput, InputView> inputs;
  bool inputs_fail = false;
  PageText Name() override { return name; }
  std::unique_ptr<PageCollection<PageInput>> Inputs() override {
    return inputs_fail ? nullptr : std::make_unique<decltype(inputs)>(inputs);
  }
  std::unique_ptr<PageCollection<PageTextArea>> TextAreas() override { return nullptr; }
  std::unique_ptr<PageCollection<PageSelect>> Selects() override { return nullptr; }
};

// A document that is its own browser.
struct FakeDocument : PageDocument, PageBrowser {
  std::string url = "https://e.com/login";
  FakeCollection<PageForm, FakeForm, FakeForm> forms;
  bool forms_fail = false;
  PageText Url() override { return url; }
  PageText Title() override { return "Fake"; }
  std::unique_ptr<PageCollection<PageForm>> Forms() override {
    return forms_fail ? nullptr : std::make_unique<decltype(forms)>(forms);
  }
  std::unique_ptr<PageDocument> Document() override { return std::make_unique<FakeDocument>(*this); }
};

}  // namespace zr

#endif  // ZRFORM_TESTS_FORMS_FAKE_PAGE_H_
