// The Windows providers of type 1 (PROV_RSA_FULL) and the AES provider of
// type 24 as far as the library uses them, on Nettle:
//  - the key is derived from MD5(password) as CryptDeriveKey(CALG_RC2) does
//    with no key length in its flags;
//  - RC2 runs in CBC mode with an all-zero IV that is reset for every call;
//  - the final block carries PKCS#5 padding of 1 to 8 bytes.
#include <nettle/arctwo.h>
#include <nettle/cbc.h>
#include <nettle/md5.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "provider.h"

namespace ferrolok::provider {
namespace {

constexpr std::int32_t kProvRsaFull = 1;
constexpr std::int32_t kProvRsaAes = 24;
constexpr std::size_t kBlock = ARCTWO_BLOCK_SIZE;  // 8

// Key parameters of one provider: how many bytes of the MD5 become key
// material (the rest of the 16-byte key is the provider's zero salt) and the
// RC2 effective key length in bits.
struct Rc2Defaults {
  std::size_t keyBytes;
  unsigned effectiveBits;
};

bool equalsIgnoreCase(const std::string& a, const char* b) {
  const std::size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; };
    if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// CryptAcquireContextA: which provider answers (name, type), and with which
// key defaults. As the CryptoAPI does:
//  - a name is found without regard to case, but only the exact spelling of
//    the base provider's name gives the base provider's key defaults; the
//    provider's implementation picks its defaults by the name as spelled, and
//    any other spelling gets the 128-bit ones;
//  - an empty name asks for the default provider of the type: for type 1 one
//    with 128-bit keys (the strong or the enhanced provider, which derive the
//    same RC2 keys), for type 24 the AES provider, whose RC2 keys are the same.
const Rc2Defaults* acquire(const std::string& name, std::int32_t type) {
  // The base provider: 40-bit keys, 11 bytes of zero salt.
  static constexpr Rc2Defaults kBase{5, 40};
  // The enhanced, strong and AES providers: 128-bit keys, no salt.
  static constexpr Rc2Defaults kStrong{16, 128};
  static constexpr char kBaseName[] = "Microsoft Base Cryptographic Provider v1.0";
  if (type == kProvRsaAes)
    return name.empty() ||
                   equalsIgnoreCase(name, "Microsoft Enhanced RSA and AES Cryptographic Provider")
               ? &kStrong
               : nullptr;
  if (type != kProvRsaFull) return nullptr;
  if (name.empty()) return &kStrong;
  if (name == kBaseName) return &kBase;
  if (equalsIgnoreCase(name, kBaseName)) return &kStrong;
  if (equalsIgnoreCase(name, "Microsoft Enhanced Cryptographic Provider v1.0")) return &kStrong;
  if (equalsIgnoreCase(name, "Microsoft Strong Cryptographic Provider")) return &kStrong;
  return nullptr;
}

std::string untilZero(const std::string& s) { return std::string(s.c_str()); }

// CryptCreateHash(CALG_MD5) + CryptHashData(password) + CryptDeriveKey(CALG_RC2).
// The signature files decipher every line under the same password, so the
// key of the last (provider, password) pair of each thread is kept: it is a
// pure function of the two, and deriving it is about as costly as
// deciphering a short record.
void deriveKey(const Rc2Defaults& p, const std::string& password, arctwo_ctx* key) {
  struct LastKey {
    const Rc2Defaults* provider = nullptr;
    std::string password;
    arctwo_ctx key;
  };
  thread_local LastKey last;
  if (last.provider == &p && last.password == password) {
    *key = last.key;
    return;
  }
  std::array<std::uint8_t, MD5_DIGEST_SIZE> digest{};
  md5_ctx md5;
  md5_init(&md5);
  md5_update(&md5, password.size(), reinterpret_cast<const std::uint8_t*>(password.data()));
  md5_digest(&md5, digest.size(), digest.data());
  std::array<std::uint8_t, 16> material{};  // zero salt after keyBytes
  std::copy_n(digest.begin(), p.keyBytes, material.begin());
  arctwo_set_key_ekb(key, material.size(), material.data(), p.effectiveBits);
  last.provider = &p;
  last.password = password;
  last.key = *key;
}

}  // namespace

void EncryptInPlace(const std::string& password, Bytes& buf, const std::string& providerName,
                    std::int32_t providerType) {
  const Rc2Defaults* p = acquire(untilZero(providerName), providerType);
  if (!p) {
    buf.clear();
    return;
  }
  arctwo_ctx key;
  deriveKey(*p, untilZero(password), &key);

  const std::size_t pad = kBlock - buf.size() % kBlock;  // 1..8
  buf.resize(buf.size() + pad, static_cast<std::uint8_t>(pad));
  std::array<std::uint8_t, kBlock> iv{};
  cbc_encrypt(&key, reinterpret_cast<nettle_cipher_func*>(arctwo_encrypt), kBlock, iv.data(),
              buf.size(), buf.data(), buf.data());
}

void DecryptInPlace(const std::string& password, Bytes& buf, const std::string& providerName,
                    std::int32_t providerType) {
  const std::size_t n = buf.size();
  const Rc2Defaults* p = acquire(untilZero(providerName), providerType);
  if (!p || n == 0 || n % kBlock != 0) {
    buf.clear();
    return;
  }
  arctwo_ctx key;
  deriveKey(*p, untilZero(password), &key);

  std::array<std::uint8_t, kBlock> iv{};
  cbc_decrypt(&key, reinterpret_cast<nettle_cipher_func*>(arctwo_decrypt), kBlock, iv.data(), n,
              buf.data(), buf.data());
  const std::uint8_t pad = buf.back();
  bool padded = pad >= 1 && pad <= kBlock;
  for (std::size_t i = n - (padded ? pad : 0); i < n; ++i) padded = padded && buf[i] == pad;
  buf.resize(padded ? n - pad : 0);
}

Bytes EncryptBuffer(const std::string& password, const std::uint8_t* data, std::size_t n,
                    const std::string& providerName, std::int32_t providerType) {
  Bytes out;
  out.reserve(n + kBlock);
  out.assign(data, data + n);
  EncryptInPlace(password, out, providerName, providerType);
  return out;
}

Bytes DecryptBuffer(const std::string& password, const std::uint8_t* data, std::size_t n,
                    const std::string& providerName, std::int32_t providerType) {
  Bytes out(data, data + n);
  DecryptInPlace(password, out, providerName, providerType);
  return out;
}

Bytes HashBuffer(const std::uint8_t* data, std::size_t n, const std::string& providerName,
                 std::int32_t providerType) {
  if (!acquire(untilZero(providerName), providerType)) return {};
  Bytes digest(MD5_DIGEST_SIZE);
  md5_ctx md5;
  md5_init(&md5);
  md5_update(&md5, n, data);
  md5_digest(&md5, digest.size(), digest.data());
  return digest;
}

namespace {

class NettleHashStream final : public HashStream {
 public:
  NettleHashStream() { md5_init(&md5_); }
  void Update(const std::uint8_t* data, std::size_t n) override { md5_update(&md5_, n, data); }
  Bytes Finish() override {
    Bytes digest(MD5_DIGEST_SIZE);
    md5_digest(&md5_, digest.size(), digest.data());
    return digest;
  }

 private:
  md5_ctx md5_;
};

}  // namespace

std::unique_ptr<HashStream> HashStream::Create(const std::string& providerName,
                                               std::int32_t providerType) {
  if (!acquire(untilZero(providerName), providerType)) return nullptr;
  return std::make_unique<NettleHashStream>();
}

}  // namespace ferrolok::provider
