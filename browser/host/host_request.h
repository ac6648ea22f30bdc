// The host's side of the browser protocol (browser/protocol.md, section 2):
// a request decoded into a plain struct, the page snapshot it carries, the
// fill's writes as indices into that snapshot's elements, replies, and the
// UpdateFormFields text that teaches a profile field one exact input name.
// No bus here: the calls are made by HostSession.
#ifndef ZRFORM_BROWSER_HOST_HOST_REQUEST_H_
#define ZRFORM_BROWSER_HOST_HOST_REQUEST_H_

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "forms/page_snapshot.h"

namespace zr {

enum class HostOp {
  kPing,
  kFill,
  kRecord,
  kCapture,
  kAutoRecord,
  kCount,
  kLoginManager,
  kFormManager,
  kHistoryAdd,
  kHistoryList,
  kHistoryClear,
  kTeach,
};

struct HostRequest {
  QJsonValue id;  // a number or a string as the request gave it; else null
  HostOp op = HostOp::kPing;
  int type = 0;  // fill: 1 logins, 2 Home, 3 Work
  bool force = false;
  bool automatic = false;
  PageSnapshot page;  // fill, record, capture
  int form = 0;       // capture: index into page.forms
  std::string url;    // count
  std::string text;   // history-add
  int item_type = 0;  // history-add: the type stored with the text
  bool work = false;  // teach: the Work profile, else Home
  std::string field;  // teach: a profile field's internal name
  std::string name;   // teach: the input's name
};

struct DecodedRequest {
  std::optional<HostRequest> request;  // set when the message is well formed
  QJsonValue id;                       // the id found, for the error reply
  std::string error;                   // why not, in words
};

// A snapshot with more elements or options than the snapshot keeps is not
// cut but refused: the extension bounds its snapshots well below these.
DecodedRequest DecodeRequest(std::string_view json);

// The writes as [{"element": i, "value": v} | {"element": i, "option": k}],
// element an index into snapshot.elements. A write whose element is not in
// the snapshot is left out.
QJsonArray WritesToJson(const PageSnapshot& snapshot, const std::vector<PageWrite>& writes);
// The snapshot index of the element write names, or none.
std::optional<int> ElementIndex(const PageSnapshot& snapshot, const PageWrite& write);

// {"id", "ok": false, "code", "error"}.
QJsonObject ErrorReply(const QJsonValue& id, std::string_view code, std::string_view error);
// The reply's bytes; an error reply instead when they would exceed what a
// browser takes from a host.
std::string ReplyBytes(const QJsonValue& id, const QJsonObject& reply);

// The UpdateFormFields text that adds name, exactly and as the only name the
// pattern matches (ASCII case ignored, as every field pattern), to field of
// the Home or Work profile. Empty, with *error set, when field is not a
// profile field or name cannot be written as a pattern (empty, or holding
// ';', '"', '>' or a control character, which the section format cannot carry).
std::string TeachFieldsText(bool work, std::string_view field, std::string_view name,
                            std::string* error);

}  // namespace zr

#endif  // ZRFORM_BROWSER_HOST_HOST_REQUEST_H_
