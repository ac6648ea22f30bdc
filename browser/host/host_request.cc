// Decoding the browser's requests, the page snapshot inside them, and the
// replies the host sends back; every JSON text goes through QJsonDocument.
#include "browser/host/host_request.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <cmath>
#include <limits>
#include <utility>

#include "browser/host/native_frame.h"
#include "platform/ascii_case.h"

namespace zr {
namespace {

// A field of the wrong type ends the decoding with a message naming it.
struct BadField {
  std::string message;
};

std::string Utf8(QString text) {
  // JSON allows lone surrogates ("\ud800"); each becomes U+FFFD, the way a
  // browser shows bytes it cannot decode.
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      ++i;
    } else if (text[i].isSurrogate()) {
      text[i] = QChar::ReplacementCharacter;
    }
  }
  QByteArray bytes = text.toUtf8();
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

class Fields {
 public:
  Fields(const QJsonObject& object, std::string where)
      : object_(object), where_(std::move(where)) {}

  std::string String(const char* key, bool required = false) const {
    QJsonValue value = object_.value(QLatin1String(key));
    if (value.isUndefined() && !required) return {};
    if (!value.isString()) Fail(key, "a string");
    return Utf8(value.toString());
  }
  bool Bool(const char* key) const {
    QJsonValue value = object_.value(QLatin1String(key));
    if (value.isUndefined()) return false;
    if (!value.isBool()) Fail(key, "true or false");
    return value.toBool();
  }
  // A whole number in [low, high]; fallback when absent and not required.
  long long Integer(const char* key, long long low, long long high, bool required,
                    long long fallback = 0) const {
    QJsonValue value = object_.value(QLatin1String(key));
    if (value.isUndefined() && !required) return fallback;
    double number = value.toDouble(std::nan(""));
    if (!value.isDouble() || !(number >= static_cast<double>(low)) ||
        !(number <= static_cast<double>(high)) || std::trunc(number) != number) {
      Fail(key,
           ("a whole number from " + std::to_string(low) + " to " + std::to_string(high)).c_str());
    }
    return static_cast<long long>(number);
  }
  QJsonArray Array(const char* key) const {
    QJsonValue value = object_.value(QLatin1String(key));
    if (value.isUndefined()) return {};
    if (!value.isArray()) Fail(key, "an array");
    return value.toArray();
  }
  QJsonObject Object(const char* key) const {
    QJsonValue value = object_.value(QLatin1String(key));
    if (!value.isObject()) Fail(key, "an object");
    return value.toObject();
  }
  std::string At(const char* key, qsizetype index) const {
    return where_ + key + "[" + std::to_string(index) + "]";
  }
  [[noreturn]] void Fail(const char* key, const char* what) const {
    throw BadField{where_ + key + " must be " + what};
  }

