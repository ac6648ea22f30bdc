// The server side of a remote page: PageForms objects whose every read and
// write is a call back to the client's exported page objects (PageExporter).
// Calls wait in an event loop, so the server keeps serving other clients while
// it waits, and they are bounded by a timeout: a callback without an answer
// fails, and from then on every call on that page fails at once, so a client
// that stopped answering delays its caller by one timeout at most.
#ifndef ZRFORM_PAGES_REMOTE_PAGE_H_
#define ZRFORM_PAGES_REMOTE_PAGE_H_

#include <QDBusConnection>
#include <QString>
#include <memory>

#include "forms/page_forms.h"

namespace zr {

// What all objects of one remote page share.
struct RemotePageLink {
  QDBusConnection connection;
  QString service;             // the client's bus name (its unique name)
  int timeout_ms = 3000;       // per callback
  long callbacks = 0;          // calls made so far (for measurements)
  bool dead = false;           // a callback timed out or the client left
};

// The page objects at the client's paths; null when path is "/" or empty (the
// null object). They share link, which must outlive none of them (they keep it).
std::unique_ptr<PageBrowser> RemoteBrowser(std::shared_ptr<RemotePageLink> link,
                                           const QString& path);
std::unique_ptr<PageDocument> RemoteDocument(std::shared_ptr<RemotePageLink> link,
                                             const QString& path);
std::unique_ptr<PageForm> RemoteForm(std::shared_ptr<RemotePageLink> link, const QString& path);

}  // namespace zr

#endif  // ZRFORM_PAGES_REMOTE_PAGE_H_
