// Allocations that fail on request, for the out-of-memory tests: a test
// program that links tests/support/failing_new.cc gets a replaced global
// operator new (and its nothrow form and the deletes, all on malloc) that
// throws std::bad_alloc once g_allocations_left allocations have been made.
#pragma once

#include <atomic>

// -1: allocations never fail (the default); n >= 0: the allocations after the
// next n throw.
extern std::atomic<long> g_allocations_left;
