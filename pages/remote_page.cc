// The server's proxies for a client's page objects. A document (or form)
// whose client hands it over whole is read from one Snapshot callback (for a
// browser's document, where the link asks so, the same callback that fetches
// the document) and written into that snapshot, whose writes
// FlushRemoteWrites sends in one request. Otherwise each operation of
// PageForms is one callback (CallPage); a callback that fails reads as the
// null item, the empty text, none or false. Input proxies read all four of
// their values in one Describe call and serve reads from it until they write.
#include "pages/remote_page.h"

#include <QDBusObjectPath>
#include <QVariant>
#include <utility>

#include "pages/page_snapshot_bus.h"
#include "pages/remote_page_call.h"

namespace zr {
namespace {

bool IsNullPath(const QString& path) { return path.isEmpty() || path == QLatin1StringView("/"); }

// What every proxy has: the page's link and the object's path and interface.
class ProxyBase {
 protected:
  ProxyBase(std::shared_ptr<RemotePageLink> link, QString path, const char* interface)
      : link_(std::move(link)), path_(std::move(path)), interface_(interface) {}

  std::optional<QVariantList> Call(const char* member, const char* reply_signature,
                                   const QVariantList& arguments = {}) const {
    return CallPage(*link_, path_, interface_, member, reply_signature, arguments);
  }
  PageText Text(const char* member) const {
    std::optional<QVariantList> reply = Call(member, "s");
    return reply ? FromBusText(reply->at(0).toString()) : PageText();
  }
  // The path of the object the call yields; "/" when it failed.
  QString Path(const char* member, const QVariantList& arguments = {}) const {
    std::optional<QVariantList> reply = Call(member, "o", arguments);
    return reply ? reply->at(0).value<QDBusObjectPath>().path() : QStringLiteral("/");
  }
  bool Succeeds(const char* member, const QVariantList& arguments = {}) const {
    std::optional<QVariantList> reply = Call(member, "b", arguments);
    return reply && reply->at(0).toBool();
  }

  std::shared_ptr<RemotePageLink> link_;
  const QString path_;
  const char* const interface_;
};

// The proxy at path, or null for the null object.
template <typename Proxy>
std::unique_ptr<Proxy> MakeProxy(const std::shared_ptr<RemotePageLink>& link, const QString& path) {
  if (!link || IsNullPath(path)) return nullptr;
  return std::make_unique<Proxy>(link, path);
}

// The proxy class of each kind of collection item.
template <typename Item>
struct ProxyOf;

class FormProxy;
class InputProxy;
class TextAreaProxy;
class SelectProxy;
class OptionProxy;

template <>
struct ProxyOf<PageForm> {
  using Type = FormProxy;
};
template <>
struct ProxyOf<PageInput> {
  using Type = InputProxy;
};
template <>
struct ProxyOf<PageTextArea> {
  using Type = TextAreaProxy;
};
template <>
struct ProxyOf<PageSelect> {
  using Type = SelectProxy;
};
template <>
struct ProxyOf<PageOption> {
  using Type = OptionProxy;
};

template <typename Item>
class EnumeratorProxy final : public PageEnumerator<Item>, ProxyBase {
 public:
  EnumeratorProxy(std::shared_ptr<RemotePageLink> link, QString path)
      : ProxyBase(std::move(link), std::move(path), "ZRForm.Page.Enumerator") {}

  PageNext<Item> Next() override {
    std::optional<QVariantList> reply = Call("Next", "bo");
    if (!reply || !reply->at(0).toBool()) return {};
    QString item = reply->at(1).value<QDBusObjectPath>().path();
    return {true, MakeProxy<typename ProxyOf<Item>::Type>(link_, item)};
  }
};

template <typename Item>
class CollectionProxy final : public PageCollection<Item>, ProxyBase {
 public:
  CollectionProxy(std::shared_ptr<RemotePageLink> link, QString path)
      : ProxyBase(std::move(link), std::move(path), "ZRForm.Page.Collection") {}

  std::optional<int> Length() override {
    std::optional<QVariantList> reply = Call("Length", "bi");
    if (!reply || !reply->at(0).toBool() || reply->at(1).toInt() < 0) return std::nullopt;
    return reply->at(1).toInt();
  }
  std::unique_ptr<Item> At(int index) override {
    return MakeProxy<typename ProxyOf<Item>::Type>(link_, Path("Item", {index}));
  }
  std::unique_ptr<PageEnumerator<Item>> Enumerate() override {
    return MakeProxy<EnumeratorProxy<Item>>(link_, Path("NewEnum"));
  }
};

class OptionProxy final : public PageOption, ProxyBase {
 public:
  OptionProxy(std::shared_ptr<RemotePageLink> link, QString path)
      : ProxyBase(std::move(link), std::move(path), "ZRForm.Page.Option") {}
  PageText Text() override { return ProxyBase::Text("Text"); }
  PageText Value() override { return ProxyBase::Text("Value"); }
  bool PutSelected() override { return Succeeds("PutSelected"); }
};

class InputProxy final : public PageInput, ProxyBase {
 public:
  InputProxy(std::shared_ptr<RemotePageLink> link, QString path)
      : ProxyBase(std::move(link), std::move(path), "ZRForm.Page.Input") {}

