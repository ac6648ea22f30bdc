// The PageForms views of an HtmlPage. A collection finds its elements on first
// use and keeps their nodes, so walking it by index or by enumerator is linear;
// each item then reads and writes its node when called.
#include "pages/html_page_elements.h"

#include <algorithm>
#include <climits>
#include <functional>
#include <utility>
#include <vector>

#include "platform/ascii_case.h"

namespace zr {
namespace {

using TreeRef = std::shared_ptr<HtmlTree>;
using NodeList = std::vector<xmlNodePtr>;
template <typename Item>
using MakeItem = std::function<std::unique_ptr<Item>(xmlNodePtr)>;

// Reads a maxlength attribute as browsers read a non-negative integer:
// leading white space and a sign are allowed, trailing text is ignored.
std::optional<long> ParseMaxLength(const std::optional<std::string>& attribute) {
  constexpr long kLargest = INT_MAX;  // browsers keep the length in 32 bits
  if (!attribute) return std::nullopt;
  const std::string& text = *attribute;
  size_t at = text.find_first_not_of(" \t\n\f\r");
  if (at == std::string::npos) return std::nullopt;
  bool negative = false;
  if (text[at] == '+' || text[at] == '-') negative = text[at++] == '-';
  long value = 0;
  size_t digits = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, ++digits) {
    value = value * 10 + (text[at] - '0');
    if (value > kLargest) return std::nullopt;
  }
  if (digits == 0 || (negative && value != 0)) return std::nullopt;
  return value;
}

template <typename Item>
class NodeEnumerator final : public PageEnumerator<Item> {
 public:
  NodeEnumerator(std::shared_ptr<const NodeList> nodes, MakeItem<Item> make)
      : nodes_(std::move(nodes)), make_(std::move(make)) {}

  PageNext<Item> Next() override {
    PageNext<Item> next;
    if (index_ >= nodes_->size()) return next;
    next.ok = true;
    next.item = make_((*nodes_)[index_++]);
    return next;
  }

 private:
  std::shared_ptr<const NodeList> nodes_;
  MakeItem<Item> make_;
  size_t index_ = 0;
};

// The elements that find gives (called on first use). make keeps the tree
// alive (it holds a TreeRef), and with it the nodes found.
template <typename Item>
class NodeCollection final : public PageCollection<Item> {
 public:
  NodeCollection(std::function<NodeList()> find, MakeItem<Item> make)
      : find_(std::move(find)), make_(std::move(make)) {}

  std::optional<int> Length() override {
    return static_cast<int>(std::min<size_t>(Nodes()->size(), INT_MAX));
  }

  std::unique_ptr<Item> At(int index) override {
    const NodeList& nodes = *Nodes();
    if (index < 0 || static_cast<size_t>(index) >= nodes.size()) return nullptr;
    return make_(nodes[index]);
  }

  std::unique_ptr<PageEnumerator<Item>> Enumerate() override {
    return std::make_unique<NodeEnumerator<Item>>(Nodes(), make_);
  }

 private:
  // The same list serves both ways of walking, so they give the same order.
  const std::shared_ptr<const NodeList>& Nodes() {
    if (!nodes_) nodes_ = std::make_shared<const NodeList>(find_());
    return nodes_;
  }

  std::function<NodeList()> find_;
  MakeItem<Item> make_;
  std::shared_ptr<const NodeList> nodes_;
};

// What every element view holds: the tree that keeps its node alive.
class NodeView {
 protected:
  NodeView(TreeRef tree, xmlNodePtr node) : tree_(std::move(tree)), node_(node) {}
  PageText NameAttribute() const { return Attribute(node_, "name").value_or(""); }

