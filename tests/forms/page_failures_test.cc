// Pages whose calls fail: a form, collection or element that cannot be
// fetched is passed over and the walk goes on with the next one.
#include <gtest/gtest.h>

#include <map>

#include "engine_test_support.h"
#include "forms/capture.h"
#include "forms/fill_in.h"

namespace zr {
namespace {

// An in-memory page whose parts can be made to fail.
struct FakeInput : PageInput {
  FakeInput(std::string t, std::string n, std::string v)
      : type(std::move(t)), name(std::move(n)), value(std::move(v)) {}
  std::string type, name, value;
  std::optional<long> max_length;
  PageText Type() override { return type; }
  PageText Name() override { return name; }
  PageText Value() override { return value; }
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
std::unique_ptr<PageInput> MakeView(PageInput* item) {
  return std::make_unique<InputView>(static_cast<FakeInput*>(item));
}
template <>
std::unique_ptr<PageForm> MakeView(PageForm* item) {
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

std::unique_ptr<PageCollection<PageInput>> FakeForm::Inputs() {
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

std::unique_ptr<PageDocument> FakeDocument::Document() {
  return std::make_unique<DocumentView>(this);
}

using PageFailuresTest = EngineTest;

TEST_F(PageFailuresTest, FailedFetchesArePassedOver) {
  FakeInput city("", "city", "");
  FakeInput user("text", "user", "ann");
  FakeInput password("password", "pw", "secret");
  FakeForm failing_form;
  failing_form.inputs_fail = true;
  FakeForm form;
  form.inputs.items = {nullptr, &city, &user, &password};
  FakeDocument page;
  page.forms.items = {nullptr, &failing_form, &form};
  data_.work.Value(ProfileField::kCity) = "Lyon";

  EXPECT_EQ(FillInForm(data_, prompts_, 0, &page, 3, false, false), kS_OK);
  EXPECT_EQ(city.value, "Lyon") << "the input after an unfetchable one";

  LoginRecord record;
  EXPECT_TRUE(CaptureLogin(page, record, std::nullopt, false));
  EXPECT_EQ(record.FieldCount(), 3);

  // A collection whose length cannot be read is walked as empty by index;
  // the enumerator walk is not affected.
  form.inputs.length_fails = true;
  city.value = "";
  EXPECT_EQ(FillInForm(data_, prompts_, 0, &page, 3, false, false), kS_OK);
  EXPECT_EQ(city.value, "");
  form.inputs.enumerator_fails = true;
  LoginRecord none;
  EXPECT_FALSE(CaptureLogin(page, none, std::nullopt, true));

  // No form collection: nothing to fill.
  page.forms_fail = true;
  EXPECT_EQ(FillInForm(data_, prompts_, 0, &page, 2, true, false), kS_OK);
  EXPECT_EQ(FillInForm(data_, prompts_, 0, &page, 1, true, false), kS_OK)
      << "no password input is seen without forms";
}

}  // namespace
}  // namespace zr
