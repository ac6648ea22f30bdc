// The objects a PageExporter puts on the bus, one per exported page object,
// each answering the calls of its ZRForm.Page interface. Internal to the
// exporter; they belong to the thread of the exporter's connection.
#ifndef ZRFORM_PAGES_PAGE_EXPORTER_OBJECTS_H_
#define ZRFORM_PAGES_PAGE_EXPORTER_OBJECTS_H_

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QString>
#include <memory>

#include "forms/page_forms.h"

namespace zr {

class ExportedObject;

// Where exported objects are kept: each one added gets a path of its own.
class ExportTable {
 public:
  virtual ~ExportTable() = default;
  // The path of the newly kept object, or "/" (the null object) for null.
  virtual QDBusObjectPath Add(std::unique_ptr<ExportedObject> object) = 0;
};

class ExportedObject {
 public:
  virtual ~ExportedObject() = default;
  // The reply to message, a method call addressed to this object: the
  // method's out values, or an error reply for an unknown interface or
  // member or arguments of the wrong types. Objects the reply names are
  // added to table. May throw what the page throws.
  virtual QDBusMessage Answer(const QDBusMessage& message, ExportTable& table) = 0;
  // The object's interface as introspection XML.
  virtual QString Introspect() const = 0;
};

// The exported objects for page objects; null for a null page object.
// browser is not owned: it must outlive the exported object.
std::unique_ptr<ExportedObject> ExportPageObject(PageBrowser& browser);
std::unique_ptr<ExportedObject> ExportPageObject(std::unique_ptr<PageDocument> document);
std::unique_ptr<ExportedObject> ExportPageObject(std::unique_ptr<PageForm> form);

}  // namespace zr

#endif  // ZRFORM_PAGES_PAGE_EXPORTER_OBJECTS_H_
