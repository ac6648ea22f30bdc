// Fuzz target: the browser host's input, a stream of native messaging frames.
// Each frame is decoded into a request; a page is served as a snapshot whose
// first element of each kind is written, and the writes must map back to
// elements of that kind. Error replies must stay JSON objects that carry the
// request's id and fit in what a browser takes.
// Input: the bytes on the host's standard input.
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdint>

#include "browser/host/host_request.h"
#include "browser/host/native_frame.h"
#include "fuzz/fuzz_support.h"

namespace zr {
namespace {

// Writes a value into the first input and text area of every form, and
// selects the first option of its first select, as a fill would.
void WriteEveryForm(SnapshotPage& page) {
  auto forms = page.Document()->Forms();
  const int count = forms->Length().value_or(0);
  for (int index = 0; index < count; ++index) {
    std::unique_ptr<PageForm> form = forms->At(index);
    if (auto inputs = form->Inputs(); inputs->Length().value_or(0) > 0) {
      (void)inputs->At(0)->PutValue("v");
    }
    if (auto areas = form->TextAreas(); areas->Length().value_or(0) > 0) {
      (void)areas->At(0)->PutValue("t");
    }
    if (auto selects = form->Selects(); selects->Length().value_or(0) > 0) {
      auto options = selects->At(0)->Options();
      if (options && options->Length().value_or(0) > 0) (void)options->At(0)->PutSelected();
    }
  }
}

void CheckPage(const HostRequest& request) {
  const PageSnapshot& snapshot = request.page;
  ZR_FUZZ_CHECK(snapshot.elements.size() <= kMaxSnapshotElements);
  for (const SnapshotElement& element : snapshot.elements) {
    ZR_FUZZ_CHECK(element.name.size() <= kMaxSnapshotText);
    ZR_FUZZ_CHECK(element.value.size() <= kMaxSnapshotText);
  }
  SnapshotPage page(snapshot);
  WriteEveryForm(page);
  const std::vector<PageWrite> writes = page.TakeWrites();
  QJsonArray json = WritesToJson(page.snapshot(), writes);
  ZR_FUZZ_CHECK(json.size() == static_cast<qsizetype>(writes.size()));
  for (qsizetype i = 0; i < json.size(); ++i) {
    const int element = json[i].toObject().value(QStringLiteral("element")).toInt(-1);
    ZR_FUZZ_CHECK(element >= 0 && element < static_cast<int>(snapshot.elements.size()));
    const SnapshotElement& written = snapshot.elements[static_cast<size_t>(element)];
    ZR_FUZZ_CHECK(written.kind == writes[static_cast<size_t>(i)].kind);
    ZR_FUZZ_CHECK(written.form == writes[static_cast<size_t>(i)].form);
  }
}

void RunInput(std::string_view bytes) {
  while (true) {
    FrameRead frame = ReadFrame(bytes);
    if (frame.status != FrameRead::Status::kFrame) return;
    ZR_FUZZ_CHECK(frame.consumed == sizeof(uint32_t) + frame.payload.size());
    ZR_FUZZ_CHECK(frame.length > 0 && frame.length <= kMaxRequestBytes);
    bytes.remove_prefix(frame.consumed);
    DecodedRequest decoded = DecodeRequest(frame.payload);
    ZR_FUZZ_CHECK(decoded.request.has_value() == decoded.error.empty());
    if (!decoded.request) {
      const std::string reply =
          ReplyBytes(decoded.id, ErrorReply(decoded.id, "bad-message", decoded.error));
      ZR_FUZZ_CHECK(reply.size() <= kMaxReplyBytes);
      QJsonObject object = QJsonDocument::fromJson(QByteArray::fromStdString(reply)).object();
      ZR_FUZZ_CHECK(object.value(QStringLiteral("id")) == decoded.id);
      continue;
    }
    const HostRequest& request = *decoded.request;
    if (request.op == HostOp::kFill || request.op == HostOp::kRecord ||
        request.op == HostOp::kCapture) {
      CheckPage(request);
    }
    if (request.op == HostOp::kTeach) {
      std::string error;
      std::string text = TeachFieldsText(request.work, request.field, request.name, &error);
      ZR_FUZZ_CHECK(text.empty() != error.empty());
    }
  }
}

}  // namespace
}  // namespace zr

ZR_FUZZ_ENTRY(zr::RunInput)
