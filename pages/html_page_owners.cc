// FormOwners: the form element pointer followed through the parse, then the
// form="id" attributes resolved and each form's members listed.
#include "pages/html_page_owners.h"

#include <algorithm>
#include <cstring>

#include "pages/html_page_tree.h"
#include "platform/ascii_case.h"

namespace zr {
namespace {

bool Named(const xmlChar* name, const char* tag) {
  return name != nullptr && std::strcmp(reinterpret_cast<const char*>(name), tag) == 0;
}

bool IsMember(const xmlNode* node) {
  return IsElement(node, "input") || IsElement(node, "textarea") || IsElement(node, "select");
}

}  // namespace

void FormOwners::ScanTo(size_t offset) {
  offset = std::min(offset, text_.size());
  const size_t from = std::max(scanned_, text_until_);
  if (offset <= from) {
    scanned_ = std::max(scanned_, offset);
    return;
  }
  const std::string_view part = text_.substr(from, offset - from);
  for (size_t at = part.find('<'); at != std::string_view::npos; at = part.find('<', at + 1)) {
    if (part.substr(at, 4) == "<!--") {
      at = part.find("-->", at + 4);
      if (at == std::string_view::npos) break;
      continue;
    }
    const char after = at + 6 < part.size() ? part[at + 6] : '>';
    if (AsciiEqualNoCase(part.substr(at, 6), "</form") &&
        (after == '>' || after == '/' || after == ' ' || after == '\t' || after == '\n' ||
         after == '\r' || after == '\f') &&
        template_depth_ == 0) {
      pointer_ = nullptr;
    }
  }
  scanned_ = offset;
}

void FormOwners::OnStart(xmlNodePtr node, size_t offset, const xmlChar** attributes) {
  if (node == nullptr || node->type != XML_ELEMENT_NODE) return;
  if (InText(offset)) {
    ignored_forms_.insert(node);
    return;
  }
  ScanTo(offset);
  if (IsOpaqueElement(node)) {
    // Its content runs to its end tag. A browser would take the rest of the
    // page as text when there is none; libxml2 ends it at the next tag that
    // cannot be inside it, and that is kept, as a saved page was shown so.
    const std::string end = "</" + std::string(reinterpret_cast<const char*>(node->name));
    // The last search for this end tag answers while offset is within it, so
    // that many unclosed ones cost one pass over the text.
    auto& [from, found] = end_tags_[end];
    if (offset < from || (found != std::string_view::npos && offset > found) || from == 0) {
      from = std::max<size_t>(offset, 1);
      found = std::string_view::npos;
      for (size_t at = text_.find("</", offset); at != std::string_view::npos;
           at = text_.find("</", at + 2)) {
        if (AsciiEqualNoCase(text_.substr(at, end.size()), end)) {
          found = at;
          break;
        }
      }
    }
    if (found != std::string_view::npos) text_until_ = found;
    if (!IsElement(node, "textarea")) return;
  }
  if (IsElement(node, "template")) ++template_depth_;
  if (IsElement(node, "form")) {
    if (pointer_ != nullptr || template_depth_ > 0) {
      ignored_forms_.insert(node);
    } else {
      pointer_ = node;
    }
    return;
  }
  if (!IsMember(node)) return;
  for (const xmlChar** at = attributes; at != nullptr && at[0] != nullptr; at += 2) {
    if (Named(at[0], "form")) {
      form_attribute_.emplace(node, at[1] ? reinterpret_cast<const char*>(at[1]) : "");
      return;
    }
  }
  if (pointer_ != nullptr && template_depth_ == 0) owner_.emplace(node, pointer_);
}

void FormOwners::OnEnd(const xmlChar* name, size_t offset) {
  if (InText(offset)) return;
  ScanTo(offset);
  if (Named(name, "template") && template_depth_ > 0) --template_depth_;
}

void FormOwners::Finish(HtmlTree& tree) const {
  // The first element with each id that a form attribute names.
  std::unordered_map<std::string, xmlNodePtr> by_id;
  for (const auto& [node, id] : form_attribute_) by_id.emplace(id, nullptr);
  const xmlNodePtr root = reinterpret_cast<xmlNodePtr>(tree.doc);
  ForEachElement(root, [&](xmlNodePtr element) {
    if (ignored_forms_.count(element)) return;
    if (!by_id.empty() && HasAttribute(element, "id")) {
      auto found = by_id.find(*Attribute(element, "id"));
      if (found != by_id.end() && found->second == nullptr) found->second = element;
    }
    if (IsElement(element, "form")) tree.forms.push_back(element);
  });
  ForEachElement(root, [&](xmlNodePtr element) {
    if (!IsMember(element) || ignored_forms_.count(element)) return;
    xmlNodePtr form = nullptr;
    if (auto named = form_attribute_.find(element); named != form_attribute_.end()) {
      xmlNodePtr target = by_id.at(named->second);
      if (IsElement(target, "form")) form = target;
    } else if (auto owner = owner_.find(element); owner != owner_.end()) {
      form = owner->second;
    }
    if (form == nullptr) return;
    HtmlTree::FormMembers& members = tree.members[form];
    (IsElement(element, "input")      ? members.inputs
     : IsElement(element, "textarea") ? members.text_areas
                                      : members.selects)
        .push_back(element);
  });
}

}  // namespace zr
