// The toolbar's history list (the History object): ordered (text, type)
// entries kept in "History.txt" in the data folder. Texts and file names are
// UTF-8 here, as the bus gives them; the file holds them in the code page.
// Not thread-safe: every call arrives on the server's main thread.
#ifndef ZRFORM_SERVER_HISTORY_H_
#define ZRFORM_SERVER_HISTORY_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "resources/class_ids.h"
#include "server/history_enumerator.h"
#include "server/hresult.h"

namespace zr {

class History {
 public:
  // An empty list with no current file and the position at the first entry.
  History() = default;
  History(const History&) = delete;
  History& operator=(const History&) = delete;
  // Does not save: the server calls ShutDown first (saving from a destructor
  // could not report a failure, and a History that was never started up, as
  // in tests and tools, must not write a file).
  ~History() = default;

  // Server start: loads "History.txt" of the data folder (created if needed)
  // and makes it the current file even when it cannot be read (the list then
  // stays empty); the position goes to the first entry.
  void StartUp();
  // Server end: saves the list to the current file, as Save without a name.
  [[nodiscard]] HResult ShutDown();

  // IHistory.
  // Appends (text, nType) and returns S_OK, unless an entry whose text equals
  // text ignoring case exists: then S_FALSE and nothing changes. Case is
  // ignored character by character for all of Unicode (the lower-case mapping
  // of the "C.UTF-8" locale, independent of the process locale); a byte that
  // is not part of well-formed UTF-8 only equals itself.
  [[nodiscard]] HResult AddItem(std::string_view text, int32_t nType);
  // Removes every entry; the file is untouched until the next save. S_OK.
  HResult ClearAll();
  // The number of entries. E_POINTER when pVal is null.
  [[nodiscard]] HResult Count(long* pVal) const;
  // The type and text of entry nIndex, counted from 1 (1 is the oldest).
  // E_FAIL, outputs untouched, when nIndex < 1 or > the count; E_POINTER when
  // an output is null.
  [[nodiscard]] HResult Item(long nIndex, long* pnType, std::string* pVal) const;

  // IPersistFile.
  // kHistoryClassId; E_POINTER when pClassID is null.
  [[nodiscard]] HResult GetClassID(std::string* pClassID) const;
  // Always S_OK: the list always counts as changed.
  HResult IsDirty() const { return kS_OK; }
  // E_FAIL, list and current file unchanged, when fileName cannot be read or
  // is not a regular file (a link at its last component, a FIFO, a device or
  // a folder; it is opened without blocking); otherwise the list is replaced
  // by the file's entries (no duplicate check), fileName becomes the current
  // file and S_OK. dwMode is ignored. The position keeps its index.
  [[nodiscard]] HResult Load(std::string_view fileName, uint32_t dwMode);
  // Writes the last 1000 entries to fileName, or to the current file when
  // fileName is absent (E_FAIL when there is none, or when something other
  // than a regular file is there, a link included). The file is replaced
  // atomically: when the write fails (E_FAIL) the old file is left whole. With
  // fRemember, fileName becomes the current file once it has been written, so a
  // failed save never redirects the save at server end.
  [[nodiscard]] HResult Save(std::optional<std::string_view> fileName, bool fRemember);
  // Does nothing; S_OK.
  HResult SaveCompleted(std::string_view /*fileName*/) { return kS_OK; }
  // The current file ("" when there is none); E_POINTER when the output is null.
  [[nodiscard]] HResult GetCurFile(std::string* ppszFileName) const;

  // IEnumString of the object itself, at its own position; see HistoryEnumerator.
  [[nodiscard]] HResult Next(unsigned long celt, std::vector<std::string>* rgelt,
                             unsigned long* pceltFetched) {
    return enumerator_.Next(celt, rgelt, pceltFetched);
  }
  [[nodiscard]] HResult Skip(unsigned long celt) { return enumerator_.Skip(celt); }
  HResult Reset() { return enumerator_.Reset(); }
  [[nodiscard]] HResult Clone(std::unique_ptr<HistoryEnumerator>* ppenum) const {
    return enumerator_.Clone(ppenum);
  }

 private:
  friend class HistoryEnumerator;

  struct Entry {
    std::string text;  // UTF-8
    int32_t type = 0;
  };
  // A text with its case folded, one unit per character (see AddItem).
  using FoldedText = std::u32string;

  // Replaces the list with the entries of the regular file at path (in the
  // file system's encoding, the code page); does not touch the current file.
  HResult LoadPath(const std::string& path);

  std::vector<Entry> entries_;
  // The folded texts of all entries, for the duplicate test of AddItem.
  std::unordered_set<FoldedText> folded_;
  // In the file system's encoding (the code page), so that the start-up path
  // is kept byte for byte; converted at Load, Save and GetCurFile.
  std::string current_file_;
  HistoryEnumerator enumerator_{*this};
};

}  // namespace zr

#endif  // ZRFORM_SERVER_HISTORY_H_
