// A reviewer's key pair: made once, kept encrypted under the reviewer's
// passphrase, unlocked to sign record entries.
//
// Key file ($XDG_CONFIG_HOME/tarvex/keys/ID, mode 0600), text:
//   tarvex reviewer key 1
//   id=ID
//   public=<Ed25519 public key, 64 hex>
//   kdf=argon2id ops=N mem=BYTES salt=<32 hex>
//   cipher=xchacha20poly1305 nonce=<48 hex>
//   secret=<the 32-byte seed sealed, 96 hex>
// The seed is sealed with XChaCha20-Poly1305 under the Argon2id key of the
// passphrase; the first four lines are the authenticated associated data,
// so neither the id, the public key nor the cost can be changed unseen.
#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

namespace tarvex {

// The Argon2id cost stored with a key. The default costs about half a
// second here, on purpose; tests pass a cheap one explicitly.
struct KdfCost {
  quint64 ops = 2;
  quint64 memBytes = quint64(128) << 20;
  static KdfCost cheapForTests() { return {1, quint64(8) << 10}; }
};

// Whether `id` may name a reviewer: 1 to 64 of A-Z a-z 0-9 . _ - , not
// starting with "." (it names the key file).
bool isValidReviewerId(const QString& id);

// $XDG_CONFIG_HOME/tarvex (else ~/.config/tarvex).
QString tarvexConfigDir();
// The key file of `id` in `keysDir` (empty: tarvexConfigDir()/keys).
QString keyFilePath(const QString& id, const QString& keysDir = {});

// The public key's fingerprint: SHA-256 of its 32 bytes, 64 hex digits.
QString keyFingerprint(const QByteArray& publicKey);

// Makes a key pair for `id` and writes its key file (whole or not at all,
// mode 0600, its folder made 0700 when missing). Returns the public key (32
// bytes). Throws RuntimeError: 5 for an invalid id or an empty passphrase,
// 58 when the id already has a key file (nothing is replaced), 75 when the
// file cannot be written.
QByteArray createReviewerKey(const QString& id, const QByteArray& passphrase,
                             const QString& keysDir = {}, KdfCost cost = {});

// An unlocked private key. The secret lives in guarded memory, zeroed when
// the object is destroyed or lock() is called; it cannot be copied.
class UnlockedKey {
 public:
  ~UnlockedKey();
  UnlockedKey(const UnlockedKey&) = delete;
  UnlockedKey& operator=(const UnlockedKey&) = delete;

  const QString& id() const { return id_; }
  const QByteArray& publicKey() const { return publicKey_; }
  QString fingerprint() const { return keyFingerprint(publicKey_); }
  bool isLocked() const { return secret_ == nullptr; }
  // Zeroes and frees the secret; sign() then throws.
  void lock();
  // The 64-byte Ed25519 signature of `message`. Throws RuntimeError 5 when
  // locked.
  QByteArray sign(const QByteArray& message) const;

  // Reads the key file of `id` and opens it with `passphrase`. A wrong
  // passphrase waits `wrongDelayMs` (default 1 s) and then throws
  // RuntimeError(70, "wrong passphrase for ID"); a missing key file 53 with
  // a hint at `tarvex reviewer init`; a damaged one 13 naming the line.
  static std::unique_ptr<UnlockedKey> unlock(const QString& id, const QByteArray& passphrase,
                                             const QString& keysDir = {}, int wrongDelayMs = 1000);

 private:
  UnlockedKey() = default;
  QString id_;
  QByteArray publicKey_;
  unsigned char* secret_ = nullptr;  // 64 bytes, sodium_malloc
};

// Verifies an Ed25519 signature under a 32-byte public key.
bool verifySignature(const QByteArray& publicKey, const QByteArray& message,
                     const QByteArray& signature);

// Overwrites bytes with zeros (a passphrase once used) and empties it.
void wipe(QByteArray& bytes);

// libsodium ready; throws RuntimeError 429 when it cannot start.
void ensureSodium();

}  // namespace tarvex
