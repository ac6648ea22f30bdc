// The exported page objects: for each kind of page object, its interface's
// methods with their signatures, answered by calling the page object. A call
// that yields another page object exports it and replies with its new path.
#include "pages/page_exporter_objects.h"

#include <QDBusError>
#include <QStringList>
#include <QVariant>
#include <algorithm>
#include <climits>

#include "forms/page_snapshot.h"
#include "pages/page_snapshot_bus.h"

namespace zr {
namespace {

// A maximum length beyond the protocol's 32-bit integer is as good as none.
int ToBusInt(long value) { return static_cast<int>(std::clamp<long>(value, INT_MIN, INT_MAX)); }

// The types of a signature, one per argument. Every argument of these
// interfaces is a basic type or an array of one.
QStringList CompleteTypes(const char* signature) {
  QStringList types;
  for (const char* type = signature; *type; ++type) {
    const bool array = *type == 'a' && type[1];
    types << QString::fromLatin1(type, array ? 2 : 1);
    if (array) ++type;
  }
  return types;
}

// One method of a ZRForm.Page interface, answered for a page object of type Page.
template <typename Page>
struct Method {
  const char* name;
  const char* in;   // the arguments' signature
  const char* out;  // the reply's signature
  QVariantList (*answer)(Page& page, const QVariantList& arguments, ExportTable& table);
};

// The interface of a kind of page object: kName and kMethods.
template <typename Page>
struct PageInterface;
template <>
struct PageInterface<PageBrowser>;
template <>
struct PageInterface<PageDocument>;
template <>
struct PageInterface<PageForm>;
template <>
struct PageInterface<PageInput>;
template <>
struct PageInterface<PageTextArea>;
template <>
struct PageInterface<PageSelect>;
template <>
struct PageInterface<PageOption>;

template <typename Page>
class Exported final : public ExportedObject {
 public:
  explicit Exported(std::unique_ptr<Page> page) : page_(std::move(page)) {}

  QDBusMessage Answer(const QDBusMessage& message, ExportTable& table) override {
    using Interface = PageInterface<Page>;
    const QString interface = QString::fromLatin1(Interface::kName);
    if (!message.interface().isEmpty() && message.interface() != interface) {
      return message.createErrorReply(
          QDBusError::UnknownInterface,
          QStringLiteral("%1 is a %2 object").arg(message.path(), interface));
    }
    for (const Method<Page>& method : Interface::kMethods) {
      if (message.member() != QLatin1StringView(method.name)) continue;
      if (message.signature() != QLatin1StringView(method.in)) {
        return message.createErrorReply(
            QDBusError::InvalidArgs, QStringLiteral("%1.%2 takes \"%3\", not \"%4\"")
                                         .arg(interface, QLatin1StringView(method.name),
                                              QLatin1StringView(method.in), message.signature()));
      }
      return message.createReply(method.answer(*page_, message.arguments(), table));
    }
    return message.createErrorReply(
        QDBusError::UnknownMethod,
        QStringLiteral("%1 has no method %2").arg(interface, message.member()));
  }

  QString Introspect() const override {
    using Interface = PageInterface<Page>;
    QString xml =
        QStringLiteral("  <interface name=\"%1\">\n").arg(QLatin1StringView(Interface::kName));
    for (const Method<Page>& method : Interface::kMethods) {
      xml += QStringLiteral("    <method name=\"%1\">").arg(QLatin1StringView(method.name));
      for (const QString& type : CompleteTypes(method.in)) {
        xml += QStringLiteral("<arg type=\"%1\" direction=\"in\"/>").arg(type);
      }
      for (const QString& type : CompleteTypes(method.out)) {
        xml += QStringLiteral("<arg type=\"%1\" direction=\"out\"/>").arg(type);
      }
      xml += QStringLiteral("</method>\n");
    }
    return xml + QStringLiteral("  </interface>\n");
  }

