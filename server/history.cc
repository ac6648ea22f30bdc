// The History object: the list, its duplicate test ignoring case, and loading
// and saving "History.txt" with the texts converted to and from the code page.
#include "server/history.h"

#include <utility>

#include "platform/atomic_file.h"
#include "platform/code_page.h"
#include "platform/data_folder.h"
#include "platform/unicode_case.h"
#include "server/guarded.h"
#include "store/history_file.h"

namespace zr {

void History::StartUp() {
  // The default file is the current one even when it cannot be read yet (a
  // first run): the list then stays empty and nothing is reported.
  current_file_ = FindDataFolder() + "/" + kHistoryFileName;
  (void)LoadPath(current_file_);
  enumerator_.Reset();
}

HResult History::ShutDown() { return Save(std::nullopt, false); }

HResult History::AddItem(std::string_view text, int32_t nType) {
  return Guarded([&] {
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
  });
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
  return Guarded([&] {
    std::string text = entry.text;
    *pVal = std::move(text);
    *pnType = entry.type;
    return kS_OK;
  });
}

HResult History::GetClassID(std::string* pClassID) const {
  if (pClassID == nullptr) return kE_POINTER;
  return Guarded([&] {
    pClassID->assign(kHistoryClassId);
    return kS_OK;
  });
}

HResult History::Load(std::string_view fileName, uint32_t /*dwMode*/) {
  return Guarded([&] {
    std::string path = Utf8ToCodePage(fileName);
    HResult hr = LoadPath(path);
    if (hr == kS_OK) current_file_ = std::move(path);
    return hr;
  });
}

HResult History::LoadPath(const std::string& path) {
  return Guarded([&] {
    std::vector<HistoryEntry> lines;
    // A name from a client may point anywhere: only a regular file is read,
    // never through a link and never waiting on a FIFO.
    if (path.empty() || !ReadHistoryFile(path, lines, LastLink::kRefuse)) return kE_FAIL;
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
  });
}

HResult History::Save(std::optional<std::string_view> fileName, bool fRemember) {
  return Guarded([&] {
    std::string path = fileName ? Utf8ToCodePage(*fileName) : current_file_;
    // Only a regular file is replaced: never a link, a FIFO or a device.
    if (path.empty() || !IsRegularFileOrMissing(path)) return kE_FAIL;
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
  });
}

HResult History::GetCurFile(std::string* ppszFileName) const {
  if (ppszFileName == nullptr) return kE_POINTER;
  return Guarded([&] {
    *ppszFileName = CodePageToUtf8(current_file_);
    return kS_OK;
  });
}

}  // namespace zr
