// Guarded: the one place where an object method turns a failed allocation into
// E_OUTOFMEMORY, so that no std::bad_alloc crosses the object's boundary.
#ifndef ZRFORM_SERVER_GUARDED_H_
#define ZRFORM_SERVER_GUARDED_H_

#include <new>

#include "server/hresult.h"

namespace zr {

// Returns work() (an HResult), or E_OUTOFMEMORY when it throws std::bad_alloc.
// work must leave the object as it was when it throws (build aside, then swap).
template <typename Work>
HResult Guarded(Work&& work) {
  try {
    return work();
  } catch (const std::bad_alloc&) {
    return kE_OUTOFMEMORY;
  }
}

}  // namespace zr

#endif  // ZRFORM_SERVER_GUARDED_H_
