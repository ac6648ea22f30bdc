// The history list's string enumeration: copies of texts from an index that
// survives appends and clearing of the list.
#include "server/history_enumerator.h"

#include <algorithm>

#include "server/guarded.h"
#include "server/history.h"

namespace zr {

HResult HistoryEnumerator::Next(unsigned long celt, std::vector<std::string>* rgelt,
                                unsigned long* pceltFetched) {
  if (rgelt == nullptr || (celt != 1 && pceltFetched == nullptr)) return kE_POINTER;
  const std::vector<History::Entry>& entries = history_->entries_;
  const size_t available = position_ < entries.size() ? entries.size() - position_ : 0;
  // celt may be huge: only what is there is ever allocated.
  const size_t count = std::min<size_t>(celt, available);
  HResult copied = Guarded([&] {
    std::vector<std::string> texts;
    texts.reserve(count);
    for (size_t i = 0; i < count; ++i) texts.push_back(entries[position_ + i].text);
    *rgelt = std::move(texts);
    return kS_OK;
  });
  if (copied != kS_OK) {
    rgelt->clear();
    if (pceltFetched != nullptr) *pceltFetched = 0;
    return copied;
  }
  position_ += count;
  if (pceltFetched != nullptr) *pceltFetched = static_cast<unsigned long>(count);
  return count < celt ? kS_FALSE : kS_OK;
}

HResult HistoryEnumerator::Skip(unsigned long celt) {
  const size_t size = history_->entries_.size();
  const size_t available = position_ < size ? size - position_ : 0;
  if (celt > available) {
    position_ += available;
    return kS_FALSE;
  }
  position_ += celt;
  return kS_OK;
}

HResult HistoryEnumerator::Reset() {
  position_ = 0;
  return kS_OK;
}

HResult HistoryEnumerator::Clone(std::unique_ptr<HistoryEnumerator>* ppenum) const {
  if (ppenum == nullptr) return kE_POINTER;
  return Guarded([&] {
    *ppenum = std::make_unique<HistoryEnumerator>(*history_, position_);
    return kS_OK;
  });
}

}  // namespace zr
