// An in-memory page for the engine tests whose parts can be made to fail:
// fetches that give null, collections without a length or an enumerator.
#ifndef ZRFORM_TESTS_FORMS_FAKE_PAGE_H_
#define ZRFORM_TESTS_FORMS_FAKE_PAGE_H_

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "forms/page_forms.h"

namespace zr {

// An in-memory page whose parts can be made to fail.
struct FakeInput : PageInput {
  FakeInput(std::string t, std::string n, std::string v)
      : type(std::move(t)), name(std::move(n)), value(std::move(v)) {}
  std::string type, name, value;
  std::optional<long> max_length;
  std::function<void()> on_read;  // runs before each read of the value
  PageText Type() override { return type; }
  PageText Name() override { return name; }
  PageText Value() override {
    if (on_read) on_read();
    return value;
  }
  std::optional<long> MaxLength() override { return max_length; }
  bool PutValue(const PageText& text) override {
    value = text;
    return true;
  }
};

template <typename Item>
struct FakeCollection : PageCollection<Item> {
  std::vector<Item*> items;  // null: a fetch that fails
  bool length_fails = false;
  bool enumerator_fails = false;
  std::optional<int> Length() override {
    if (length_fails) return std::nullopt;
    return static_cast<int>(items.size());
  }
  std::unique_ptr<Item> At(int index) override;
  std::unique_ptr<PageEnumerator<Item>> Enumerate() override;
};

// Views handed out by the fake forward to the fake's items.
struct InputView : PageInput {
  FakeInput* input;
  explicit InputView(FakeInput* i) : input(i) {}
  PageText Type() override { return input->Type(); }
  PageText Name() override { return input->Name(); }
  PageText Value() override { return input->Value(); }
  std::optional<long> MaxLength() override { return input->MaxLength(); }
  bool PutValue(const PageText& text) override { return input->PutValue(text); }
};

struct FakeForm : PageForm {
  std::string name;
  FakeCollection<PageInput> inputs;
  bool inputs_fail = false;
  PageText Name() override { return name; }
  std::unique_ptr<PageCollection<PageInput>> Inputs() override;
  std::unique_ptr<PageCollection<PageTextArea>> TextAreas() override { return nullptr; }
  std::unique_ptr<PageCollection<PageSelect>> Selects() override { return nullptr; }
};

struct FormView : PageForm {
  FakeForm* form;
  explicit FormView(FakeForm* f) : form(f) {}
  PageText Name() override { return form->Name(); }
  std::unique_ptr<PageCollection<PageInput>> Inputs() override { return form->Inputs(); }
  std::unique_ptr<PageCollection<PageTextArea>> TextAreas() override { return nullptr; }
  std::unique_ptr<PageCollection<PageSelect>> Selects() override { return nullptr; }
};

template <typename Item>
std::unique_ptr<Item> MakeView(Item* item);
template <>
inline std::unique_ptr<PageInput> MakeView(PageInput* item) {
  return std::make_unique<InputView>(static_cast<FakeInput*>(item));
}
template <>
inline std::unique_ptr<PageForm> MakeView(PageForm* item) {
  return std::make_unique<FormView>(static_cast<FakeForm*>(item));
}

template <typename Item>
std::unique_ptr<Item> FakeCollection<Item>::At(int index) {
  if (index < 0 || index >= static_cast<int>(items.size()) || !items[index]) return nullptr;
  return MakeView(items[index]);
}

template <typename Item>
struct FakeEnumerator : PageEnumerator<Item> {
  FakeCollection<Item>* collection;
  size_t next = 0;
  PageNext<Item> Next() override {
    if (next >= collection->items.size()) return {};
    Item* item = collection->items[next++];
    return {true, item ? MakeView(item) : nullptr};
  }
};

template <typename Item>
std::unique_ptr<PageEnumerator<Item>> FakeCollection<Item>::Enumerate() {
  if (enumerator_fails) return nullptr;
  auto enumerator = std::make_unique<FakeEnumerator<Item>>();
  enumerator->collection = this;
  return enumerator;
}

// A collection view that forwards to a fake collection it does not own.
template <typename Item>
struct CollectionView : PageCollection<Item> {
  FakeCollection<Item>* collection;
  explicit CollectionView(FakeCollection<Item>* c) : collection(c) {}
  std::optional<int> Length() override { return collection->Length(); }
  std::unique_ptr<Item> At(int index) override { return collection->At(index); }
  std::unique_ptr<PageEnumerator<Item>> Enumerate() override { return collection->Enumerate(); }
};

inline std::unique_ptr<PageCollection<PageInput>> FakeForm::Inputs() {
  if (inputs_fail) return nullptr;
  return std::make_unique<CollectionView<PageInput>>(&inputs);
}

struct FakeDocument : PageDocument, PageBrowser {
  std::string url = "https://e.com/login";
  FakeCollection<PageForm> forms;
  bool forms_fail = false;
  PageText Url() override { return url; }
  PageText Title() override { return "Fake"; }
  std::unique_ptr<PageCollection<PageForm>> Forms() override {
    if (forms_fail) return nullptr;
    return std::make_unique<CollectionView<PageForm>>(&forms);
  }
  // As a browser: this document (a view that forwards).
  std::unique_ptr<PageDocument> Document() override;
};

struct DocumentView : PageDocument {
  FakeDocument* document;
  explicit DocumentView(FakeDocument* d) : document(d) {}
  PageText Url() override { return document->Url(); }
  PageText Title() override { return document->Title(); }
  std::unique_ptr<PageCollection<PageForm>> Forms() override { return document->Forms(); }
};

inline std::unique_ptr<PageDocument> FakeDocument::Document() {
  return std::make_unique<DocumentView>(this);
}

}  // namespace zr

#endif  // ZRFORM_TESTS_FORMS_FAKE_PAGE_H_