 private:
  const QJsonObject& object_;
  std::string where_;
};

QJsonObject ItemObject(const QJsonValue& value, const std::string& where) {
  if (!value.isObject()) throw BadField{where + " must be an object"};
  return value.toObject();
}

constexpr long long kIntMax = std::numeric_limits<int>::max();
constexpr long long kIntMin = std::numeric_limits<int>::min();

SnapshotElement DecodeElement(const QJsonObject& object, const std::string& where) {
  Fields fields(object, where + ".");
  SnapshotElement element;
  std::string kind = fields.String("kind", true);
  if (kind == "input") {
    element.kind = ElementKind::kInput;
  } else if (kind == "textarea") {
    element.kind = ElementKind::kTextArea;
  } else if (kind == "select") {
    element.kind = ElementKind::kSelect;
  } else {
    fields.Fail("kind", "\"input\", \"textarea\" or \"select\"");
  }
  // A form index that names no form leaves the element outside every form.
  element.form = static_cast<int>(fields.Integer("form", kIntMin, kIntMax, true));
  element.name = fields.String("name");
  if (element.kind == ElementKind::kSelect) {
    QJsonArray options = fields.Array("options");
    if (static_cast<size_t>(options.size()) > kMaxSnapshotOptions) {
      throw BadField{where + ".options has more than " + std::to_string(kMaxSnapshotOptions) +
                     " options"};
    }
    element.options.reserve(static_cast<size_t>(options.size()));
    for (qsizetype i = 0; i < options.size(); ++i) {
      QJsonObject option_object = ItemObject(options[i], fields.At("options", i));
      Fields option(option_object, fields.At("options", i) + ".");
      element.options.push_back({option.String("text"), option.String("value")});
    }
    return element;
  }
  element.value = fields.String("value");
  if (element.kind == ElementKind::kInput) {
    element.type = fields.String("type");
    long long max_length = fields.Integer("maxLength", -1, kIntMax, false, -1);
    if (max_length >= 0) element.max_length = static_cast<long>(max_length);
  }
  return element;
}

PageSnapshot DecodePage(const QJsonObject& object) {
  Fields fields(object, "page.");
  PageSnapshot page;
  page.url = fields.String("url");
  page.title = fields.String("title");
  page.truncated = fields.Bool("truncated");
  QJsonArray forms = fields.Array("forms");
  QJsonArray elements = fields.Array("elements");
  if (static_cast<size_t>(elements.size()) > kMaxSnapshotElements) {
    throw BadField{"the page has " + std::to_string(elements.size()) + " elements, more than " +
                   std::to_string(kMaxSnapshotElements)};
  }
  if (static_cast<size_t>(forms.size()) > kMaxSnapshotElements) {
    throw BadField{"the page has " + std::to_string(forms.size()) + " forms, more than " +
                   std::to_string(kMaxSnapshotElements)};
  }
  for (qsizetype i = 0; i < forms.size(); ++i) {
    QJsonObject form = ItemObject(forms[i], fields.At("forms", i));
    page.forms.push_back(Fields(form, fields.At("forms", i) + ".").String("name"));
  }
  size_t options = 0;
  page.elements.reserve(static_cast<size_t>(elements.size()));
  for (qsizetype i = 0; i < elements.size(); ++i) {
    std::string where = fields.At("elements", i);
    page.elements.push_back(DecodeElement(ItemObject(elements[i], where), where));
    options += page.elements.back().options.size();
    if (options > kMaxSnapshotOptions) {
      throw BadField{"the page has more than " + std::to_string(kMaxSnapshotOptions) +
                     " options in all"};
    }
  }
  BoundSnapshot(page);
  return page;
}

struct OpName {
  const char* name;
  HostOp op;
};
constexpr OpName kOps[] = {
    {"ping", HostOp::kPing},
    {"fill", HostOp::kFill},
    {"record", HostOp::kRecord},
    {"capture", HostOp::kCapture},
    {"auto-record", HostOp::kAutoRecord},
    {"count", HostOp::kCount},
    {"login-manager", HostOp::kLoginManager},
    {"form-manager", HostOp::kFormManager},
    {"history-add", HostOp::kHistoryAdd},
    {"history-list", HostOp::kHistoryList},
    {"history-clear", HostOp::kHistoryClear},
    {"teach", HostOp::kTeach},
};

HostRequest Decode(const QJsonObject& object, QJsonValue id) {
  Fields fields(object, "");
  HostRequest request;
  request.id = std::move(id);
  std::string op = fields.String("op", true);
  bool known = false;
  for (const OpName& entry : kOps) {
    if (op == entry.name) request.op = entry.op, known = true;
  }
  if (!known) throw BadField{"op \"" + op + "\" is not an operation of the host"};
  switch (request.op) {
    case HostOp::kFill:
      request.type = static_cast<int>(fields.Integer("type", 1, 3, true));
      request.force = fields.Bool("force");
      request.automatic = fields.Bool("auto");
      request.page = DecodePage(fields.Object("page"));
      break;
    case HostOp::kRecord:
      request.page = DecodePage(fields.Object("page"));
      break;
    case HostOp::kCapture:
      request.page = DecodePage(fields.Object("page"));
      request.form = static_cast<int>(fields.Integer("form", 0, kIntMax, true));
      break;
    case HostOp::kCount:
      request.url = fields.String("url", true);
      break;
    case HostOp::kHistoryAdd:
      request.text = fields.String("text", true);
      request.item_type = static_cast<int>(fields.Integer("type", kIntMin, kIntMax, false));
      break;
    case HostOp::kTeach: {
      std::string profile = fields.String("profile", true);
      if (profile != "home" && profile != "work") fields.Fail("profile", "\"home\" or \"work\"");
      request.work = profile == "work";
      request.field = fields.String("field", true);
      request.name = fields.String("name", true);
      break;
    }
    default:
      break;
  }
  return request;
}

}  // namespace

