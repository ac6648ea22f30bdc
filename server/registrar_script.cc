// Registration scripts: replacement of %NAME%, a tokenizer and a recursive
// descent parser into ScriptNode trees. Nothing here touches the registry.
#include "server/registrar_script.h"

#include <charconv>

#include "platform/ascii_case.h"

namespace zr {

namespace {

enum class TokenKind { kWord, kQuoted, kOpen, kClose, kEquals, kEnd };

struct Token {
  TokenKind kind;
  std::string text;
  int line;
};

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool IsControl(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return u < 0x20 || u == 0x7F;
}

std::string AtLine(int line, std::string_view message) {
  return "line " + std::to_string(line) + ": " + std::string(message);
}

// An unquoted word may hold braces only as a whole "{...}" (a GUID); "=" and
// quotes must stand apart. This catches "Key=s" and "Name{" run together.
bool IsWellFormedWord(std::string_view word) {
  for (size_t i = 0; i < word.size(); ++i) {
    char c = word[i];
    if (c == '\'' || c == '=' || IsControl(c)) return false;
    if (c == '{' && i != 0) return false;
    if (c == '}' && (i + 1 != word.size() || word[0] != '{')) return false;
  }
  return word[0] != '{' || (word.size() > 2 && word.back() == '}');
}

bool Tokenize(std::string_view text, std::vector<Token>& tokens, std::string& error) {
  size_t i = 0;
  int line = 1;
  for (;;) {
    while (i < text.size() && IsSpace(text[i])) {
      if (text[i] == '\n') ++line;
      ++i;
    }
    if (i == text.size()) break;
    if (text[i] == '\'') {
      std::string quoted;
      for (++i;; ++i) {
        if (i == text.size() || text[i] == '\n') {
          error = AtLine(line, "quoted text without its closing quote");
          return false;
        }
        if (text[i] == '\'') {
          if (i + 1 < text.size() && text[i + 1] == '\'') {
            quoted += '\'';  // '' is one quote
            ++i;
            continue;
          }
          break;
        }
        if (IsControl(text[i]) && text[i] != '\t') {
          error = AtLine(line, "control character in quoted text");
          return false;
        }
        quoted += text[i];
      }
      ++i;  // the closing quote
      if (i < text.size() && !IsSpace(text[i])) {
        error = AtLine(line, "no space after quoted text");
        return false;
      }
      tokens.push_back({TokenKind::kQuoted, std::move(quoted), line});
      continue;
    }
    size_t start = i;
    while (i < text.size() && !IsSpace(text[i])) ++i;
    std::string word(text.substr(start, i - start));
    TokenKind kind = word == "{"   ? TokenKind::kOpen
                     : word == "}" ? TokenKind::kClose
                     : word == "=" ? TokenKind::kEquals
                                   : TokenKind::kWord;
    if (kind == TokenKind::kWord && !IsWellFormedWord(word)) {
      error = AtLine(line, "malformed word '" + word + "'");
      return false;
    }
    tokens.push_back({kind, std::move(word), line});
  }
  tokens.push_back({TokenKind::kEnd, std::string(), line});
  return true;
}

class Parser {
 public:
  Parser(const std::vector<Token>& tokens, std::string& error) : tokens_(tokens), error_(error) {}

  bool ParseRoots(std::vector<ScriptNode>& keys) {
    while (Peek().kind != TokenKind::kEnd) {
      const Token& root = Take();
      if (root.kind != TokenKind::kWord || !(AsciiEqualNoCase(root.text, "HKCR") ||
                                             AsciiEqualNoCase(root.text, "HKEY_CLASSES_ROOT"))) {
        return Fail(root, "root key must be HKCR, not '" + root.text + "'");
      }
      if (Take().kind != TokenKind::kOpen) return Fail(root, "'{' expected after the root key");
      if (!ParseBlock(keys, 1)) return false;
    }
    return true;
  }

 private:
  const Token& Peek() const { return tokens_[pos_]; }
  // The kEnd token is never consumed, so Take can be called past the end.
  const Token& Take() {
    const Token& token = tokens_[pos_];
    if (token.kind != TokenKind::kEnd) ++pos_;
    return token;
  }
  bool Fail(const Token& token, std::string_view message) {
    error_ = AtLine(token.line, message);
    return false;
  }

  static bool IsKeyword(const Token& token, std::string_view keyword) {
    return token.kind == TokenKind::kWord && AsciiEqualNoCase(token.text, keyword);
  }
  static bool IsReserved(const Token& token) {
    return IsKeyword(token, "val") || IsKeyword(token, "ForceRemove") ||
           IsKeyword(token, "NoRemove") || IsKeyword(token, "Delete");
  }

  // Items up to and including the closing brace.
  bool ParseBlock(std::vector<ScriptNode>& out, int depth) {
    for (;;) {
      const Token& token = Peek();
      if (token.kind == TokenKind::kClose) {
        Take();
        return true;
      }
      if (token.kind == TokenKind::kEnd) return Fail(token, "'}' missing at the end");
      if (!ParseItem(out, depth)) return false;
    }
  }

