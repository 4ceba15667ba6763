// Two threads side by side and nothing else: no COM, no server. Tells whether
// a machine (an emulator in particular) runs a Windows program of this
// bitness with more than one thread of its own at all, before a proof that
// needs threads is blamed on the server. Each thread adds to one counter;
// prints "2 threads: N" and exits 0 when N is the sum of their additions.
#include <windows.h>

#include <cstdio>

namespace {

constexpr LONG kAdditions = 200000;
volatile LONG g_total = 0;

DWORD WINAPI add(void*) {
  for (LONG i = 0; i < kAdditions; ++i) InterlockedIncrement(&g_total);
  return 0;
}

}  // namespace

int main() {
  HANDLE threads[2];
  for (HANDLE& t : threads) t = CreateThread(nullptr, 0, add, nullptr, 0, nullptr);
  if (!threads[0] || !threads[1]) return 2;
  WaitForMultipleObjects(2, threads, TRUE, INFINITE);
  std::printf("2 threads: %ld\n", static_cast<long>(g_total));
  return g_total == 2 * kAdditions ? 0 : 1;
}
