// A minimal JSON writer for zrdata.
#include "tools/json_writer.h"

#include <cstdio>

#include "platform/code_page.h"

namespace zr {

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

void JsonWriter::Key(std::string_view name) {
  BeforeValue();
  Quoted(name);
  text_ += ':';
  after_key_ = true;
}

void JsonWriter::String(std::string_view code_page_text) {
  BeforeValue();
  Quoted(CodePageToUtf8(code_page_text));
}

void JsonWriter::Number(int64_t value) {
  BeforeValue();
  text_ += std::to_string(value);
}

void JsonWriter::Bool(bool value) {
  BeforeValue();
  text_ += value ? "true" : "false";
}

void JsonWriter::Quoted(std::string_view utf8) {
  text_ += '"';
  for (char c : utf8) {
    switch (c) {
      case '"':
        text_ += "\\\"";
        break;
      case '\\':
        text_ += "\\\\";
        break;
      case '\n':
        text_ += "\\n";
        break;
      case '\r':
        text_ += "\\r";
        break;
      case '\t':
        text_ += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
          text_ += escaped;
        } else {
          text_ += c;
        }
    }
  }
  text_ += '"';
}

}  // namespace zr
