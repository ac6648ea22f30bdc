// The server side of a remote page: PageForms objects whose every read and
// write is a call back to the client's exported page objects (PageExporter).
// Calls wait in an event loop of their own, so the server keeps serving other
// clients while it waits, and every wait ends: a callback has a timeout, a
// page has a budget of time and of callbacks, and a call that runs inside
// another call's wait gives way when it holds that call for too long. A page
// that fails one of these counts as dead: from then on every call on it fails
// at once, so its caller returns.
#ifndef ZRFORM_PAGES_REMOTE_PAGE_H_
#define ZRFORM_PAGES_REMOTE_PAGE_H_

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QString>
#include <memory>
#include <vector>

#include "forms/page_forms.h"
#include "forms/page_snapshot.h"

namespace zr {

// The most callbacks one page gets. A fill or a capture of a page of some
// thousands of fields takes a few tens of thousands; a client that claims an
// endless collection gets a walk that ends.
inline constexpr long kMaxCallbacksPerPage = 200'000;
// The longest one page is called back, from its first callback on (a bus
// call gives its link to one page).
inline constexpr int kPageBudgetMs = 30'000;
// How long a call that runs inside the wait of another call may go on once
// that other call's callback has its answer (or ran out of time): the other
// call can go on only when this one has returned. Past that, the inner call's
// page counts as dead, so one client delays another by about this much.
inline constexpr int kMaxHoldMs = 3'000;
// The most waits inside each other (calls that arrived while callbacks of
// other calls waited, or a page that calls the server back from a callback).
// A callback deeper than that fails at once and kills its page.
inline constexpr int kMaxNestedWaits = 32;

// A document the client handed over whole (Snapshot): the fill reads it and
// writes into it here, and the writes go back in one request at the end.
struct RemoteSnapshot {
  QString source;    // the path of the browser or document it was taken through
  QString document;  // the path of the document the writes go to
  SnapshotPage page;
};

// What all objects of one remote page share.
struct RemotePageLink {
  QDBusConnection connection;
  QString service;        // the client's bus name (its unique name)
  int timeout_ms = 3000;  // per callback
  long callbacks = 0;     // calls made so far (for measurements)
  bool dead = false;      // a callback timed out, the client left, a budget ran out
  long max_callbacks = kMaxCallbacksPerPage;
  int budget_ms = kPageBudgetMs;  // counted on clock
  int hold_ms = kMaxHoldMs;
  QElapsedTimer clock{};      // started by the first callback unless started before
  bool no_snapshots = false;  // the client does not hand documents over whole
  // A browser's document is asked for with its snapshot in one callback
  // (Browser.Snapshot), for a call that reads the page as soon as it has it;
  // off, the document is fetched first and handed over when first read.
  bool browser_snapshots = false;
  // ApplyWrites is sent without waiting for the client's answer: the reply to
  // the call that read the page follows it on the bus, and a bus delivers
  // one sender's messages in order, so the client has the writes first.
  bool unanswered_writes = false;
  std::vector<RemoteSnapshot> snapshots{};
};

// The page objects at the client's paths; null when path is "/" or empty (the
// null object). They share link, which must outlive none of them (they keep it).
std::unique_ptr<PageBrowser> RemoteBrowser(std::shared_ptr<RemotePageLink> link,
                                           const QString& path);
std::unique_ptr<PageDocument> RemoteDocument(std::shared_ptr<RemotePageLink> link,
                                             const QString& path);
std::unique_ptr<PageForm> RemoteForm(std::shared_ptr<RemotePageLink> link, const QString& path);

// Sends the writes made on the link's snapshots to their documents, one
// request per document (ApplyWrites), and forgets them. Call it when the
// call that read the page is done with it. Returns the writes the client
// says it made (with unanswered_writes, the writes sent).
int FlushRemoteWrites(RemotePageLink& link);

}  // namespace zr

#endif  // ZRFORM_PAGES_REMOTE_PAGE_H_
