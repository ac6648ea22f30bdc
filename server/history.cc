// The History object: the list, its duplicate test ignoring case, and loading
// and saving "History.txt" with the texts converted to and from the code page.
#include "server/history.h"

#include <locale.h>
#include <wctype.h>

#include <new>
#include <utility>

#include "platform/code_page.h"
#include "platform/data_folder.h"
#include "store/history_file.h"

namespace zr {

namespace {

// Units for bytes that are not part of well-formed UTF-8: above every code
// point, so such a byte only ever equals itself.
constexpr char32_t kStrayByteBase = 0x110000;

// The "C.UTF-8" character classes, opened once for the process, so that case
// folding does not depend on the process locale. Null when unavailable.
locale_t Utf8CharacterClasses() {
  static const locale_t classes = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
  return classes;
}

// Decodes the well-formed UTF-8 sequence at text[pos] into code and returns
// its length, or 0 when there is none (overlong forms, surrogates and values
// above U+10FFFF are not well formed).
size_t DecodeUtf8(std::string_view text, size_t pos, char32_t& code) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[pos + i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) {
    code = lead;
    return 1;
  }
  size_t length;
  char32_t min;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, min = 0x80, code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, min = 0x800, code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, min = 0x10000, code = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() - pos < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i) & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

// Each character of UTF-8 text mapped to its lower-case form.
std::u32string FoldCase(std::string_view text) {
  const locale_t classes = Utf8CharacterClasses();
  std::u32string folded;
  folded.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    char32_t code;
    size_t length = DecodeUtf8(text, pos, code);
    if (length == 0) {
      folded += kStrayByteBase + static_cast<unsigned char>(text[pos]);
      ++pos;
      continue;
    }
    if (classes != locale_t{}) {
      code = static_cast<char32_t>(towlower_l(static_cast<wint_t>(code), classes));
    } else if (code >= U'A' && code <= U'Z') {
      code += U'a' - U'A';  // without the locale, at least ASCII folds
    }
    folded += code;
    pos += length;
  }
  return folded;
}

}  // namespace

void History::StartUp() {
  std::string path = FindDataFolder() + "/" + kHistoryFileName;
  // A missing or unreadable file leaves the list empty; nothing is reported.
  (void)LoadPath(std::move(path));
  enumerator_.Reset();
}

HResult History::ShutDown() { return Save(std::nullopt, false); }

HResult History::AddItem(std::string_view text, int32_t nType) {
  try {
    FoldedText key = FoldCase(text);
    if (folded_.contains(key)) return kS_FALSE;
    entries_.push_back({std::string(text), nType});
    try {
      folded_.insert(std::move(key));
    } catch (...) {
      entries_.pop_back();
      throw;
    }
    return kS_OK;
  } catch (const std::bad_alloc&) {
    return kE_OUTOFMEMORY;
  }
}

HResult History::ClearAll() {
  entries_.clear();
  folded_.clear();
  return kS_OK;
}

HResult History::Count(long* pVal) const {
  if (pVal == nullptr) return kE_POINTER;
  *pVal = static_cast<long>(entries_.size());
  return kS_OK;
}

HResult History::Item(long nIndex, long* pnType, std::string* pVal) const {
  if (pnType == nullptr || pVal == nullptr) return kE_POINTER;
  if (nIndex < 1 || static_cast<unsigned long>(nIndex) > entries_.size()) return kE_FAIL;
  const Entry& entry = entries_[static_cast<size_t>(nIndex - 1)];
  try {
    std::string text = entry.text;
    *pVal = std::move(text);
  } catch (const std::bad_alloc&) {
    return kE_OUTOFMEMORY;
  }
  *pnType = entry.type;
  return kS_OK;
}

HResult History::GetClassID(std::string* pClassID) const {
  if (pClassID == nullptr) return kE_POINTER;
  try {
    pClassID->assign(kHistoryClassId);
  } catch (const std::bad_alloc&) {
    return kE_OUTOFMEMORY;
  }
  return kS_OK;
}

HResult History::Load(std::string_view fileName, uint32_t /*dwMode*/) {
  try {
    return LoadPath(Utf8ToCodePage(fileName));
  } catch (const std::bad_alloc&) {
    return kE_OUTOFMEMORY;
  }
}

HResult History::LoadPath(std::string path) {
  current_file_ = std::move(path);
  try {
    std::vector<HistoryEntry> lines;
    if (current_file_.empty() || !ReadHistoryFile(current_file_, lines)) return kE_FAIL;
    // Build the new list aside, so that running out of memory keeps the old one.
    std::vector<Entry> entries;
    std::unordered_set<FoldedText> folded;
    entries.reserve(lines.size());
    for (HistoryEntry& line : lines) {
      std::string text = CodePageToUtf8(line.text);
      folded.insert(FoldCase(text));
      entries.push_back({std::move(text), line.type});
    }
    entries_ = std::move(entries);
    folded_ = std::move(folded);
    return kS_OK;
  } catch (const std::bad_alloc&) {
    return kE_OUTOFMEMORY;
  }
}

HResult History::Save(std::optional<std::string_view> fileName, bool fRemember) {
  try {
    std::string path = fileName ? Utf8ToCodePage(*fileName) : current_file_;
    if (path.empty()) return kE_FAIL;
    // Only the newest entries are written; convert just those.
    size_t first = entries_.size() > kMaxHistoryEntriesWritten
                       ? entries_.size() - kMaxHistoryEntriesWritten
                       : 0;
    std::vector<HistoryEntry> lines;
    lines.reserve(entries_.size() - first);
    for (size_t i = first; i < entries_.size(); ++i) {
      lines.push_back({entries_[i].type, Utf8ToCodePage(entries_[i].text)});
    }
    if (!WriteHistoryFile(path, lines)) return kE_FAIL;
    if (fileName && fRemember) current_file_ = std::move(path);
    return kS_OK;
  } catch (const std::bad_alloc&) {
    return kE_OUTOFMEMORY;
  }
}

HResult History::GetCurFile(std::string* ppszFileName) const {
  if (ppszFileName == nullptr) return kE_POINTER;
  try {
    *ppszFileName = CodePageToUtf8(current_file_);
  } catch (const std::bad_alloc&) {
    return kE_OUTOFMEMORY;
  }
  return kS_OK;
}

}  // namespace zr
