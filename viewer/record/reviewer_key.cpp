#include "record/reviewer_key.h"

#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <thread>

#include "record/record_entry.h"
#include "shell/runtime_error.h"

namespace tarvex {

namespace {

constexpr char kHeader[] = "tarvex reviewer key 1";

// A 32-byte buffer in guarded memory, zeroed and freed on scope exit.
class Guarded {
 public:
  explicit Guarded(std::size_t size)
      : size_(size), p_(static_cast<unsigned char*>(sodium_malloc(size))) {
    if (!p_) throw RuntimeError(err::OutOfMemory);
  }
  ~Guarded() { sodium_free(p_); }
  Guarded(const Guarded&) = delete;
  Guarded& operator=(const Guarded&) = delete;
  unsigned char* get() const { return p_; }
  std::size_t size() const { return size_; }

 private:
  std::size_t size_;
  unsigned char* p_;
};

QString osError(int e) { return QString::fromLocal8Bit(std::strerror(e)); }

void deriveKey(const Guarded& key, const QByteArray& passphrase, const QByteArray& salt,
               KdfCost cost) {
  if (crypto_pwhash(key.get(), key.size(), passphrase.constData(),
                    static_cast<unsigned long long>(passphrase.size()),
                    reinterpret_cast<const unsigned char*>(salt.constData()), cost.ops,
                    std::size_t(cost.memBytes), crypto_pwhash_ALG_ARGON2ID13) != 0)
    throw RuntimeError(err::OutOfMemory, QStringLiteral("the key derivation ran out of memory"));
}

// The key file's first four lines: the data the cipher authenticates.
QByteArray keyHead(const QString& id, const QByteArray& publicKey, KdfCost cost,
                   const QByteArray& salt) {
  return QByteArray(kHeader) + "\nid=" + id.toUtf8() + "\npublic=" + publicKey.toHex() +
         "\nkdf=argon2id ops=" + QByteArray::number(cost.ops) +
         " mem=" + QByteArray::number(cost.memBytes) + " salt=" + salt.toHex() + "\n";
}

// Writes bytes to a new file at path, mode 0600, never replacing one.
void writeNewPrivateFile(const QString& path, const QByteArray& bytes) {
  const QByteArray target = QFile::encodeName(path);
  const QByteArray temp = target + ".tmp" + QByteArray::number(::getpid());
  const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0)
    throw RuntimeError(err::PathFileAccess,
                       QStringLiteral("cannot write %1: %2").arg(path, osError(errno)));
  const bool ok =
      ::write(fd, bytes.constData(), std::size_t(bytes.size())) == bytes.size() && ::fsync(fd) == 0;
  const int e = errno;
  ::close(fd);
  if (!ok) {
    ::unlink(temp.constData());
    throw RuntimeError(err::PathFileAccess,
                       QStringLiteral("cannot write %1: %2").arg(path, osError(e)));
  }
  // link() never replaces: a key made meanwhile by another run stays.
  if (::link(temp.constData(), target.constData()) != 0) {
    const int le = errno;
    ::unlink(temp.constData());
    if (le == EEXIST)
      throw RuntimeError(
          err::PathFileAccess,
          QStringLiteral("%1 already exists; a reviewer's key is made once").arg(path));
    throw RuntimeError(err::PathFileAccess,
                       QStringLiteral("cannot write %1: %2").arg(path, osError(le)));
  }
  ::unlink(temp.constData());
  const QByteArray dir = QFile::encodeName(QFileInfo(path).absolutePath());
  if (const int dfd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

RuntimeError damaged(const QString& path, int line, const QString& why) {
  return RuntimeError(
      err::TypeMismatch,
      QStringLiteral("%1:%2: %3 (the key file is damaged)").arg(path).arg(line).arg(why));
}

}  // namespace

void ensureSodium() {
  if (sodium_init() < 0)
    throw RuntimeError(err::CantCreateObject, QStringLiteral("libsodium cannot start"));
}

void wipe(QByteArray& bytes) {
  if (!bytes.isEmpty()) sodium_memzero(bytes.data(), std::size_t(bytes.size()));
  bytes.clear();
}

bool isValidReviewerId(const QString& id) {
  static const QRegularExpression re(QStringLiteral("^[A-Za-z0-9_-][A-Za-z0-9._-]{0,63}$"));
  return re.match(id).hasMatch();
}

QString tarvexConfigDir() {
  QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (base.isEmpty() || !QDir::isAbsolutePath(base))
    base = QDir::homePath() + QStringLiteral("/.config");
  return base + QStringLiteral("/tarvex");
}

QString keyFilePath(const QString& id, const QString& keysDir) {
  const QString dir = keysDir.isEmpty() ? tarvexConfigDir() + QStringLiteral("/keys") : keysDir;
  return dir + u'/' + id;
}

QString keyFingerprint(const QByteArray& publicKey) {
  return QString::fromLatin1(lineHash(publicKey));
}

QByteArray createReviewerKey(const QString& id, const QByteArray& passphrase,
                             const QString& keysDir, KdfCost cost) {
  ensureSodium();
  if (!isValidReviewerId(id))
    throw RuntimeError(
        err::InvalidCall,
        QStringLiteral("%1 is no reviewer id (1 to 64 of A-Z a-z 0-9 . _ -)").arg(id));
  if (passphrase.isEmpty())
    throw RuntimeError(err::InvalidCall, QStringLiteral("the passphrase is empty"));
  const QString path = keyFilePath(id, keysDir);
  if (QFileInfo::exists(path))
    throw RuntimeError(
        err::PathFileAccess,
        QStringLiteral("%1 already exists; a reviewer's key is made once").arg(path));
  const QString dir = QFileInfo(path).absolutePath();
  if (!QDir().mkpath(dir))
    throw RuntimeError(err::PathNotFound, QStringLiteral("cannot make the folder %1").arg(dir));
  ::chmod(QFile::encodeName(dir).constData(), 0700);

  Guarded seed(crypto_sign_SEEDBYTES);
  Guarded secret(crypto_sign_SECRETKEYBYTES);
  QByteArray publicKey(crypto_sign_PUBLICKEYBYTES, Qt::Uninitialized);
  randombytes_buf(seed.get(), seed.size());
  crypto_sign_seed_keypair(reinterpret_cast<unsigned char*>(publicKey.data()), secret.get(),
                           seed.get());

  QByteArray salt(crypto_pwhash_SALTBYTES, Qt::Uninitialized);
  randombytes_buf(salt.data(), std::size_t(salt.size()));
  QByteArray nonce(crypto_aead_xchacha20poly1305_ietf_NPUBBYTES, Qt::Uninitialized);
  randombytes_buf(nonce.data(), std::size_t(nonce.size()));
  Guarded key(crypto_aead_xchacha20poly1305_ietf_KEYBYTES);
  deriveKey(key, passphrase, salt, cost);

  const QByteArray head = keyHead(id, publicKey, cost, salt);
  QByteArray sealed(int(seed.size() + crypto_aead_xchacha20poly1305_ietf_ABYTES),
                    Qt::Uninitialized);
  unsigned long long sealedLength = 0;
  crypto_aead_xchacha20poly1305_ietf_encrypt(
      reinterpret_cast<unsigned char*>(sealed.data()), &sealedLength, seed.get(), seed.size(),
      reinterpret_cast<const unsigned char*>(head.constData()), std::size_t(head.size()), nullptr,
      reinterpret_cast<const unsigned char*>(nonce.constData()), key.get());
  sealed.truncate(qsizetype(sealedLength));
  writeNewPrivateFile(path, head + "cipher=xchacha20poly1305 nonce=" + nonce.toHex() +
                                "\nsecret=" + sealed.toHex() + "\n");
  return publicKey;
}

UnlockedKey::~UnlockedKey() { lock(); }

void UnlockedKey::lock() {
  if (secret_) sodium_free(secret_);  // zeroes before freeing
  secret_ = nullptr;
}

QByteArray UnlockedKey::sign(const QByteArray& message) const {
  if (!secret_)
    throw RuntimeError(err::InvalidCall, QStringLiteral("the key of %1 is locked").arg(id_));
  QByteArray signature(crypto_sign_BYTES, Qt::Uninitialized);
  crypto_sign_detached(reinterpret_cast<unsigned char*>(signature.data()), nullptr,
                       reinterpret_cast<const unsigned char*>(message.constData()),
                       static_cast<unsigned long long>(message.size()), secret_);
  return signature;
}

std::unique_ptr<UnlockedKey> UnlockedKey::unlock(const QString& id, const QByteArray& passphrase,
                                                 const QString& keysDir, int wrongDelayMs) {
  ensureSodium();
  if (!isValidReviewerId(id))
    throw RuntimeError(err::InvalidCall, QStringLiteral("%1 is no reviewer id").arg(id));
  const QString path = keyFilePath(id, keysDir);
  QFile file(path);
  const QFileInfo info(path);
  if (!info.exists())
    throw RuntimeError(
        err::FileNotFound,
        QStringLiteral("no key for %1 in %2 (make one with `tarvex reviewer init`)").arg(id, path));
  if (!info.isFile() || info.size() > 4096 || !file.open(QIODevice::ReadOnly))
    throw RuntimeError(err::PathFileAccess,
                       QStringLiteral("cannot read the key file %1").arg(path));
  const QList<QByteArray> lines = file.readAll().split('\n');
  if (lines.size() < 6 || lines[0] != kHeader)
    throw damaged(path, 1, QStringLiteral("no key file"));
  auto value = [&](int index, const char* key) {
    const QByteArray prefix = QByteArray(key) + '=';
    if (!lines[index].startsWith(prefix))
      throw damaged(path, index + 1, QStringLiteral("no %1").arg(QLatin1String(key)));
    return lines[index].mid(prefix.size());
  };
  if (value(1, "id") != id.toUtf8())
    throw damaged(path, 2, QStringLiteral("the key is not %1's").arg(id));
  const QByteArray publicKey = QByteArray::fromHex(value(2, "public"));
  static const QRegularExpression kdfRe(
      QStringLiteral("^argon2id ops=(\\d{1,3}) mem=(\\d{4,11}) salt=([0-9a-f]{32})$"));
  const auto kdf = kdfRe.match(QString::fromLatin1(value(3, "kdf")));
  static const QRegularExpression cipherRe(
      QStringLiteral("^xchacha20poly1305 nonce=([0-9a-f]{48})$"));
  const auto cipher = cipherRe.match(QString::fromLatin1(value(4, "cipher")));
  const QByteArray sealed = QByteArray::fromHex(value(5, "secret"));
  if (publicKey.size() != crypto_sign_PUBLICKEYBYTES)
    throw damaged(path, 3, QStringLiteral("bad public key"));
  if (!kdf.hasMatch()) throw damaged(path, 4, QStringLiteral("unknown key derivation"));
  if (!cipher.hasMatch()) throw damaged(path, 5, QStringLiteral("unknown cipher"));
  if (sealed.size() != int(crypto_sign_SEEDBYTES + crypto_aead_xchacha20poly1305_ietf_ABYTES))
    throw damaged(path, 6, QStringLiteral("bad secret"));
  KdfCost cost{kdf.captured(1).toULongLong(), kdf.captured(2).toULongLong()};
  if (cost.ops < crypto_pwhash_OPSLIMIT_MIN || cost.memBytes < crypto_pwhash_MEMLIMIT_MIN ||
      cost.memBytes > (quint64(4) << 30))
    throw damaged(path, 4, QStringLiteral("key derivation cost out of range"));
  const QByteArray salt = QByteArray::fromHex(kdf.captured(3).toLatin1());
  const QByteArray nonce = QByteArray::fromHex(cipher.captured(1).toLatin1());

  Guarded key(crypto_aead_xchacha20poly1305_ietf_KEYBYTES);
  deriveKey(key, passphrase, salt, cost);
  const QByteArray head = keyHead(id, publicKey, cost, salt);
  Guarded seed(crypto_sign_SEEDBYTES);
  unsigned long long seedLength = 0;
  if (crypto_aead_xchacha20poly1305_ietf_decrypt(
          seed.get(), &seedLength, nullptr,
          reinterpret_cast<const unsigned char*>(sealed.constData()), std::size_t(sealed.size()),
          reinterpret_cast<const unsigned char*>(head.constData()), std::size_t(head.size()),
          reinterpret_cast<const unsigned char*>(nonce.constData()), key.get()) != 0) {
    if (wrongDelayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(wrongDelayMs));
    throw RuntimeError(err::PermissionDenied, QStringLiteral("wrong passphrase for %1").arg(id));
  }
  std::unique_ptr<UnlockedKey> unlocked(new UnlockedKey);
  unlocked->id_ = id;
  unlocked->secret_ = static_cast<unsigned char*>(sodium_malloc(crypto_sign_SECRETKEYBYTES));
  if (!unlocked->secret_) throw RuntimeError(err::OutOfMemory);
  QByteArray derivedPublic(crypto_sign_PUBLICKEYBYTES, Qt::Uninitialized);
  crypto_sign_seed_keypair(reinterpret_cast<unsigned char*>(derivedPublic.data()),
                           unlocked->secret_, seed.get());
  if (derivedPublic != publicKey)
    throw damaged(path, 3, QStringLiteral("the public key does not match the secret"));
  unlocked->publicKey_ = publicKey;
  return unlocked;
}

bool verifySignature(const QByteArray& publicKey, const QByteArray& message,
                     const QByteArray& signature) {
  if (publicKey.size() != crypto_sign_PUBLICKEYBYTES || signature.size() != crypto_sign_BYTES)
    return false;
  return crypto_sign_verify_detached(
             reinterpret_cast<const unsigned char*>(signature.constData()),
             reinterpret_cast<const unsigned char*>(message.constData()),
             static_cast<unsigned long long>(message.size()),
             reinterpret_cast<const unsigned char*>(publicKey.constData())) == 0;
}

}  // namespace tarvex
