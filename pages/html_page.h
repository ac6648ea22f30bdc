// HtmlPage: a page read from an HTML file or string with libxml2's HTML parser,
// seen through the PageForms operations (forms, inputs, text areas, selects,
// options), and written back out as HTML with the values that were filled in.
// libxml2 is kept (an HTML5 tree builder was measured quadratic on deep
// nesting); the bytes are decoded first as a browser decodes them
// (html_page_charset.h), each form holds what a browser's tree builder puts
// in it whatever libxml2 repaired (html_page_owners.h), and a page the parser
// did not read to its end is never written back.
#ifndef ZRFORM_PAGES_HTML_PAGE_H_
#define ZRFORM_PAGES_HTML_PAGE_H_

#include <memory>
#include <string>
#include <string_view>

#include "forms/page_forms.h"

namespace zr {

struct HtmlTree;

// The address of a document that was given none.
inline constexpr char kBlankPageUrl[] = "about:blank";

// One parsed page. It is its own PageBrowser: Document() gives a live view of
// the tree. Views share ownership of the tree, so they stay valid after the
// HtmlPage is gone; a page and its views belong to one thread.
class HtmlPage final : public PageBrowser {
 public:
  // Reads and parses the file at path. The address is url, or when url is
  // empty the file's "file://" address (FileUrl). Returns null when the file
  // cannot be read or is too large for the parser (2 GiB or more).
  static std::unique_ptr<HtmlPage> Open(const std::string& path, const std::string& url = "");
  // Parses html; the address is url. Returns null only when the parser fails
  // on a non-empty text; an empty text is a page without forms.
  static std::unique_ptr<HtmlPage> FromString(std::string_view html,
                                              const std::string& url = kBlankPageUrl);

  // "file://" followed by the absolute, lexically normalised path, with bytes
  // outside the URL path characters (space, "?", "#", "%", non-ASCII...)
  // percent-encoded as browsers show them.
  static std::string FileUrl(const std::string& path);

  ~HtmlPage() override;
  HtmlPage(const HtmlPage&) = delete;
  HtmlPage& operator=(const HtmlPage&) = delete;

  std::unique_ptr<PageDocument> Document() override;

  const std::string& Url() const;

  // What the page's bytes were read as: "utf-8", "windows-1252", "utf-16le",
  // or the charset it declares.
  const std::string& Encoding() const;
  // Why the parser did not read the page to its end (it nests too deep, a
  // text is too long); empty when it read it whole.
  const std::string& NotReadWhole() const;

  // The page as HTML, in the encoding its <meta http-equiv="Content-Type">
  // declares (characters that encoding cannot hold become character
  // references), else in ASCII with character references (libxml2 does not
  // read <meta charset> here). Empty when it cannot be written, and for a
  // page not read whole.
  std::string Serialize() const;
  // Writes Serialize() to path atomically, readable by the owner only (a
  // filled page carries passwords). Returns false, with the reason in error
  // when given, when it cannot be written or was not read whole; path is
  // then left as it was.
  [[nodiscard]] bool Save(const std::string& path, std::string* error = nullptr) const;

 private:
  explicit HtmlPage(std::shared_ptr<HtmlTree> tree);

  std::shared_ptr<HtmlTree> tree_;
};

}  // namespace zr

#endif  // ZRFORM_PAGES_HTML_PAGE_H_
