// Throughput of Ferrolok through its public classes:
//   MD5 of a file (CreateFileHash), RC2 encryption and decryption of a file
//   (EncryptFile, DecryptFile), and many short records decrypted one by one
//   (DecryptData), each call deriving its own key as the signature files need.
// Usage: crypto_bench FILE [RECORDS]   (FILE is read, FILE.rc2 is written)
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ferrolok/ferrolok.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// Processor time of this process (user + system), in seconds: less
// sensitive than the wall clock to other programs sharing the machine.
double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Timing {
  double wall = 1e30;
  double cpu = 1e30;
};

std::u16string wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

std::string hex(const ferrolok::Bytes& b) {
  std::string s;
  char buf[3];
  for (auto x : b) {
    std::snprintf(buf, sizeof buf, "%02x", x);
    s += buf;
  }
  return s;
}

// Runs `f` three times and returns the fastest wall and processor times.
template <class F>
Timing best(F f) {
  Timing t;
  for (int i = 0; i < 3; ++i) {
    const auto start = Clock::now();
    const double cpu = cpuSeconds();
    f();
    t.wall = std::min(t.wall, seconds(start));
    t.cpu = std::min(t.cpu, cpuSeconds() - cpu);
  }
  return t;
}

void report(const char* what, double bytes, Timing t) {
  std::printf("%-30s wall %7.3f s %8.1f MB/s   cpu %7.3f s %8.1f MB/s\n", what, t.wall,
              bytes / t.wall / 1e6, t.cpu, bytes / t.cpu / 1e6);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: crypto_bench FILE [RECORDS]\n");
    return 2;
  }
  const std::string path = argv[1];
  const std::string cipherPath = path + ".rc2";
  const int records = argc > 2 ? std::atoi(argv[2]) : 100000;
  const double size = static_cast<double>(std::filesystem::file_size(path));
  std::printf("file %s, %.0f bytes (%.0f MiB)\n", path.c_str(), size, size / 1048576);

  ferrolok::CreateFileHash hash;
  hash.setFileName(wide(path));
  ferrolok::Result digest;
  report("MD5 (CreateFileHash)", size, best([&] { digest = hash.Hash(); }));
  std::printf("  digest %s\n", digest ? hex(*digest).c_str() : "(none)");

  ferrolok::EncryptFile enc;
  enc.setPassword(u"plumb");
  enc.setFileName(wide(path));
  enc.setSaveToFile(0);
  ferrolok::Result cipher;
  report("RC2 encrypt (EncryptFile)", size, best([&] { cipher = enc.Encrypt(); }));

  // The ciphertext file for the decryption, written once outside the timing.
  enc.setSaveToFile(1);
  enc.setDestinationFile(wide(cipherPath));
  enc.Encrypt();
  ferrolok::DecryptFile dec;
  dec.setPassword(u"plumb");
  dec.setFileName(wide(cipherPath));
  dec.setSaveToFile(0);
  ferrolok::Result plain;
  report("RC2 decrypt (DecryptFile)", size, best([&] { plain = dec.Decrypt(); }));
  std::filesystem::remove(cipherPath);
  const bool roundTrip = plain && plain->size() == static_cast<std::size_t>(size);

  // 48-byte records: 41 to 47 bytes of text each, as a signature line is.
  // Two passwords: a file's lines all share one (the provider layer then
  // reuses its last key), and alternating ones make every call derive its key.
  const std::u16string passwords[2] = {u"plumb", u"Plumb"};
  std::vector<ferrolok::Bytes> lines[2];
  for (int k = 0; k < 2; ++k) {
    ferrolok::EncryptString e;
    e.setSaveToFile(0);
    e.setPassword(passwords[k]);
    for (int i = 0; i < 1000; ++i) {
      std::string text = "12/8/2026 17:" + std::to_string(10 + i % 50) + ":00, Operator " +
                         std::to_string(i) + ", approved";
      text.resize(41 + i % 7, '.');
      e.setInput(wide(text));
      lines[k].push_back(*e.Encrypt());
    }
  }
  auto decryptRecords = [&](const char* label, bool alternate) {
    ferrolok::DecryptData d;  // one object, as the viewer's client keeps one
    std::size_t plainBytes = 0;
    const auto start = Clock::now();
    const double cpuStart = cpuSeconds();
    for (int i = 0; i < records; ++i) {
      const int k = alternate ? i % 2 : 0;
      d.setPassword(passwords[k]);
      d.setData(ferrolok::ByteArray{0, lines[k][i % lines[k].size()]});
      d.setSaveToFile(0);
      plainBytes += d.Decrypt()->size();
    }
    const double secs = seconds(start), cpu = cpuSeconds() - cpuStart;
    std::printf(
        "%-30s wall %7.3f s %8.0f /s     cpu %7.3f s %8.0f /s  (%d records, %zu bytes out)\n",
        label, secs, records / secs, cpu, records / cpu, records, plainBytes);
  };
  decryptRecords("48-byte records, one password", false);
  decryptRecords("48-byte records, key each call", true);
  std::printf("round trip %s\n", roundTrip ? "ok" : "FAILED");
  return roundTrip ? 0 : 1;
}
