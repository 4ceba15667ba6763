// The random cases of the cross-check between the COM server under Wine (the
// real CryptoAPI) and the Linux library: both programs build the same cases
// from the same seed and print one line per case in the same form.
#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace ferrolok::crosscheck {

struct Case {
  std::optional<std::u16string> password;  // nullopt: a null string
  std::optional<std::u16string> input;
  std::u16string provider;
  std::int16_t providerType = 1;
  std::vector<std::uint8_t> garbage;  // decrypted as Data: mostly bad padding
  std::int32_t garbageLowerBound = 0;
};

// Provider names, with the default one most often and the names the layers
// might treat differently: another letter case, an empty name, a near miss.
inline const char16_t* const kProviders[] = {
    u"Microsoft Base Cryptographic Provider v1.0",
    u"Microsoft Base Cryptographic Provider v1.0",
    u"Microsoft Base Cryptographic Provider v1.0",
    u"Microsoft Enhanced Cryptographic Provider v1.0",
    u"Microsoft Strong Cryptographic Provider",
    u"microsoft base cryptographic provider v1.0",
    u"MICROSOFT ENHANCED CRYPTOGRAPHIC PROVIDER V1.0",
    u"Microsoft strong Cryptographic provider",
    u"",
    u"Microsoft Base Cryptographic Provider",
    u"Microsoft Base Cryptographic Provider v1.0 ",
    u"Microsoft Enhanced RSA and AES Cryptographic Provider",
};

inline constexpr std::int16_t kTypes[] = {1, 1, 1, 1, 1, 1, 1, 0, 24, -1};

class Random {
 public:
  explicit Random(std::uint32_t seed) : engine_(seed) {}
  // Uniform enough in [0, n); the raw engine output is the same everywhere.
  std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>(engine_() % n); }

  char16_t character() {
    switch (below(10)) {
      case 0:
        return static_cast<char16_t>(0x80 + below(0x80));  // Latin-1
      case 1:
        return static_cast<char16_t>(0x100 + below(0xFF00));  // high byte set
      case 2:
        return static_cast<char16_t>(below(0x20));  // controls, zero included
      default:
        return static_cast<char16_t>(0x20 + below(0x5F));  // printable ASCII
    }
  }
  std::u16string text(std::uint32_t maxLength) {
    std::u16string s(below(maxLength + 1), u' ');
    for (char16_t& c : s) c = character();
    return s;
  }

 private:
  std::mt19937 engine_;
};

inline std::vector<Case> makeCases(std::uint32_t seed, int count) {
  Random r(seed);
  std::vector<Case> cases(static_cast<std::size_t>(count));
  for (Case& c : cases) {
    if (r.below(20) != 0) c.password = r.text(r.below(4) == 0 ? 40 : 12);
    switch (r.below(20)) {
      case 0:
        break;  // null Input: zero bytes
      case 1:
        c.input = u"";  // guard: untouched
        break;
      default:
        c.input = r.text(r.below(4) == 0 ? 300 : 40);
    }
    c.provider = kProviders[r.below(std::size(kProviders))];
    c.providerType = kTypes[r.below(std::size(kTypes))];
    c.garbage.resize(r.below(5) == 0 ? r.below(8) * 8 : r.below(40));
    for (std::uint8_t& b : c.garbage) b = static_cast<std::uint8_t>(r.below(256));
    // Now and then a last byte that looks like padding, so some pass.
    if (!c.garbage.empty() && r.below(3) == 0) c.garbage.back() = 1;
    c.garbageLowerBound = static_cast<std::int32_t>(r.below(3));
  }
  return cases;
}

// A result as printed: "-" untouched, "" empty, else lower-case hex.
template <class Bytes>
std::string resultText(const std::optional<Bytes>& result) {
  if (!result) return "-";
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (auto b : *result) {
    out += digits[static_cast<std::uint8_t>(b) >> 4];
    out += digits[static_cast<std::uint8_t>(b) & 15];
  }
  return out;
}

}  // namespace ferrolok::crosscheck
