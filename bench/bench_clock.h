#pragma once

// Clocks and figures the benchmarks share.

#include <time.h>

#include <algorithm>
#include <vector>

namespace tarvex::bench {

// CPU time of every thread of the process, in ms.
inline double cpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

inline double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace tarvex::bench