  // A name where one is expected: a word that is no keyword, or quoted text.
  bool TakeName(std::string& name, std::string_view what) {
    const Token& token = Take();
    if ((token.kind != TokenKind::kWord && token.kind != TokenKind::kQuoted) || IsReserved(token)) {
      return Fail(token, std::string(what) + " expected, not '" + token.text + "'");
    }
    if (token.text.empty()) return Fail(token, std::string(what) + " is empty");
    name = token.text;
    return true;
  }

  bool ParseItem(std::vector<ScriptNode>& out, int depth) {
    ScriptNode node;
    if (IsKeyword(Peek(), "val")) {
      Take();
      node.is_value = true;
      if (!TakeName(node.name, "value name")) return false;
      const Token& equals = Take();
      if (equals.kind != TokenKind::kEquals) return Fail(equals, "'=' expected after val name");
      if (!ParseTypedValue(node.value)) return false;
      out.push_back(std::move(node));
      return true;
    }
    if (IsKeyword(Peek(), "ForceRemove")) node.rule = KeyRule::kForceRemove;
    if (IsKeyword(Peek(), "NoRemove")) node.rule = KeyRule::kNoRemove;
    if (IsKeyword(Peek(), "Delete")) node.rule = KeyRule::kDelete;
    if (node.rule != KeyRule::kNormal) Take();
    const Token& name_token = Peek();
    if (!TakeName(node.name, "key name")) return false;
    if (node.name.find('\\') != std::string::npos) {
      return Fail(name_token, "key name '" + node.name + "' holds a backslash");
    }
    bool has_block = false;
    if (Peek().kind == TokenKind::kEquals) {
      Take();
      if (!ParseTypedValue(node.value)) return false;
    }
    if (Peek().kind == TokenKind::kOpen) {
      if (depth >= kMaxScriptDepth) return Fail(Peek(), "keys nested too deeply");
      Take();
      has_block = true;
      if (!ParseBlock(node.children, depth + 1)) return false;
    }
    if (node.rule == KeyRule::kDelete && (node.value || has_block)) {
      return Fail(name_token, "a Delete key takes neither a value nor a block");
    }
    out.push_back(std::move(node));
    return true;
  }

  // "s <text>" or "d <number>", the number decimal or 0x-hexadecimal.
  bool ParseTypedValue(std::optional<RegistryValue>& value) {
    const Token& type = Take();
    if (type.kind != TokenKind::kWord) return Fail(type, "value type expected");
    bool is_string = AsciiEqualNoCase(type.text, "s");
    if (!is_string && !AsciiEqualNoCase(type.text, "d")) {
      return Fail(type, "value type '" + type.text + "' is not supported (only s and d)");
    }
    const Token& text = Take();
    if (text.kind != TokenKind::kWord && text.kind != TokenKind::kQuoted) {
      return Fail(text, "value expected after '" + type.text + "'");
    }
    if (is_string) {
      value = text.text;
      return true;
    }
    std::string_view digits = text.text;
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
      digits.remove_prefix(2);
      base = 16;
    }
    uint32_t number = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), number, base);
    if (digits.empty() || digits[0] == '+' || digits[0] == '-' || ec != std::errc() ||
        end != digits.data() + digits.size()) {
      return Fail(text, "'" + text.text + "' is not a 32-bit number");
    }
    value = number;
    return true;
  }

  const std::vector<Token>& tokens_;
  std::string& error_;
  size_t pos_ = 0;
};

}  // namespace

bool ExpandReplacements(std::string_view script, const Replacements& replacements, std::string& out,
                        std::string& error) {
  std::string result;
  int line = 1;
  for (size_t i = 0; i < script.size(); ++i) {
    char c = script[i];
    if (c == '\n') ++line;
    if (c != '%') {
      result += c;
      continue;
    }
    size_t close = script.find('%', i + 1);
    if (close == std::string_view::npos) {
      error = AtLine(line, "'%' without its closing '%'");
      return false;
    }
    std::string_view name = script.substr(i + 1, close - i - 1);
    if (name.empty()) {
      result += '%';  // %% is a percent sign
    } else {
      const std::string* text = nullptr;
      for (const auto& [key, value] : replacements) {
        if (AsciiEqualNoCase(key, name)) text = &value;
      }
      if (text == nullptr) {
        error = AtLine(line, "unknown replacement %" + std::string(name) + "%");
        return false;
      }
      result += *text;
    }
    i = close;
  }
  out = std::move(result);
  return true;
}

bool ParseScript(std::string_view text, std::vector<ScriptNode>& keys, std::string& error) {
  std::vector<Token> tokens;
  if (!Tokenize(text, tokens, error)) return false;
  std::vector<ScriptNode> parsed;
  Parser parser(tokens, error);
  if (!parser.ParseRoots(parsed)) return false;
  keys = std::move(parsed);
  return true;
}

}  // namespace zr
