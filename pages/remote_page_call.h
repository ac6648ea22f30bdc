// One callback of a remote page: an asynchronous method call to the client's
// page object, waited for in an event loop with a timer of its own. Internal
// to the remote page (and its tests).
#ifndef ZRFORM_PAGES_REMOTE_PAGE_CALL_H_
#define ZRFORM_PAGES_REMOTE_PAGE_CALL_H_

#include <QString>
#include <QVariantList>
#include <optional>

#include "pages/remote_page.h"

namespace zr {

// Calls member of interface on the client's object at path and waits for the
// reply, serving other events meanwhile. The wait ends at the first of:
// link.timeout_ms, the rest of link.budget_ms, and (when a wait below this
// one has ended and waits for this one to return) the rest of link.hold_ms.
// Returns the reply's values when it carries exactly reply_signature; none
// when the call failed (an error reply, another signature, no answer in
// time). A call without an answer, one the client is no longer on the bus to
// answer, and one past a budget (link.max_callbacks, link.budget_ms,
// link.hold_ms, kMaxNestedWaits) mark the link dead; on a dead link the call
// fails at once, with no round trip. Each round trip counts in
// link.callbacks.
std::optional<QVariantList> CallPage(RemotePageLink& link, const QString& path,
                                     const char* interface, const char* member,
                                     const char* reply_signature,
                                     const QVariantList& arguments = {});

// Sends member of interface to the client's object at path and does not wait
// for its answer. Counts in link.callbacks and its budget as
// a callback; false on a dead link, past the budget (which kills it) or when
// the message cannot be sent.
bool SendToPage(RemotePageLink& link, const QString& path, const char* interface,
                const char* member, const QVariantList& arguments);

// How remote pages are read: the whole document in one Snapshot call where
// the client offers it, with the writes sent in one request at the end (the
// default); else element by element, each input read in one Describe call
// serving every read until the proxy writes; or one call per read. The
// others are kept to measure what the first saves, and to check that they
// read a page alike. Process-wide; set it from the thread of the remote pages.
enum class RemotePageReads { kSnapshot, kDescribeOnce, kOneCallPerRead };
void SetRemotePageReads(RemotePageReads reads);
RemotePageReads CurrentRemotePageReads();

}  // namespace zr

#endif  // ZRFORM_PAGES_REMOTE_PAGE_CALL_H_
