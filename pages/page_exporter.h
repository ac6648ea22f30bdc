// PageExporter: the client side of a remote page. It puts a page (any PageForms
// implementation, such as an HtmlPage) on a bus connection as the objects of the
// ZRForm.Page interfaces, so that the server can read and write it by calling back
// while the client waits for its own call.
#ifndef ZRFORM_PAGES_PAGE_EXPORTER_H_
#define ZRFORM_PAGES_PAGE_EXPORTER_H_

#include <QDBusConnection>
#include <QString>
#include <memory>

#include "forms/page_forms.h"

namespace zr {

class PageExporter {
 public:
  // Exports under prefix (an object path such as "/page") on connection. The
  // objects are made on demand, as the server fetches them, and stay until
  // Clear or destruction. Nothing is registered until the first Export call.
  PageExporter(QDBusConnection connection, QString prefix = QStringLiteral("/page"));
  ~PageExporter();
  PageExporter(const PageExporter&) = delete;
  PageExporter& operator=(const PageExporter&) = delete;

  // The path of an object for browser (not owned: it must outlive the export,
  // or the next Clear), for a call that takes pUnkWebBrowser.
  QString ExportBrowser(PageBrowser& browser);
  // The paths of a document and of a form, for AutoRecord's pUnkDocument and
  // pUnkSrc. Each is owned by the exporter from here on.
  // Each Export gives "/" (the null object) for a null page object, and when
  // nothing can be registered under the prefix (taken, or not a valid path).
  QString ExportDocument(std::unique_ptr<PageDocument> document);
  QString ExportForm(std::unique_ptr<PageForm> form);

  // Drops every exported object; later calls to their paths fail with an
  // unknown-object error.
  void Clear();

  // The number of calls answered since construction (for measurements).
  long calls_answered() const;

 private:
  class Tree;
  std::unique_ptr<Tree> tree_;
};

}  // namespace zr

#endif  // ZRFORM_PAGES_PAGE_EXPORTER_H_
