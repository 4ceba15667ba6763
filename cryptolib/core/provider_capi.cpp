// The provider layer of the Windows build: the named cryptographic service
// provider itself, through CryptoAPI (advapi32). Every call acquires its own
// context with CRYPT_VERIFYCONTEXT and releases it before returning; no key
// parameter is ever set, so the provider's defaults for RC2 keys derived from
// an MD5 hash (key length, salt, IV, CBC chaining, padding) decide the bytes.
#include <windows.h>
// wincrypt.h needs the types of windows.h.
#include <wincrypt.h>

#include <algorithm>
#include <cstring>

#include "provider.h"

namespace ferrolok::provider {
namespace {

// The longest buffer one CryptEncrypt or CryptDecrypt call can take: its
// lengths are 32-bit and the ciphertext adds up to one block of padding.
constexpr std::size_t kMaxBuffer = 0xFFFFFFF0u;

// A provider context for (name, type) with no key container; 0 when the name
// and type do not match an installed provider.
class Context {
 public:
  Context(const std::string& providerName, std::int32_t providerType) {
    if (!CryptAcquireContextA(&handle_, nullptr, providerName.c_str(),
                              static_cast<DWORD>(providerType), CRYPT_VERIFYCONTEXT))
      handle_ = 0;
  }
  ~Context() {
    if (handle_) CryptReleaseContext(handle_, 0);
  }
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;
  HCRYPTPROV get() const { return handle_; }

 private:
  HCRYPTPROV handle_ = 0;
};

class Key {
 public:
  explicit Key(HCRYPTKEY h) : handle_(h) {}
  ~Key() {
    if (handle_) CryptDestroyKey(handle_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HCRYPTKEY get() const { return handle_; }

 private:
  HCRYPTKEY handle_;
};

class Hash {
 public:
  Hash(HCRYPTPROV prov, ALG_ID alg) {
    if (!CryptCreateHash(prov, alg, 0, 0, &handle_)) handle_ = 0;
  }
  ~Hash() {
    if (handle_) CryptDestroyHash(handle_);
  }
  Hash(const Hash&) = delete;
  Hash& operator=(const Hash&) = delete;
  HCRYPTHASH get() const { return handle_; }

 private:
  HCRYPTHASH handle_ = 0;
};

// MD5 of the password's bytes up to its first zero byte, turned into an RC2
// session key of the provider's default length. 0 when any step fails.
HCRYPTKEY DeriveKey(HCRYPTPROV prov, const std::string& password) {
  Hash hash(prov, CALG_MD5);
  if (!hash.get()) return 0;
  const char* pw = password.c_str();
  if (!CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(pw),
                     static_cast<DWORD>(std::strlen(pw)), 0))
    return 0;
  HCRYPTKEY key = 0;
  if (!CryptDeriveKey(prov, CALG_RC2, hash.get(), CRYPT_EXPORTABLE, &key)) return 0;
  return key;
}

}  // namespace

void EncryptInPlace(const std::string& password, Bytes& buf, const std::string& providerName,
                    std::int32_t providerType) {
  const std::size_t n = buf.size();
  // One call takes a 32-bit length, padding included.
  if (n > kMaxBuffer) {
    buf.clear();
    return;
  }
  Context ctx(providerName, providerType);
  Key key(ctx.get() ? DeriveKey(ctx.get(), password) : 0);
  // Size query: a null buffer reports the padded ciphertext length.
  DWORD len = static_cast<DWORD>(n);
  if (!key.get() || !CryptEncrypt(key.get(), 0, TRUE, 0, nullptr, &len, static_cast<DWORD>(n))) {
    buf.clear();
    return;
  }
  buf.resize(len);
  DWORD outLen = static_cast<DWORD>(n);
  if (!CryptEncrypt(key.get(), 0, TRUE, 0, buf.data(), &outLen, len)) outLen = 0;
  buf.resize(outLen);
}

void DecryptInPlace(const std::string& password, Bytes& buf, const std::string& providerName,
                    std::int32_t providerType) {
  const std::size_t n = buf.size();
  Context ctx(providerName, providerType);
  Key key(ctx.get() ? DeriveKey(ctx.get(), password) : 0);
  // RC2 works on whole 8-byte blocks: the provider fails a final decryption
  // of zero bytes (there is no padding block to remove) or of a length that
  // is not whole blocks. Some implementations crash on the first or decrypt
  // the second anyway, so such a call is not made.
  constexpr std::size_t kRc2Block = 8;
  DWORD len = static_cast<DWORD>(n);
  if (!key.get() || n == 0 || n % kRc2Block != 0 || n > kMaxBuffer ||
      !CryptDecrypt(key.get(), 0, TRUE, 0, buf.data(), &len))
    len = 0;
  buf.resize(len);
}

Bytes EncryptBuffer(const std::string& password, const std::uint8_t* data, std::size_t n,
                    const std::string& providerName, std::int32_t providerType) {
  Bytes out;
  out.reserve(n + 8);
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

namespace {

// The digest of a hash object (HP_HASHSIZE, then HP_HASHVAL); empty when it
// cannot be read.
Bytes hashValue(HCRYPTHASH hash) {
  DWORD size = 0;
  DWORD sizeLen = sizeof(size);
  if (!CryptGetHashParam(hash, HP_HASHSIZE, reinterpret_cast<BYTE*>(&size), &sizeLen, 0)) return {};
  Bytes digest(size);
  DWORD valueLen = size;
  if (!CryptGetHashParam(hash, HP_HASHVAL, digest.data(), &valueLen, 0)) return {};
  digest.resize(valueLen);
  return digest;
}

// Feeds data[0..n) to the hash: one call (more only beyond the 32-bit
// length of a call).
bool feed(HCRYPTHASH hash, const std::uint8_t* data, std::size_t n) {
  static const BYTE kNothing = 0;  // zero bytes are still passed by a valid pointer
  do {
    const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(n, 0xFFFFFFFFu));
    if (!CryptHashData(hash, n ? data : &kNothing, piece, 0)) return false;
    data += piece;
    n -= piece;
  } while (n > 0);
  return true;
}

// One provider context and MD5 hash object for the whole input: a file is
// hashed while it is read, in any size, with memory for one piece.
class CapiHashStream final : public HashStream {
 public:
  CapiHashStream(const std::string& providerName, std::int32_t providerType)
      : ctx_(providerName, providerType), hash_(ctx_.get(), CALG_MD5) {}
  bool acquired() const { return ctx_.get() != 0; }
  void Update(const std::uint8_t* data, std::size_t n) override {
    fed_ = fed_ && hash_.get() && feed(hash_.get(), data, n);
  }
  Bytes Finish() override { return fed_ && hash_.get() ? hashValue(hash_.get()) : Bytes(); }

 private:
  Context ctx_;
  Hash hash_;
  bool fed_ = true;
};

}  // namespace

Bytes HashBuffer(const std::uint8_t* data, std::size_t n, const std::string& providerName,
                 std::int32_t providerType) {
  Context ctx(providerName, providerType);
  if (!ctx.get()) return {};
  Hash hash(ctx.get(), CALG_MD5);
  if (!hash.get() || !feed(hash.get(), data, n)) return {};
  return hashValue(hash.get());
}

std::unique_ptr<HashStream> HashStream::Create(const std::string& providerName,
                                               std::int32_t providerType) {
  auto stream = std::make_unique<CapiHashStream>(providerName, providerType);
  if (!stream->acquired()) return nullptr;
  return stream;
}

}  // namespace ferrolok::provider
