// The six classes: guards, input gathering and the destination file around
// the provider calls.
#include <algorithm>
#include <cctype>

#include "ferrolok/ferrolok.h"
#include "files.h"
#include "provider.h"

namespace ferrolok {
namespace {

const std::u16string kEmpty;

// Room for the padding that encryption adds: up to one RC2 block.
constexpr std::size_t kPaddingRoom = 8;

// The guards compare with an allocated empty string; a null string differs.
bool isEmptyString(const BString& s) { return s && *s == kEmpty; }

const std::uint8_t* bytesOf(const std::string& s) {
  return reinterpret_cast<const std::uint8_t*>(s.data());
}

Bytes encrypt(const Object& o, const std::uint8_t* data, std::size_t n) {
  return provider::EncryptBuffer(NarrowString(o.Password()), data, n, NarrowString(o.Provider()),
                                 o.ProviderType());
}

}  // namespace

std::string NarrowString(const BString& s) {
  std::string out;
  if (!s) return out;
  out.resize(s->size());
  std::transform(s->begin(), s->end(), out.begin(),
                 [](char16_t c) { return static_cast<char>(c & 0xFF); });
  return out;
}

Object::~Object() = default;

void SavingObject::save(const Bytes& out) const {
  if (saveToFile_ != 0) detail::WriteWholeFile(destinationFile_, out);
}

Result EncryptString::Encrypt() const {
  if (isEmptyString(input_)) return std::nullopt;
  const std::string in = NarrowString(input_);
  Bytes out = encrypt(*this, bytesOf(in), in.size());
  save(out);
  return out;
}

Result DecryptData::Decrypt() const {
  if (!data_) return std::nullopt;
  Bytes out =
      provider::DecryptBuffer(NarrowString(Password()), data_->bytes.data(), data_->bytes.size(),
                              NarrowString(Provider()), ProviderType());
  save(out);
  return out;
}

// The file classes read the file once into the buffer that the cipher works
// in and that is returned: a file needs memory of its size once, not twice.
Result EncryptFile::Encrypt() const {
  if (isEmptyString(fileName_)) return std::nullopt;
  std::optional<Bytes> buf = detail::ReadWholeFile(fileName_, kPaddingRoom);
  if (!buf) return std::nullopt;
  provider::EncryptInPlace(NarrowString(Password()), *buf, NarrowString(Provider()),
                           ProviderType());
  save(*buf);
  return buf;
}

Result DecryptFile::Decrypt() const {
  if (isEmptyString(fileName_)) return std::nullopt;
  std::optional<Bytes> buf = detail::ReadWholeFile(fileName_);
  if (!buf) return std::nullopt;
  provider::DecryptInPlace(NarrowString(Password()), *buf, NarrowString(Provider()),
                           ProviderType());
  save(*buf);
  return buf;
}

Result CreateStringHash::Hash() const {
  if (isEmptyString(input_)) return std::nullopt;
  const std::string in = NarrowString(input_);
  return provider::HashBuffer(bytesOf(in), in.size(), NarrowString(Provider()), ProviderType());
}

// The file is hashed while it is read, so that hashing a large file needs no
// buffer of its size; the digest is that of the whole content all the same.
Result CreateFileHash::Hash() const {
  if (isEmptyString(fileName_)) return std::nullopt;
  std::optional<detail::InputFile> in = detail::InputFile::Open(fileName_);
  if (!in) return std::nullopt;
  std::unique_ptr<provider::HashStream> md5 =
      provider::HashStream::Create(NarrowString(Provider()), ProviderType());
  if (!md5) return Bytes();
  const bool read =
      in->ReadInPieces([&](const std::uint8_t* data, std::size_t n) { md5->Update(data, n); });
  if (!read) return std::nullopt;
  return md5->Finish();
}

UnknownProgId::UnknownProgId(std::string_view progId)
    : std::runtime_error("no Ferrolok class is registered as \"" + std::string(progId) + "\"") {}

std::unique_ptr<Object> createObject(std::string_view progId) {
  auto lower = [](std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
  };
  std::string name = lower(progId);
  const std::string prefix = "ferrolok.";
  if (name.rfind(prefix, 0) != 0) throw UnknownProgId(progId);
  name.erase(0, prefix.size());
  if (name.size() > 2 && name.compare(name.size() - 2, 2, ".1") == 0) name.resize(name.size() - 2);

  if (name == "encryptstring") return std::make_unique<EncryptString>();
  if (name == "decryptdata") return std::make_unique<DecryptData>();
  if (name == "encryptfile") return std::make_unique<EncryptFile>();
  if (name == "decryptfile") return std::make_unique<DecryptFile>();
  if (name == "createstringhash") return std::make_unique<CreateStringHash>();
  if (name == "createfilehash") return std::make_unique<CreateFileHash>();
  throw UnknownProgId(progId);
}

}  // namespace ferrolok
