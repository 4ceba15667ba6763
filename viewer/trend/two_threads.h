// Work split in two halves: one on the calling thread, the other on a thread
// of its own, at the same time.
#pragma once

#include <exception>
#include <future>

namespace tarvex {

// Runs `here` on this thread while `there` runs on another; returns when
// both have ended. A fault of either is thrown then (this thread's first),
// never while the other half still runs.
template <typename Here, typename There>
void onTwoThreads(Here&& here, There&& there) {
  std::future<void> other = std::async(std::launch::async, std::forward<There>(there));
  std::exception_ptr failed;
  try {
    here();
  } catch (...) {
    failed = std::current_exception();
  }
  other.wait();
  if (failed) std::rethrow_exception(failed);
  other.get();
}

}  // namespace tarvex
