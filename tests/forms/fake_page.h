// An in-memory page for the engine tests whose parts can be made to fail
// (fetches that give null, collections without a length or an enumerator)
// and whose inputs run hooks when they are read or written, as a page may
// run other calls while it answers. The engine gets views that forward to the
// fake's objects, so the test keeps them.
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
  long reads = 0;                 // of type, name and value
  std::function<void()> on_read;  // before each read of the value
  std::function<void()> on_put;   // once, after the next write
  PageText Type() override { return ++reads, type; }
  PageText Name() override { return ++reads, name; }
  PageText Value() override {
    ++reads;
    if (on_read) on_read();
    return value;
  }
  std::optional<long> MaxLength() override { return std::nullopt; }
  bool PutValue(const PageText& text) override {
    value = text;
    if (auto hook = std::exchange(on_put, nullptr)) hook();
    return true;
  }
};

struct InputView : PageInput {
  explicit InputView(PageInput* i) : input(i) {}
  PageInput* input;
  PageText Type() override { return input->Type(); }
  PageText Name() override { return input->Name(); }
  PageText Value() override { return input->Value(); }
  std::optional<long> MaxLength() override { return input->MaxLength(); }
  bool PutValue(const PageText& text) override { return input->PutValue(text); }
};


template <typename Item, typename View>
struct FakeCollection : PageCollection<Item> {
  std::vector<Item*> items;  // null: a fetch that fails
  bool length_fails = false;
  bool enumerator_fails = false;
  std::optional<int> Length() override {
    return length_fails ? std::nullopt : std::optional<int>(static_cast<int>(items.size()));
  }
  std::unique_ptr<Item> At(int index) override {
    if (index < 0 || index >= static_cast<int>(items.size()) || !items[index]) return nullptr;
    return std::make_unique<View>(items[index]);
  }
  struct Enumerator : PageEnumerator<Item> {
    explicit Enumerator(FakeCollection* c) : collection(c) {}
    FakeCollection* collection;
    size_t next = 0;
    PageNext<Item> Next() override {
      if (next >= collection->items.size()) return {};
      Item* item = collection->items[next++];
      return {true, item ? std::make_unique<View>(item) : nullptr};
    }
  };
  std::unique_ptr<PageEnumerator<Item>> Enumerate() override {
    if (enumerator_fails) return nullptr;
    return std::make_unique<Enumerator>(this);
  }
};

// Hands out a view of a collection it keeps.
template <typename Collection, typename Item>
struct CollectionView : PageCollection<Item> {
  explicit CollectionView(Collection* c) : collection(c) {}
  Collection* collection;
  std::optional<int> Length() override { return collection->Length(); }
  std::unique_ptr<Item> At(int index) override { return collection->At(index); }
  std::unique_ptr<PageEnumerator<Item>> Enumerate() override { return collection->Enumerate(); }
};

struct FakeForm : PageForm {
  std::string name;
  FakeCollection<PageInput, InputView> inputs;
  bool inputs_fail = false;
  PageText Name() override { return name; }
  std::unique_ptr<PageCollection<PageInput>> Inputs() override {
    if (inputs_fail) return nullptr;
    return std::make_unique<CollectionView<decltype(inputs), PageInput>>(&inputs);
  }
  std::unique_ptr<PageCollection<PageTextArea>> TextAreas() override { return nullptr; }
  std::unique_ptr<PageCollection<PageSelect>> Selects() override { return nullptr; }
};

struct FormView : PageForm {
  explicit FormView(PageForm* f) : form(f) {}
  PageForm* form;
  PageText Name() override { return form->Name(); }
  std::unique_ptr<PageCollection<PageInput>> Inputs() override { return form->Inputs(); }
  std::unique_ptr<PageCollection<PageTextArea>> TextAreas() override { return nullptr; }
  std::unique_ptr<PageCollection<PageSelect>> Selects() override { return nullptr; }
};

// A document that is its own browser.
struct FakeDocument : PageDocument, PageBrowser {
  std::string url = "https://e.com/login";
  FakeCollection<PageForm, FormView> forms;
  bool forms_fail = false;
  PageText Url() override { return url; }
  PageText Title() override { return "Fake"; }
  std::unique_ptr<PageCollection<PageForm>> Forms() override {
    if (forms_fail) return nullptr;
    return std::make_unique<CollectionView<decltype(forms), PageForm>>(&forms);
  }
  struct View : PageDocument {
    explicit View(FakeDocument* d) : document(d) {}
    FakeDocument* document;
    PageText Url() override { return document->Url(); }
    PageText Title() override { return document->Title(); }
    std::unique_ptr<PageCollection<PageForm>> Forms() override { return document->Forms(); }
  };
  std::unique_ptr<PageDocument> Document() override { return std::make_unique<View>(this); }
};

}  // namespace zr

#endif  // ZRFORM_TESTS_FORMS_FAKE_PAGE_H_
