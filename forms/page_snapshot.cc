// The snapshot of a page, and the page objects that serve a fill or a
// capture from it while recording the fill's writes.
#include "forms/page_snapshot.h"

#include <functional>
#include <utility>

#include "platform/utf8.h"

namespace zr {

struct SnapshotPage::State {
  PageSnapshot snapshot;
  std::vector<PageWrite> writes;
  // For each form and kind, the snapshot's element indices in order.
  std::vector<std::vector<int>> by_kind[3];
};

namespace {

using State = SnapshotPage::State;

void CutText(PageText& text, bool& truncated) {
  if (text.size() <= kMaxSnapshotText) return;
  size_t end = kMaxSnapshotText;
  // Never leave half of a UTF-8 sequence at the end.
  while (end > 0 && IsUtf8Continuation(static_cast<unsigned char>(text[end]))) --end;
  text.resize(end);
  truncated = true;
}

template <typename Item>
class IndexEnumerator final : public PageEnumerator<Item> {
 public:
  explicit IndexEnumerator(PageCollection<Item>& collection) : collection_(collection) {}
  PageNext<Item> Next() override {
    std::optional<int> length = collection_.Length();
    if (next_ >= length.value_or(0)) return {};
    return {true, collection_.At(next_++)};
  }

 private:
  PageCollection<Item>& collection_;
  int next_ = 0;
};

// A collection of count items, each made on demand.
template <typename Item>
class MadeCollection final : public PageCollection<Item> {
 public:
  using Make = std::function<std::unique_ptr<Item>(int)>;
  MadeCollection(int count, Make make) : count_(count), make_(std::move(make)) {}
  std::optional<int> Length() override { return count_; }
  std::unique_ptr<Item> At(int index) override {
    return index >= 0 && index < count_ ? make_(index) : nullptr;
  }
  std::unique_ptr<PageEnumerator<Item>> Enumerate() override {
    return std::make_unique<IndexEnumerator<Item>>(*this);
  }

 private:
  int count_;
  Make make_;
};

// What every element object knows: its state, and where it is.
struct Place {
  std::shared_ptr<State> state;
  int element;  // index into the snapshot's elements
  int form;
  int index;  // among the form's elements of its kind

  SnapshotElement& Element() const { return state->snapshot.elements[element]; }
  void Record(ElementKind kind, int option, PageText value) const {
    state->writes.push_back(PageWrite{form, kind, index, option, std::move(value)});
  }
};

class SnapInput final : public PageInput {
 public:
  explicit SnapInput(Place place) : place_(std::move(place)) {}
  PageText Type() override { return place_.Element().type; }
  PageText Name() override { return place_.Element().name; }
  PageText Value() override { return place_.Element().value; }
  std::optional<long> MaxLength() override { return place_.Element().max_length; }
  bool PutValue(const PageText& value) override {
    place_.Element().value = value;
    place_.Record(ElementKind::kInput, -1, value);
    return true;
  }

 private:
  Place place_;
};

class SnapTextArea final : public PageTextArea {
 public:
  explicit SnapTextArea(Place place) : place_(std::move(place)) {}
  PageText Name() override { return place_.Element().name; }
  bool PutValue(const PageText& value) override {
    place_.Element().value = value;
    place_.Record(ElementKind::kTextArea, -1, value);
    return true;
  }

 private:
  Place place_;
};

class SnapOption final : public PageOption {
 public:
  SnapOption(Place place, int option) : place_(std::move(place)), option_(option) {}
  PageText Text() override { return place_.Element().options[option_].text; }
  PageText Value() override { return place_.Element().options[option_].value; }
  bool PutSelected() override {
    place_.Record(ElementKind::kSelect, option_, {});
    return true;
  }

 private:
  Place place_;
  int option_;
};

class SnapSelect final : public PageSelect {
 public:
  explicit SnapSelect(Place place) : place_(std::move(place)) {}
  PageText Name() override { return place_.Element().name; }
  std::unique_ptr<PageCollection<PageOption>> Options() override {
    Place place = place_;
    return std::make_unique<MadeCollection<PageOption>>(
        static_cast<int>(place_.Element().options.size()),
        [place](int option) { return std::make_unique<SnapOption>(place, option); });
  }

 private:
  Place place_;
};

class SnapForm final : public PageForm {
 public:
  SnapForm(std::shared_ptr<State> state, int form) : state_(std::move(state)), form_(form) {}
  PageText Name() override { return state_->snapshot.forms[form_]; }
  std::unique_ptr<PageCollection<PageInput>> Inputs() override {
    return Collection<PageInput, SnapInput>(ElementKind::kInput);
  }
  std::unique_ptr<PageCollection<PageTextArea>> TextAreas() override {
    return Collection<PageTextArea, SnapTextArea>(ElementKind::kTextArea);
  }
  std::unique_ptr<PageCollection<PageSelect>> Selects() override {
    return Collection<PageSelect, SnapSelect>(ElementKind::kSelect);
  }

