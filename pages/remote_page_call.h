// One callback of a remote page: a method call to the client's page object
// that waits in an event loop, bounded by the page's timeout. Internal to the
// remote page (and its tests).
#ifndef ZRFORM_PAGES_REMOTE_PAGE_CALL_H_
#define ZRFORM_PAGES_REMOTE_PAGE_CALL_H_

#include <QString>
#include <QVariantList>
#include <optional>

#include "pages/remote_page.h"

namespace zr {

// The most callbacks one page gets. A fill and a capture of a page of 100,000
// inputs take under a million; a client that claims an endless collection
// gets a walk that ends.
inline constexpr long kMaxCallbacksPerPage = 4'000'000;

// Calls member of interface on the client's object at path and waits for the
// reply, at most link.timeout_ms, serving other events meanwhile. Returns the
// reply's values when it carries exactly reply_signature; none when the call
// failed (an error reply, another signature, no answer in time). A call
// without an answer, or one the client is no longer on the bus to answer,
// marks the link dead, and so does reaching kMaxCallbacksPerPage; on a dead
// link the call fails at once, with no round trip. Each round trip counts in
// link.callbacks.
std::optional<QVariantList> CallPage(RemotePageLink& link, const QString& path,
                                     const char* interface, const char* member,
                                     const char* reply_signature,
                                     const QVariantList& arguments = {});

// How input proxies read: one Describe call serving every read until the
// proxy writes (the default), or one call per read. The second is kept to
// measure what the first saves. Process-wide; set it from the thread of the
// remote pages.
enum class RemoteInputReads { kDescribeOnce, kOneCallPerRead };
void SetRemoteInputReads(RemoteInputReads reads);
RemoteInputReads CurrentRemoteInputReads();

}  // namespace zr

#endif  // ZRFORM_PAGES_REMOTE_PAGE_CALL_H_
