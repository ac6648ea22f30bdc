// The PageForms views of an HtmlPage's tree: document, forms, inputs, text
// areas, selects and options, each reading and writing the tree when called.
#ifndef ZRFORM_PAGES_HTML_PAGE_ELEMENTS_H_
#define ZRFORM_PAGES_HTML_PAGE_ELEMENTS_H_

#include <memory>

#include "forms/page_forms.h"
#include "pages/html_page_tree.h"

namespace zr {

// The document view of tree. It and every view reached from it share
// ownership of tree.
std::unique_ptr<PageDocument> MakeHtmlDocument(std::shared_ptr<HtmlTree> tree);

}  // namespace zr

#endif  // ZRFORM_PAGES_HTML_PAGE_ELEMENTS_H_
