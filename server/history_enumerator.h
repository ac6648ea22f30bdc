// The string enumeration over the history list (IEnumString): the texts of the
// entries in list order from a position that is an index into the list, so it
// stays valid when entries are appended or the list is cleared.
#ifndef ZRFORM_SERVER_HISTORY_ENUMERATOR_H_
#define ZRFORM_SERVER_HISTORY_ENUMERATOR_H_

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "server/hresult.h"

namespace zr {

class History;

// An enumerator over the texts of one History.
// LIFETIME: it refers to its History and must not outlive it. In the server the
// History lives until the process ends, so every enumerator handed out does too.
class HistoryEnumerator {
 public:
  explicit HistoryEnumerator(const History& history, size_t position = 0)
      : history_(&history), position_(position) {}

  // Replaces *rgelt with copies of the texts of up to celt entries from the
  // position and advances the position past them; *pceltFetched (when given)
  // gets their number. S_FALSE when fewer than celt were copied (also when the
  // position lies at or beyond the end), else S_OK.
  // E_POINTER, nothing changed, when rgelt is null, or when celt is not 1 and
  // pceltFetched is null. E_OUTOFMEMORY when a copy cannot be allocated: then
  // *rgelt is emptied, the fetched count is 0 and the position stays.
  [[nodiscard]] HResult Next(unsigned long celt, std::vector<std::string>* rgelt,
                             unsigned long* pceltFetched);
  // Advances the position by celt entries, stopping at the end; S_FALSE when the
  // end came first, else S_OK (celt 0 gives S_OK). A position beyond the end
  // (the list was cleared) does not move.
  [[nodiscard]] HResult Skip(unsigned long celt);
  // Back to the first entry; S_OK.
  HResult Reset();
  // *ppenum becomes a new, independent enumerator over the same History at the
  // same position. E_POINTER when ppenum is null, E_OUTOFMEMORY when it cannot
  // be allocated.
  [[nodiscard]] HResult Clone(std::unique_ptr<HistoryEnumerator>* ppenum) const;

  size_t position() const { return position_; }

 private:
  const History* history_;
  size_t position_;
};

}  // namespace zr

#endif  // ZRFORM_SERVER_HISTORY_ENUMERATOR_H_
