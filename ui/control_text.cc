// Conversions between control text and code-page text, and the stored-string
// limit for edits.
#include "ui/control_text.h"

#include "platform/code_page.h"

namespace zr {

QString FromCodePage(std::string_view text) { return QString::fromStdString(CodePageToUtf8(text)); }

std::string ToCodePage(const QString& text) {
  std::string bytes = Utf8ToCodePage(text.toStdString());
  if (bytes.size() > kMaxStoredTextBytes) {
    bytes.resize(CharBoundaryAtOrBefore(bytes, kMaxStoredTextBytes));
  }
  return bytes;
}

QValidator::State StoredTextValidator::validate(QString& input, int& /*position*/) const {
  // Cheap test first: no character takes more than 4 bytes in any code page.
  if (static_cast<size_t>(input.size()) * 4 <= kMaxStoredTextBytes) return Acceptable;
  return Utf8ToCodePage(input.toStdString()).size() <= kMaxStoredTextBytes ? Acceptable : Invalid;
}

}  // namespace zr
