// An allocator for long columns of numbers: a block of 2 MiB or more is
// aligned to 2 MiB, rounded up to whole 2 MiB and backed by huge pages where
// the system offers them on request, so that filling it takes one page fault
// per 2 MiB instead of one per 4 KiB, which on a virtual machine costs more
// than the filling itself. Smaller blocks come from operator new. Elements
// sized without a value are not initialised (see construct).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>
#ifdef __linux__
#include <sys/mman.h>
#endif

namespace tarvex {

template <class T>
struct HugePageAllocator {
  using value_type = T;
  static constexpr std::size_t kHuge = std::size_t(2) << 20;

  HugePageAllocator() = default;
  template <class U>
  HugePageAllocator(const HugePageAllocator<U>&) {}

  T* allocate(std::size_t n) {
    if (n > std::size_t(-1) / sizeof(T) - kHuge) throw std::bad_alloc();
    const std::size_t bytes = n * sizeof(T);
    if (bytes < kHuge) return static_cast<T*>(::operator new(bytes));
    const std::size_t whole = (bytes + kHuge - 1) & ~(kHuge - 1);
    void* p = nullptr;
    if (posix_memalign(&p, kHuge, whole) != 0 || !p) throw std::bad_alloc();
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    madvise(p, whole, MADV_HUGEPAGE);
#endif
    return static_cast<T*>(p);
  }
  void deallocate(T* p, std::size_t n) {
    if (n * sizeof(T) < kHuge)
      ::operator delete(p);
    else
      std::free(p);
  }

  // An element made without a value is left as it is (a number is not
  // zeroed first): a column is filled after it is sized, each part by the
  // thread that fills it.
  template <class U>
  void construct(U* p) noexcept(noexcept(::new (static_cast<void*>(p)) U)) {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }

  template <class U>
  bool operator==(const HugePageAllocator<U>&) const {
    return true;
  }
};

}  // namespace tarvex
