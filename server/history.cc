// The History object: the list, its duplicate test ignoring case, and loading
// and saving "History.txt" with the texts converted to and from the code page.
#include "server/history.h"

#include <new>
#include <utility>

#include "platform/code_page.h"
#include "platform/unicode_case.h"
#include "platform/data_folder.h"
#include "store/history_file.h"

namespace zr {

void History::StartUp() {
  std::string path = FindDataFolder() + "/" + kHistoryFileName;
  // A missing or unreadable file leaves the list empty; nothing is reported.
  (void)LoadPath(std::move(path));
  enumerator_.Reset();
}

HResult History::ShutDown() { return Save(std::nullopt, false); }

HResult History::AddItem(std::string_view text, int32_t nType) {
  try {
    FoldedText key = FoldCaseUtf8(text);
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
      folded.insert(FoldCaseUtf8(text));
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
