// zrdata's JSON output: objects, arrays, numbers and strings, written in the
// order they are given (a QJsonObject would sort the members), each key and
// value encoded by QJsonDocument. Strings are taken in the code page and
// written as UTF-8.
#ifndef ZRFORM_TOOLS_JSON_WRITER_H_
#define ZRFORM_TOOLS_JSON_WRITER_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class QJsonValue;

namespace zr {

class JsonWriter {
 public:
  void BeginObject() { Open('{'); }
  void EndObject() { Close('}'); }
  void BeginArray() { Open('['); }
  void EndArray() { Close(']'); }
  // The name of the next member of the current object.
  void Key(std::string_view name);
  void String(std::string_view code_page_text);
  void Number(int64_t value);
  void Bool(bool value);

  const std::string& text() const { return text_; }

 private:
  void Open(char bracket);
  void Close(char bracket);
  void BeforeValue();
  void Scalar(const QJsonValue& value);

  std::string text_;
  std::vector<bool> has_items_;  // per open object or array
  bool after_key_ = false;
};

}  // namespace zr

#endif  // ZRFORM_TOOLS_JSON_WRITER_H_
