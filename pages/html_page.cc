// HtmlPage: parsing a page with libxml2's HTML parser, its address, and
// writing the (filled) page back out as HTML.
#include "pages/html_page.h"

#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>
#include <libxml/SAX2.h>

#include <climits>
#include <filesystem>
#include <mutex>
#include <string>

#include "pages/html_page_charset.h"
#include "pages/html_page_elements.h"
#include "pages/html_page_owners.h"
#include "pages/html_page_tree.h"
#include "platform/atomic_file.h"

namespace zr {
namespace {

// Broken markup is repaired, never reported, and nothing is fetched. The
// parser keeps its own limits (it stops at 256 levels of nesting and at a
// text of 10,000,000 bytes, keeping what it has read so far): a hostile page
// gets a bounded parse, and is marked as not read whole. No default document type is invented, so a
// saved page starts as the original did.
constexpr int kParseOptions = HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                              HTML_PARSE_NONET | HTML_PARSE_NODEFDTD;

// Characters a browser leaves as they are in the path of a file URL.
bool IsUrlPathChar(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  for (char allowed : std::string_view("-._~!$&'()*+,;=:@/")) {
    if (c == static_cast<unsigned char>(allowed)) return true;
  }
  return false;
}

// Where the parser is in the text it reads.
size_t ParserOffset(htmlParserCtxtPtr context) {
  return context->input == nullptr
             ? 0
             : context->input->consumed +
                   static_cast<size_t>(context->input->cur - context->input->base);
}

// libxml2's own tree building, with FormOwners told of each element.
void StartElement(void* data, const xmlChar* name, const xmlChar** attributes) {
  auto* context = static_cast<htmlParserCtxtPtr>(data);
  xmlNodePtr before = context->node;
  xmlSAX2StartElement(data, name, attributes);
  if (context->node != before && context->node != nullptr) {
    static_cast<FormOwners*>(context->_private)
        ->OnStart(context->node, ParserOffset(context), attributes);
  }
}

void EndElement(void* data, const xmlChar* name) {
  auto* context = static_cast<htmlParserCtxtPtr>(data);
  static_cast<FormOwners*>(context->_private)->OnEnd(name, ParserOffset(context));
  xmlSAX2EndElement(data, name);
}

// Why a parse that stopped stopped, from libxml2's last error.
std::string StopReason(int error) {
  switch (error) {
    case XML_ERR_INTERNAL_ERROR:
      return "its elements nest deeper than the parser follows (256 levels)";
    case XML_ERR_NO_MEMORY:
      return "it holds a text longer than the parser keeps (10,000,000 bytes), or memory ran out";
    default:
      return "the parser stopped before its end (error " + std::to_string(error) + ")";
  }
}

std::shared_ptr<HtmlTree> Parse(std::string_view bytes, const std::string& url) {
  static std::once_flag initialised;
  std::call_once(initialised, xmlInitParser);
  if (bytes.size() > static_cast<size_t>(INT_MAX)) return nullptr;
  // The parser gives no document for an empty text; that is a page without forms.
  if (bytes.empty()) return std::make_shared<HtmlTree>(htmlNewDocNoDtD(nullptr, nullptr), url);
  // Decoded here as a browser decodes it, so that the parser only ever sees
  // well-formed UTF-8 (it stops at the first byte its converter rejects).
  DecodedPage page = DecodePage(bytes);
  const std::string_view text = page.Text(bytes);
  if (text.size() > static_cast<size_t>(INT_MAX)) return nullptr;
  htmlParserCtxtPtr context = htmlNewParserCtxt();
  if (context == nullptr) return nullptr;
  FormOwners owners(text);
  context->_private = &owners;
  context->sax->startElement = StartElement;
  context->sax->endElement = EndElement;
  htmlDocPtr doc = htmlCtxtReadMemory(context, text.data(), static_cast<int>(text.size()),
                                      url.c_str(), "UTF-8", kParseOptions);
  const bool stopped = context->disableSAX != 0;
  const int error = context->errNo;
  htmlFreeParserCtxt(context);
  if (doc == nullptr) return nullptr;
  auto tree = std::make_shared<HtmlTree>(doc, url);
  tree->encoding = std::move(page.encoding);
  if (stopped) tree->not_read_whole = StopReason(error);
  owners.Finish(*tree);
  return tree;
}

// The document as HTML (see HtmlPage::Serialize for its encoding).
bool DumpHtml(xmlDocPtr doc, std::string& html) {
  xmlChar* memory = nullptr;
  int size = 0;
  htmlDocDumpMemoryFormat(doc, &memory, &size, 0);
  if (memory == nullptr) return false;
  html.assign(reinterpret_cast<const char*>(memory), size > 0 ? static_cast<size_t>(size) : 0);
  xmlFree(memory);
  return true;
}

}  // namespace

std::unique_ptr<HtmlPage> HtmlPage::Open(const std::string& path, const std::string& url) {
  std::string html;
  if (!ReadWholeFile(path, html)) return nullptr;
  std::shared_ptr<HtmlTree> tree = Parse(html, url.empty() ? FileUrl(path) : url);
  if (!tree) return nullptr;
  return std::unique_ptr<HtmlPage>(new HtmlPage(std::move(tree)));
}

std::unique_ptr<HtmlPage> HtmlPage::FromString(std::string_view html, const std::string& url) {
  std::shared_ptr<HtmlTree> tree = Parse(html, url);
  if (!tree) return nullptr;
  return std::unique_ptr<HtmlPage>(new HtmlPage(std::move(tree)));
}

std::string HtmlPage::FileUrl(const std::string& path) {
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(path, error);
  if (error) absolute = path;
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : absolute.lexically_normal().string()) {
    if (IsUrlPathChar(c)) {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 0xF];
    }
  }
  return url;
}

HtmlPage::HtmlPage(std::shared_ptr<HtmlTree> tree) : tree_(std::move(tree)) {}

HtmlPage::~HtmlPage() = default;

std::unique_ptr<PageDocument> HtmlPage::Document() { return MakeHtmlDocument(tree_); }

const std::string& HtmlPage::Url() const { return tree_->url; }

const std::string& HtmlPage::Encoding() const { return tree_->encoding; }

const std::string& HtmlPage::NotReadWhole() const { return tree_->not_read_whole; }

std::string HtmlPage::Serialize() const {
  std::string html;
  return tree_->not_read_whole.empty() && DumpHtml(tree_->doc, html) ? html : "";
}

bool HtmlPage::Save(const std::string& path, std::string* error) const {
  std::string html;
  std::string reason;
  if (!tree_->not_read_whole.empty()) {
    reason = "the page was not read whole (" + tree_->not_read_whole + ")";
  } else if (!DumpHtml(tree_->doc, html)) {
    reason = "the page cannot be written in the encoding it declares";
  } else if (!WriteFileAtomically(path, html)) {
    reason = "the file cannot be written";
  }
  if (error) *error = reason;
  return reason.empty();
}

}  // namespace zr