  PageText Type() override { return Described() ? described_->type : Text("Type"); }
  PageText Name() override { return Described() ? described_->name : Text("Name"); }
  PageText Value() override { return Described() ? described_->value : Text("Value"); }
  std::optional<long> MaxLength() override {
    if (Described()) return described_->max_length;
    std::optional<QVariantList> reply = Call("MaxLength", "bi");
    if (!reply || !reply->at(0).toBool()) return std::nullopt;
    return reply->at(1).toInt();
  }
  bool PutValue(const PageText& value) override {
    described_.reset();  // the page may change more than the value on a write
    return Succeeds("PutValue", {ToBusText(value)});
  }

 private:
  struct Description {
    PageText type, name, value;
    std::optional<long> max_length;
  };

  // Whether described_ holds the input's values, read now if need be. When
  // Describe fails the proxy falls back to one call per read: a value that
  // cannot be read then spoils only itself.
  bool Described() {
    if (described_) return true;
    if (describe_failed_ || CurrentRemotePageReads() == RemotePageReads::kOneCallPerRead) {
      return false;
    }
    std::optional<QVariantList> reply = Call("Describe", "sssbi");
    if (!reply) {
      describe_failed_ = true;
      return false;
    }
    const QVariantList& values = *reply;
    described_ =
        Description{FromBusText(values[0].toString()), FromBusText(values[1].toString()),
                    FromBusText(values[2].toString()),
                    values[3].toBool() ? std::optional<long>(values[4].toInt()) : std::nullopt};
    return true;
  }

  std::optional<Description> described_;
  bool describe_failed_ = false;
};

class TextAreaProxy final : public PageTextArea, ProxyBase {
 public:
  TextAreaProxy(std::shared_ptr<RemotePageLink> link, QString path)
      : ProxyBase(std::move(link), std::move(path), "ZRForm.Page.TextArea") {}
  PageText Name() override { return Text("Name"); }
  bool PutValue(const PageText& value) override { return Succeeds("PutValue", {ToBusText(value)}); }
};

class SelectProxy final : public PageSelect, ProxyBase {
 public:
  SelectProxy(std::shared_ptr<RemotePageLink> link, QString path)
      : ProxyBase(std::move(link), std::move(path), "ZRForm.Page.Select") {}
  PageText Name() override { return Text("Name"); }
  std::unique_ptr<PageCollection<PageOption>> Options() override {
    return MakeProxy<CollectionProxy<PageOption>>(link_, Path("Options"));
  }
};

// The snapshot of the document or form at path (of interface), taken now;
// none when the client does not offer one or its reply is malformed. Then
// the link reads element by element from here on.
std::optional<SnapshotPage> TakeRemoteSnapshot(RemotePageLink& link, const QString& path,
                                               const char* interface) {
  if (link.no_snapshots || CurrentRemotePageReads() != RemotePageReads::kSnapshot) {
    return std::nullopt;
  }
  std::optional<QVariantList> reply =
      CallPage(link, path, interface, "Snapshot", kSnapshotSignature);
  std::optional<PageSnapshot> snapshot = reply ? SnapshotFromBus(*reply) : std::nullopt;
  if (!snapshot) {
    link.no_snapshots = true;
    return std::nullopt;
  }
  return SnapshotPage(std::move(*snapshot));
}

class FormProxy final : public PageForm, ProxyBase {
 public:
  FormProxy(std::shared_ptr<RemotePageLink> link, QString path)
      : ProxyBase(std::move(link), std::move(path), "ZRForm.Page.Form") {}
  PageText Name() override { return Whole() ? whole_->Name() : Text("Name"); }
  std::unique_ptr<PageCollection<PageInput>> Inputs() override {
    return Whole() ? whole_->Inputs() : Tags<PageInput>("INPUT");
  }
  std::unique_ptr<PageCollection<PageTextArea>> TextAreas() override {
    return Whole() ? whole_->TextAreas() : Tags<PageTextArea>("TEXTAREA");
  }
  std::unique_ptr<PageCollection<PageSelect>> Selects() override {
    return Whole() ? whole_->Selects() : Tags<PageSelect>("SELECT");
  }

 private:
  template <typename Item>
  std::unique_ptr<PageCollection<Item>> Tags(const char* tag_name) {
    return MakeProxy<CollectionProxy<Item>>(link_, Path("Tags", {QString::fromLatin1(tag_name)}));
  }
  // Whether the form was handed over whole (a form is read, as the submitted
  // form of a capture, never written).
  bool Whole() {
    if (!tried_) {
      tried_ = true;
      if (std::optional<SnapshotPage> page = TakeRemoteSnapshot(*link_, path_, interface_)) {
        whole_ = page->Form(0);
      }
    }
    return whole_ != nullptr;
  }

