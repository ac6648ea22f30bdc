// Text between the controls (Unicode) and the store (byte strings in the code
// page), with the limit of a stored string: 1024 bytes.
#ifndef ZRFORM_UI_CONTROL_TEXT_H_
#define ZRFORM_UI_CONTROL_TEXT_H_

#include <QString>
#include <QValidator>
#include <string>
#include <string_view>

namespace zr {

// The most bytes a stored string holds.
inline constexpr size_t kMaxStoredTextBytes = 1024;

// Code-page text for a control.
QString FromCodePage(std::string_view text);
// A control's text in the code page, cut at a character boundary to fit a
// stored string.
std::string ToCodePage(const QString& text);

// Accepts a text only while it fits a stored string in the code page, so an
// edit refuses the keystroke or paste that would make it longer.
class StoredTextValidator : public QValidator {
  Q_OBJECT

 public:
  using QValidator::QValidator;
  State validate(QString& input, int& position) const override;
};

}  // namespace zr

#endif  // ZRFORM_UI_CONTROL_TEXT_H_