  TreeRef tree_;
  xmlNodePtr node_;
};

template <typename View, typename Item, typename... Extra>
std::unique_ptr<PageCollection<Item>> Views(const TreeRef& tree, std::function<NodeList()> find,
                                            Extra... extra) {
  return std::make_unique<NodeCollection<Item>>(
      std::move(find), [tree, extra...](xmlNodePtr node) -> std::unique_ptr<Item> {
        return std::make_unique<View>(tree, node, extra...);
      });
}

// The inputs, text areas or selects that belong to form.
std::function<NodeList()> MembersOf(const TreeRef& tree, xmlNodePtr form,
                                    NodeList HtmlTree::FormMembers::*list) {
  return [tree = tree.get(), form, list] {
    auto found = tree->members.find(form);
    return found == tree->members.end() ? NodeList() : found->second.*list;
  };
}

class HtmlInput final : public PageInput, NodeView {
 public:
  HtmlInput(TreeRef tree, xmlNodePtr node) : NodeView(std::move(tree), node) {}
  PageText Type() override {
    std::optional<std::string> type = Attribute(node_, "type");
    return ReportedInputType(type ? std::optional<std::string_view>(*type) : std::nullopt);
  }
  PageText Name() override { return NameAttribute(); }
  PageText Value() override { return Attribute(node_, "value").value_or(""); }
  std::optional<long> MaxLength() override { return ParseMaxLength(Attribute(node_, "maxlength")); }
  bool PutValue(const PageText& value) override { return SetAttribute(node_, "value", value); }
};

class HtmlTextArea final : public PageTextArea, NodeView {
 public:
  HtmlTextArea(TreeRef tree, xmlNodePtr node) : NodeView(std::move(tree), node) {}
  PageText Name() override { return NameAttribute(); }
  bool PutValue(const PageText& value) override { return ReplaceText(node_, value); }
};

class HtmlOption final : public PageOption, NodeView {
 public:
  HtmlOption(TreeRef tree, xmlNodePtr node, xmlNodePtr select)
      : NodeView(std::move(tree), node), select_(select) {}
  PageText Text() override { return CollapsedText(node_); }
  // Without a value attribute an option's value is its text, as in browsers.
  PageText Value() override {
    std::optional<std::string> value = Attribute(node_, "value");
    return value ? *value : Text();
  }
  // Only one option of a single-choice select can be selected.
  bool PutSelected() override {
    if (!HasAttribute(select_, "multiple")) {
      for (xmlNodePtr option : ElementsBelow(select_, "option")) {
        if (option != node_) RemoveAttribute(option, "selected");
      }
    }
    return SetAttribute(node_, "selected", "selected");
  }

 private:
  xmlNodePtr select_;
};

class HtmlSelect final : public PageSelect, NodeView {
 public:
  HtmlSelect(TreeRef tree, xmlNodePtr node) : NodeView(std::move(tree), node) {}
  PageText Name() override { return NameAttribute(); }
  std::unique_ptr<PageCollection<PageOption>> Options() override {
    return Views<HtmlOption, PageOption>(
        tree_, [select = node_] { return ElementsBelow(select, "option"); }, node_);
  }
};

class HtmlForm final : public PageForm, NodeView {
 public:
  HtmlForm(TreeRef tree, xmlNodePtr node) : NodeView(std::move(tree), node) {}
  PageText Name() override { return NameAttribute(); }
  // What belongs to the form as a browser assigns it (html_page_owners.h),
  // not what libxml2 put below it.
  std::unique_ptr<PageCollection<PageInput>> Inputs() override {
    return Views<HtmlInput, PageInput>(tree_,
                                       MembersOf(tree_, node_, &HtmlTree::FormMembers::inputs));
  }
  std::unique_ptr<PageCollection<PageTextArea>> TextAreas() override {
    return Views<HtmlTextArea, PageTextArea>(
        tree_, MembersOf(tree_, node_, &HtmlTree::FormMembers::text_areas));
  }
  std::unique_ptr<PageCollection<PageSelect>> Selects() override {
    return Views<HtmlSelect, PageSelect>(tree_,
                                         MembersOf(tree_, node_, &HtmlTree::FormMembers::selects));
  }
};

class HtmlDocument final : public PageDocument {
 public:
  explicit HtmlDocument(TreeRef tree) : tree_(std::move(tree)) {}
  PageText Url() override { return ValidUtf8(tree_->url); }
  PageText Title() override {
    xmlNodePtr title = FirstElement(tree_->doc, "title");
    return title != nullptr ? CollapsedText(title) : "";
  }
  std::unique_ptr<PageCollection<PageForm>> Forms() override {
    return Views<HtmlForm, PageForm>(tree_, [tree = tree_.get()] { return tree->forms; });
  }

 private:
  TreeRef tree_;
};

}  // namespace

std::unique_ptr<PageDocument> MakeHtmlDocument(std::shared_ptr<HtmlTree> tree) {
  return std::make_unique<HtmlDocument>(std::move(tree));
}

}  // namespace zr
