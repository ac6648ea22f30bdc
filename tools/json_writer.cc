// zrdata's JSON output: the brackets and commas in order, every scalar
// encoded by QJsonDocument.
#include "tools/json_writer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

#include "platform/code_page.h"

namespace zr {
namespace {

// value as JSON text: QJsonDocument writes it as the only item of an array,
// whose brackets are then dropped.
std::string Encoded(const QJsonValue& value) {
  QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
  return std::string(array.constData() + 1, static_cast<size_t>(array.size()) - 2);
}

QString FromUtf8(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace

void JsonWriter::BeforeValue() {
  if (after_key_) {
    after_key_ = false;
    return;
  }
  if (!has_items_.empty()) {
    if (has_items_.back()) text_ += ',';
    has_items_.back() = true;
  }
}

void JsonWriter::Open(char bracket) {
  BeforeValue();
  text_ += bracket;
  has_items_.push_back(false);
}

void JsonWriter::Close(char bracket) {
  text_ += bracket;
  has_items_.pop_back();
}

void JsonWriter::Scalar(const QJsonValue& value) {
  BeforeValue();
  text_ += Encoded(value);
}

void JsonWriter::Key(std::string_view name) {
  Scalar(FromUtf8(name));
  text_ += ':';
  after_key_ = true;
}

void JsonWriter::String(std::string_view code_page_text) {
  Scalar(FromUtf8(CodePageToUtf8(code_page_text)));
}

void JsonWriter::Number(int64_t value) { Scalar(static_cast<qint64>(value)); }

void JsonWriter::Bool(bool value) { Scalar(value); }

}  // namespace zr