  bool tried_ = false;
  std::unique_ptr<PageForm> whole_;
};

class DocumentProxy final : public PageDocument, ProxyBase {
 public:
  // source: the path of the browser the document was fetched through, or the
  // document's own path.
  DocumentProxy(std::shared_ptr<RemotePageLink> link, QString path, QString source = {})
      : ProxyBase(std::move(link), std::move(path), "ZRForm.Page.Document"),
        source_(source.isEmpty() ? path_ : std::move(source)) {}
  PageText Url() override { return Whole() ? whole_->Url() : Text("Url"); }
  PageText Title() override { return Whole() ? whole_->Title() : Text("Title"); }
  std::unique_ptr<PageCollection<PageForm>> Forms() override {
    if (Whole()) return whole_->Forms();
    return MakeProxy<CollectionProxy<PageForm>>(link_, Path("Forms"));
  }

 private:
  bool Whole() {
    if (!tried_) {
      tried_ = true;
      if (std::optional<SnapshotPage> page = TakeRemoteSnapshot(*link_, path_, interface_)) {
        whole_ = page->Document();
        link_->snapshots.push_back({source_, path_, std::move(*page)});
      }
    }
    return whole_ != nullptr;
  }

  const QString source_;
  bool tried_ = false;
  std::unique_ptr<PageDocument> whole_;
};

class BrowserProxy final : public PageBrowser, ProxyBase {
 public:
  BrowserProxy(std::shared_ptr<RemotePageLink> link, QString path)
      : ProxyBase(std::move(link), std::move(path), "ZRForm.Page.Browser") {}
  // A browser whose document was handed over whole in this call gives that
  // snapshot again, with no callback: one call reads the page once.
  std::unique_ptr<PageDocument> Document() override {
    for (const RemoteSnapshot& snapshot : link_->snapshots) {
      if (snapshot.source == path_) return snapshot.page.Document();
    }
    if (std::optional<std::unique_ptr<PageDocument>> whole = WholeDocument()) {
      return std::move(*whole);
    }
    QString document = Path("Document");
    if (IsNullPath(document)) return nullptr;
    return std::make_unique<DocumentProxy>(link_, document, path_);
  }

 private:
  // The document with its snapshot from one callback, where the link asks
  // for it so; none when the client does not answer that (then the document
  // is fetched as above, and a malformed snapshot reads it element by element).
  std::optional<std::unique_ptr<PageDocument>> WholeDocument() {
    if (!link_->browser_snapshots || link_->no_snapshots ||
        CurrentRemotePageReads() != RemotePageReads::kSnapshot) {
      return std::nullopt;
    }
    std::optional<QVariantList> reply = Call("Snapshot", kBrowserSnapshotSignature);
    if (!reply) {
      link_->browser_snapshots = false;
      if (link_->dead) return nullptr;
      return std::nullopt;
    }
    const QString document = reply->at(0).value<QDBusObjectPath>().path();
    if (IsNullPath(document)) return nullptr;
    std::optional<PageSnapshot> snapshot = SnapshotFromBus(reply->mid(1));
    if (!snapshot) {
      link_->no_snapshots = true;
      return std::make_unique<DocumentProxy>(link_, document, path_);
    }
    SnapshotPage page(std::move(*snapshot));
    std::unique_ptr<PageDocument> whole = page.Document();
    link_->snapshots.push_back({path_, document, std::move(page)});
    return whole;
  }
};

}  // namespace

std::unique_ptr<PageBrowser> RemoteBrowser(std::shared_ptr<RemotePageLink> link,
                                           const QString& path) {
  return MakeProxy<BrowserProxy>(link, path);
}

std::unique_ptr<PageDocument> RemoteDocument(std::shared_ptr<RemotePageLink> link,
                                             const QString& path) {
  return MakeProxy<DocumentProxy>(link, path);
}

std::unique_ptr<PageForm> RemoteForm(std::shared_ptr<RemotePageLink> link, const QString& path) {
  return MakeProxy<FormProxy>(link, path);
}

int FlushRemoteWrites(RemotePageLink& link) {
  int applied = 0;
  for (RemoteSnapshot& snapshot : std::exchange(link.snapshots, {})) {
    std::vector<PageWrite> writes = snapshot.page.TakeWrites();
    if (writes.empty()) continue;
    if (link.unanswered_writes) {
      if (SendToPage(link, snapshot.document, "ZRForm.Page.Document", "ApplyWrites",
                     WritesToBus(writes))) {
        applied += static_cast<int>(writes.size());
      }
      continue;
    }
    std::optional<QVariantList> reply = CallPage(link, snapshot.document, "ZRForm.Page.Document",
                                                 "ApplyWrites", "i", WritesToBus(writes));
    if (reply) applied += reply->at(0).toInt();
  }
  return applied;
}

}  // namespace zr