DecodedRequest DecodeRequest(std::string_view json) {
  DecodedRequest decoded;
  QJsonParseError parse_error;
  QJsonDocument document = QJsonDocument::fromJson(
      QByteArray::fromRawData(json.data(), static_cast<qsizetype>(json.size())), &parse_error);
  if (parse_error.error != QJsonParseError::NoError) {
    decoded.error = "the message is not JSON: " + Utf8(parse_error.errorString()) + " at byte " +
                    std::to_string(parse_error.offset);
    return decoded;
  }
  if (!document.isObject()) {
    decoded.error = "the message is not a JSON object";
    return decoded;
  }
  QJsonObject object = document.object();
  QJsonValue id = object.value(QLatin1String("id"));
  if (id.isString() || id.isDouble()) decoded.id = id;
  try {
    if (!decoded.id.isNull() || id.isUndefined() || id.isNull()) {
      decoded.request = Decode(object, decoded.id);
    } else {
      decoded.error = "id must be a number or a string";
    }
  } catch (const BadField& bad) {
    decoded.error = bad.message;
  }
  return decoded;
}

std::optional<int> ElementIndex(const PageSnapshot& snapshot, const PageWrite& write) {
  int seen = 0;
  for (size_t i = 0; i < snapshot.elements.size(); ++i) {
    const SnapshotElement& element = snapshot.elements[i];
    if (element.form != write.form || element.kind != write.kind) continue;
    if (seen++ == write.index) return static_cast<int>(i);
  }
  return std::nullopt;
}

QJsonArray WritesToJson(const PageSnapshot& snapshot, const std::vector<PageWrite>& writes) {
  QJsonArray array;
  for (const PageWrite& write : writes) {
    std::optional<int> element = ElementIndex(snapshot, write);
    if (!element) continue;
    QJsonObject item{{QStringLiteral("element"), *element}};
    if (write.kind == ElementKind::kSelect) {
      item.insert(QStringLiteral("option"), write.option);
    } else {
      item.insert(QStringLiteral("value"), Q(write.value));
    }
    array.append(item);
  }
  return array;
}

QJsonObject ErrorReply(const QJsonValue& id, std::string_view code, std::string_view error) {
  return {{QStringLiteral("id"), id},
          {QStringLiteral("ok"), false},
          {QStringLiteral("code"), Q(code)},
          {QStringLiteral("error"), Q(error)}};
}

std::string ReplyBytes(const QJsonValue& id, const QJsonObject& reply) {
  QJsonObject whole = reply;
  whole.insert(QStringLiteral("id"), id);
  QByteArray bytes = QJsonDocument(whole).toJson(QJsonDocument::Compact);
  if (static_cast<size_t>(bytes.size()) > kMaxReplyBytes) {
    bytes = QJsonDocument(ErrorReply(id, "failed",
                                     "the reply would be " + std::to_string(bytes.size()) +
                                         " bytes, more than the " + std::to_string(kMaxReplyBytes) +
                                         " a browser takes from its host"))
                .toJson(QJsonDocument::Compact);
  }
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

std::string TeachFieldsText(bool work, std::string_view field, std::string_view name,
                            std::string* error) {
  // The internal names UpdateFormFields knows (ASCII case ignored there too).
  static constexpr std::string_view kFields[] = {
      "Title", "FirstName", "LastName", "Company", "JobTitle", "Address", "City",
      "State", "Zip",       "Country",  "Tel",     "Fax",      "Email",
  };
  const std::string_view* known = nullptr;
  for (const std::string_view& candidate : kFields) {
    if (AsciiEqualNoCase(candidate, field)) known = &candidate;
  }
  if (!known) {
    *error = "\"" + std::string(field) + "\" is not a profile field";
    return {};
  }
  if (name.empty()) {
    *error = "the input has no name to learn";
    return {};
  }
  // The matcher's special characters are escaped with a backslash; ^ and $
  // anchor the pattern at both ends of the name.
  static constexpr std::string_view kSpecial = "^$.[]()|?+*\\";
  std::string pattern = "^";
  for (char c : name) {
    if (c == ';' || c == '"' || c == '>' || static_cast<unsigned char>(c) < 0x20) {
      *error =
          "the input's name holds a character (; \" > or a control character) that a "
          "field pattern cannot hold";
      return {};
    }
    if (kSpecial.find(c) != std::string_view::npos) pattern += '\\';
    pattern += c;
  }
  pattern += '$';
  const char* section = work ? "WORK" : "HOME";
  return std::string("<") + section + "><Field name=\"" + std::string(*known) + "\" value=\"" +
         pattern + "\"/></" + section + ">";
}

}  // namespace zr
