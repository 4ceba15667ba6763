// Room for a long vector backed by huge pages where the system offers them
// on request: filling a million-point column then takes a few page faults
// instead of one per 4 KiB, which on a virtual machine costs more than the
// filling itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>
#ifdef __linux__
#include <sys/mman.h>
#endif

namespace tarvex {

// Reserves room for `n` elements in the empty or short `v` and asks for
// huge pages over it. A hint: nothing else changes where it is not offered.
template <class T>
void reserveHuge(std::vector<T>& v, std::size_t n) {
  if (v.capacity() >= n) return;
  v.reserve(n);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t huge = 2u << 20;
  const auto from = reinterpret_cast<std::uintptr_t>(v.data());
  const std::uintptr_t to = from + v.capacity() * sizeof(T);
  const std::uintptr_t alignedFrom = (from + huge - 1) & ~(huge - 1);
  const std::uintptr_t alignedTo = to & ~(huge - 1);
  if (alignedTo > alignedFrom)
    madvise(reinterpret_cast<void*>(alignedFrom), alignedTo - alignedFrom, MADV_HUGEPAGE);
#endif
}

}  // namespace tarvex