 private:
  template <typename Item, typename Object>
  std::unique_ptr<PageCollection<Item>> Collection(ElementKind kind) {
    const std::vector<int>& ids = state_->by_kind[static_cast<int>(kind)][form_];
    std::shared_ptr<State> state = state_;
    int form = form_;
    return std::make_unique<MadeCollection<Item>>(
        static_cast<int>(ids.size()), [state, form, kind](int index) {
          int element = state->by_kind[static_cast<int>(kind)][form][index];
          return std::make_unique<Object>(Place{state, element, form, index});
        });
  }

  std::shared_ptr<State> state_;
  int form_;
};

class SnapDocument final : public PageDocument {
 public:
  explicit SnapDocument(std::shared_ptr<State> state) : state_(std::move(state)) {}
  PageText Url() override { return state_->snapshot.url; }
  PageText Title() override { return state_->snapshot.title; }
  std::unique_ptr<PageCollection<PageForm>> Forms() override {
    std::shared_ptr<State> state = state_;
    return std::make_unique<MadeCollection<PageForm>>(
        static_cast<int>(state_->snapshot.forms.size()),
        [state](int form) { return std::make_unique<SnapForm>(state, form); });
  }

 private:
  std::shared_ptr<State> state_;
};

class SnapBrowser final : public PageBrowser {
 public:
  explicit SnapBrowser(std::shared_ptr<State> state) : state_(std::move(state)) {}
  std::unique_ptr<PageDocument> Document() override {
    return std::make_unique<SnapDocument>(state_);
  }

 private:
  std::shared_ptr<State> state_;
};

// Appends form's elements to snapshot as its form number form, within the limits.
void AddForm(PageForm& form, int number, PageSnapshot& snapshot, size_t& options) {
  auto room = [&snapshot] {
    if (snapshot.elements.size() < kMaxSnapshotElements) return true;
    snapshot.truncated = true;
    return false;
  };
  if (auto inputs = form.Inputs()) {
    ForEachByIndex(*inputs, [&](PageInput& input) {
      if (!room()) return;
      snapshot.elements.push_back({ElementKind::kInput,
                                   number,
                                   input.Type(),
                                   input.Name(),
                                   input.Value(),
                                   input.MaxLength(),
                                   {}});
    });
  }
  if (auto areas = form.TextAreas()) {
    ForEachByIndex(*areas, [&](PageTextArea& area) {
      if (room())
        snapshot.elements.push_back({ElementKind::kTextArea, number, {}, area.Name(), {}, {}, {}});
    });
  }
  if (auto selects = form.Selects()) {
    ForEachByIndex(*selects, [&](PageSelect& select) {
      if (!room()) return;
      SnapshotElement element{ElementKind::kSelect, number, {}, select.Name(), {}, {}, {}};
      if (auto list = select.Options()) {
        ForEachByIndex(*list, [&](PageOption& option) {
          if (options >= kMaxSnapshotOptions) {
            snapshot.truncated = true;
            return;
          }
          ++options;
          element.options.push_back({option.Text(), option.Value()});
        });
      }
      snapshot.elements.push_back(std::move(element));
    });
  }
}

}  // namespace

PageSnapshot TakeSnapshot(PageDocument& document) {
  PageSnapshot snapshot;
  snapshot.url = document.Url();
  snapshot.title = document.Title();
  size_t options = 0;
  if (auto forms = document.Forms()) {
    // Forms that cannot be fetched are left out, as the fill's walk passes them over.
    ForEachByIndex(*forms, [&](PageForm& form) {
      snapshot.forms.push_back(form.Name());
      AddForm(form, static_cast<int>(snapshot.forms.size()) - 1, snapshot, options);
    });
  }
  BoundSnapshot(snapshot);
  return snapshot;
}

PageSnapshot TakeSnapshot(PageForm& form) {
  PageSnapshot snapshot;
  snapshot.forms.push_back(form.Name());
  size_t options = 0;
  AddForm(form, 0, snapshot, options);
  BoundSnapshot(snapshot);
  return snapshot;
}

void BoundSnapshot(PageSnapshot& snapshot) {
  bool& cut = snapshot.truncated;
  CutText(snapshot.url, cut);
  CutText(snapshot.title, cut);
  for (PageText& name : snapshot.forms) CutText(name, cut);
  if (snapshot.elements.size() > kMaxSnapshotElements) {
    snapshot.elements.resize(kMaxSnapshotElements);
    cut = true;
  }
  size_t options = 0;
  for (SnapshotElement& element : snapshot.elements) {
    for (PageText* text : {&element.type, &element.name, &element.value}) CutText(*text, cut);
    if (options + element.options.size() > kMaxSnapshotOptions) {
      element.options.resize(kMaxSnapshotOptions - options);
      cut = true;
    }
    options += element.options.size();
    for (SnapshotOption& option : element.options) {
      CutText(option.text, cut);
      CutText(option.value, cut);
    }
  }
}

namespace {

// The items of a collection that can be fetched, in order: the snapshot
// counts only these, so writes find their element by the same count.
template <typename Item>
std::vector<std::unique_ptr<Item>> Fetched(std::unique_ptr<PageCollection<Item>> collection) {
  std::vector<std::unique_ptr<Item>> items;
  if (!collection) return items;
  int length = collection->Length().value_or(0);
  for (int index = 0; index < length; ++index) {
    if (std::unique_ptr<Item> item = collection->At(index)) items.push_back(std::move(item));
  }
  return items;
}

// One form's elements, each kind fetched when a write first needs it.
class FormWriter {
 public:
  explicit FormWriter(PageForm& form) : form_(form) {}
  bool Apply(const PageWrite& write) {
    switch (write.kind) {
      case ElementKind::kInput:
        if (!inputs_) inputs_ = Fetched(form_.Inputs());
        return At(*inputs_, write.index) && (*inputs_)[write.index]->PutValue(write.value);
      case ElementKind::kTextArea:
        if (!areas_) areas_ = Fetched(form_.TextAreas());
        return At(*areas_, write.index) && (*areas_)[write.index]->PutValue(write.value);
      case ElementKind::kSelect: {
        if (!selects_) selects_ = Fetched(form_.Selects());
        if (!At(*selects_, write.index)) return false;
        auto options = Fetched((*selects_)[write.index]->Options());
        return At(options, write.option) && options[write.option]->PutSelected();
      }
    }
    return false;
  }

