// The replaced global operator new of failing_new.h.
#include "tests/support/failing_new.h"

#include <cstdlib>
#include <new>

std::atomic<long> g_allocations_left{-1};

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  long left = g_allocations_left.load();
  if (left == 0) throw std::bad_alloc();
  if (left > 0) g_allocations_left.store(left - 1);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
// The nothrow forms too (std::stable_sort's buffer takes one), so that every
// allocation these deletes free comes from malloc.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return ::operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
#pragma GCC diagnostic pop