 private:
  std::unique_ptr<Page> page_;
};

template <typename Page>
std::unique_ptr<ExportedObject> Export(std::unique_ptr<Page> page) {
  if (!page) return nullptr;
  return std::make_unique<Exported<Page>>(std::move(page));
}

// The reply value naming a page object: its new path, or "/" for null.
template <typename Page>
QVariant PathOf(ExportTable& table, std::unique_ptr<Page> page) {
  return QVariant::fromValue(table.Add(Export(std::move(page))));
}

template <typename Item>
struct PageInterface<PageEnumerator<Item>> {
  static constexpr char kName[] = "ZRForm.Page.Enumerator";
  static constexpr Method<PageEnumerator<Item>> kMethods[] = {
      {"Next", "", "bo",
       [](PageEnumerator<Item>& enumerator, const QVariantList&, ExportTable& table) {
         PageNext<Item> next = enumerator.Next();
         if (!next.ok) return QVariantList{false, QVariant::fromValue(QDBusObjectPath("/"))};
         return QVariantList{true, PathOf(table, std::move(next.item))};
       }},
  };
};

template <typename Item>
struct PageInterface<PageCollection<Item>> {
  static constexpr char kName[] = "ZRForm.Page.Collection";
  static constexpr Method<PageCollection<Item>> kMethods[] = {
      {"Length", "", "bi",
       [](PageCollection<Item>& collection, const QVariantList&, ExportTable&) {
         std::optional<int> length = collection.Length();
         return QVariantList{length.has_value(), length.value_or(0)};
       }},
      {"Item", "i", "o",
       [](PageCollection<Item>& collection, const QVariantList& arguments, ExportTable& table) {
         return QVariantList{PathOf(table, collection.At(arguments[0].toInt()))};
       }},
      {"NewEnum", "", "o",
       [](PageCollection<Item>& collection, const QVariantList&, ExportTable& table) {
         return QVariantList{PathOf(table, collection.Enumerate())};
       }},
  };
};

template <>
struct PageInterface<PageBrowser> {
  static constexpr char kName[] = "ZRForm.Page.Browser";
  static constexpr Method<PageBrowser> kMethods[] = {
      {"Document", "", "o",
       [](PageBrowser& browser, const QVariantList&, ExportTable& table) {
         return QVariantList{PathOf(table, browser.Document())};
       }},
      // The document and all of it in one reply: a fill of a page handed
      // over whole costs the server this callback and ApplyWrites.
      {"Snapshot", "", kBrowserSnapshotSignature,
       [](PageBrowser& browser, const QVariantList&, ExportTable& table) {
         std::unique_ptr<PageDocument> document = browser.Document();
         QVariantList reply = SnapshotToBus(document ? TakeSnapshot(*document) : PageSnapshot());
         reply.prepend(PathOf(table, std::move(document)));
         return reply;
       }},
  };
};

template <>
struct PageInterface<PageDocument> {
  static constexpr char kName[] = "ZRForm.Page.Document";
  static constexpr Method<PageDocument> kMethods[] = {
      {"Url", "", "s",
       [](PageDocument& document, const QVariantList&, ExportTable&) {
         return QVariantList{ToBusText(document.Url())};
       }},
      {"Title", "", "s",
       [](PageDocument& document, const QVariantList&, ExportTable&) {
         return QVariantList{ToBusText(document.Title())};
       }},
      {"Forms", "", "o",
       [](PageDocument& document, const QVariantList&, ExportTable& table) {
         return QVariantList{PathOf(table, document.Forms())};
       }},
      // The whole document in one reply, and all of a fill's writes in one
      // request: a page of any size costs the server two callbacks.
      {"Snapshot", "", kSnapshotSignature,
       [](PageDocument& document, const QVariantList&, ExportTable&) {
         return SnapshotToBus(TakeSnapshot(document));
       }},
      {"ApplyWrites", kWritesSignature, "i",
       [](PageDocument& document, const QVariantList& arguments, ExportTable&) {
         std::optional<std::vector<PageWrite>> writes = WritesFromBus(arguments);
         return QVariantList{writes ? ApplyWrites(document, *writes) : 0};
       }},
  };
};

template <>
struct PageInterface<PageForm> {
  static constexpr char kName[] = "ZRForm.Page.Form";
  static constexpr Method<PageForm> kMethods[] = {
      {"Name", "", "s",
       [](PageForm& form, const QVariantList&, ExportTable&) {
         return QVariantList{ToBusText(form.Name())};
       }},
      // A tag name other than the three gives no collection, as the
      // document's own tags() gives none for an element the form lacks.
      {"Tags", "s", "o",
       [](PageForm& form, const QVariantList& arguments, ExportTable& table) {
         QString tag = arguments[0].toString();
         auto is = [&](const char* name) {
           return tag.compare(QLatin1StringView(name), Qt::CaseInsensitive) == 0;
         };
         if (is("INPUT")) return QVariantList{PathOf(table, form.Inputs())};
         if (is("TEXTAREA")) return QVariantList{PathOf(table, form.TextAreas())};
         if (is("SELECT")) return QVariantList{PathOf(table, form.Selects())};
         return QVariantList{QVariant::fromValue(QDBusObjectPath("/"))};
       }},
      {"Snapshot", "", kSnapshotSignature,
       [](PageForm& form, const QVariantList&, ExportTable&) {
         return SnapshotToBus(TakeSnapshot(form));
       }},
  };
};

template <>
struct PageInterface<PageInput> {
  static constexpr char kName[] = "ZRForm.Page.Input";
  static constexpr Method<PageInput> kMethods[] = {
      {"Type", "", "s",
       [](PageInput& input, const QVariantList&, ExportTable&) {
         return QVariantList{ToBusText(input.Type())};
       }},
      {"Name", "", "s",
       [](PageInput& input, const QVariantList&, ExportTable&) {
         return QVariantList{ToBusText(input.Name())};
       }},
      {"Value", "", "s",
       [](PageInput& input, const QVariantList&, ExportTable&) {
         return QVariantList{ToBusText(input.Value())};
       }},
      {"MaxLength", "", "bi",
       [](PageInput& input, const QVariantList&, ExportTable&) {
         std::optional<long> max_length = input.MaxLength();
         return QVariantList{max_length.has_value(), ToBusInt(max_length.value_or(0))};
       }},
      {"Describe", "", "sssbi",
       [](PageInput& input, const QVariantList&, ExportTable&) {
         std::optional<long> max_length = input.MaxLength();
         return QVariantList{ToBusText(input.Type()), ToBusText(input.Name()),
                             ToBusText(input.Value()), max_length.has_value(),
                             ToBusInt(max_length.value_or(0))};
       }},
      {"PutValue", "s", "b",
       [](PageInput& input, const QVariantList& arguments, ExportTable&) {
         return QVariantList{input.PutValue(FromBusText(arguments[0].toString()))};
       }},
  };
};

template <>
struct PageInterface<PageTextArea> {
  static constexpr char kName[] = "ZRForm.Page.TextArea";
  static constexpr Method<PageTextArea> kMethods[] = {
      {"Name", "", "s",
       [](PageTextArea& text_area, const QVariantList&, ExportTable&) {
         return QVariantList{ToBusText(text_area.Name())};
       }},
      {"PutValue", "s", "b",
       [](PageTextArea& text_area, const QVariantList& arguments, ExportTable&) {
         return QVariantList{text_area.PutValue(FromBusText(arguments[0].toString()))};
       }},
  };
};

template <>
struct PageInterface<PageSelect> {
  static constexpr char kName[] = "ZRForm.Page.Select";
  static constexpr Method<PageSelect> kMethods[] = {
      {"Name", "", "s",
       [](PageSelect& select, const QVariantList&, ExportTable&) {
         return QVariantList{ToBusText(select.Name())};
       }},
      {"Options", "", "o",
       [](PageSelect& select, const QVariantList&, ExportTable& table) {
         return QVariantList{PathOf(table, select.Options())};
       }},
  };
};

template <>
struct PageInterface<PageOption> {
  static constexpr char kName[] = "ZRForm.Page.Option";
  static constexpr Method<PageOption> kMethods[] = {
      {"Text", "", "s",
       [](PageOption& option, const QVariantList&, ExportTable&) {
         return QVariantList{ToBusText(option.Text())};
       }},
      {"Value", "", "s",
       [](PageOption& option, const QVariantList&, ExportTable&) {
         return QVariantList{ToBusText(option.Value())};
       }},
      {"PutSelected", "", "b",
       [](PageOption& option, const QVariantList&, ExportTable&) {
         return QVariantList{option.PutSelected()};
       }},
  };
};

// The browser handed to ExportBrowser stays the caller's.
class BrowserRef final : public PageBrowser {
 public:
  explicit BrowserRef(PageBrowser& browser) : browser_(browser) {}
  std::unique_ptr<PageDocument> Document() override { return browser_.Document(); }

 private:
  PageBrowser& browser_;
};

}  // namespace

std::unique_ptr<ExportedObject> ExportPageObject(PageBrowser& browser) {
  return Export<PageBrowser>(std::make_unique<BrowserRef>(browser));
}

std::unique_ptr<ExportedObject> ExportPageObject(std::unique_ptr<PageDocument> document) {
  return Export(std::move(document));
}

std::unique_ptr<ExportedObject> ExportPageObject(std::unique_ptr<PageForm> form) {
  return Export(std::move(form));
}

}  // namespace zr
