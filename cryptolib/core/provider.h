// The cryptographic provider behind the six classes: key derivation, RC2
// encryption and decryption of a whole buffer in one final call, and MD5.
// On Linux it reproduces the Windows providers on Nettle (provider_nettle.cpp);
// the Windows build calls CryptoAPI itself (provider_capi.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "ferrolok/ferrolok.h"

namespace ferrolok::provider {

// `password` and `providerName` are 8-bit strings that end at their first
// zero byte, as the provider receives them. Each call acquires and releases
// its own context: nothing survives a call.

// Ciphertext of data[0..n), always 8 * (n / 8 + 1) bytes; an empty buffer
// when the provider cannot be acquired or the key cannot be derived.
Bytes EncryptBuffer(const std::string& password, const std::uint8_t* data, std::size_t n,
                    const std::string& providerName, std::int32_t providerType);

// Plaintext of data[0..n) with the padding removed; an empty buffer when the
// provider cannot be acquired or decryption fails (n not a positive multiple
// of 8, bad padding).
Bytes DecryptBuffer(const std::string& password, const std::uint8_t* data, std::size_t n,
                    const std::string& providerName, std::int32_t providerType);

// EncryptBuffer and DecryptBuffer on a buffer the caller hands over, so that
// a file needs no second buffer of its size: `buf` is replaced by the
// ciphertext or plaintext, or emptied where those give an empty buffer.
// Encryption grows `buf` by its padding (1 to 8 bytes); reserve that room to
// keep it from moving.
void EncryptInPlace(const std::string& password, Bytes& buf, const std::string& providerName,
                    std::int32_t providerType);
void DecryptInPlace(const std::string& password, Bytes& buf, const std::string& providerName,
                    std::int32_t providerType);

// The 16-byte MD5 digest of data[0..n); an empty buffer when the provider
// cannot be acquired.
Bytes HashBuffer(const std::uint8_t* data, std::size_t n, const std::string& providerName,
                 std::int32_t providerType);

// MD5 of input that arrives in pieces, as one hash object fed by one
// CryptHashData call per piece: the digest equals HashBuffer's over the
// pieces joined. It lets a file be hashed while it is read, without a buffer
// of the file's size.
class HashStream {
 public:
  virtual ~HashStream() = default;
  // Acquires the provider and creates the hash; nullptr when the provider
  // cannot be acquired.
  static std::unique_ptr<HashStream> Create(const std::string& providerName,
                                            std::int32_t providerType);
  virtual void Update(const std::uint8_t* data, std::size_t n) = 0;
  // The digest; an empty buffer when the hash cannot be fed or read.
  virtual Bytes Finish() = 0;
};

}  // namespace ferrolok::provider