 private:
  template <typename Item>
  static bool At(const std::vector<Item>& items, int index) {
    return index >= 0 && static_cast<size_t>(index) < items.size();
  }

  PageForm& form_;
  std::optional<std::vector<std::unique_ptr<PageInput>>> inputs_;
  std::optional<std::vector<std::unique_ptr<PageTextArea>>> areas_;
  std::optional<std::vector<std::unique_ptr<PageSelect>>> selects_;
};

}  // namespace

int ApplyWrites(PageForm& form, const std::vector<PageWrite>& writes) {
  FormWriter writer(form);
  int applied = 0;
  for (const PageWrite& write : writes) applied += writer.Apply(write) ? 1 : 0;
  return applied;
}

int ApplyWrites(PageDocument& document, const std::vector<PageWrite>& writes) {
  std::vector<std::unique_ptr<PageForm>> forms = Fetched(document.Forms());
  std::vector<std::unique_ptr<FormWriter>> writers(forms.size());
  int applied = 0;
  for (const PageWrite& write : writes) {
    if (write.form < 0 || static_cast<size_t>(write.form) >= forms.size()) continue;
    auto& writer = writers[write.form];
    if (!writer) writer = std::make_unique<FormWriter>(*forms[write.form]);
    applied += writer->Apply(write) ? 1 : 0;
  }
  return applied;
}

SnapshotPage::SnapshotPage(PageSnapshot snapshot) : state_(std::make_shared<State>()) {
  BoundSnapshot(snapshot);
  const int forms = static_cast<int>(snapshot.forms.size());
  for (auto& lists : state_->by_kind) lists.resize(forms);
  // Elements naming a form or a kind that is not there belong to no form: no
  // walk sees them.
  for (size_t i = 0; i < snapshot.elements.size(); ++i) {
    const SnapshotElement& element = snapshot.elements[i];
    const int kind = static_cast<int>(element.kind);
    if (element.form < 0 || element.form >= forms || kind < 0 || kind > 2) continue;
    state_->by_kind[kind][element.form].push_back(static_cast<int>(i));
  }
  state_->snapshot = std::move(snapshot);
}

std::unique_ptr<PageBrowser> SnapshotPage::Browser() const {
  return std::make_unique<SnapBrowser>(state_);
}

std::unique_ptr<PageDocument> SnapshotPage::Document() const {
  return std::make_unique<SnapDocument>(state_);
}

std::unique_ptr<PageForm> SnapshotPage::Form(int index) const {
  if (index < 0 || index >= static_cast<int>(state_->snapshot.forms.size())) return nullptr;
  return std::make_unique<SnapForm>(state_, index);
}

const PageSnapshot& SnapshotPage::snapshot() const { return state_->snapshot; }

const std::vector<PageWrite>& SnapshotPage::writes() const { return state_->writes; }

std::vector<PageWrite> SnapshotPage::TakeWrites() { return std::exchange(state_->writes, {}); }

}  // namespace zr
