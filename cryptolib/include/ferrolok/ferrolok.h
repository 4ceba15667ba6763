// Ferrolok: RC2 encryption and decryption under a key derived from the MD5
// of a password, and MD5 digests of strings and files, byte-compatible with
// the Windows cryptographic service providers.
//
// Each of the six classes is a property bag with one method. Properties are
// read and written through accessors; a get returns a copy, a set stores a
// copy. A method never changes a property and never throws: it reports what
// it did through its Result (see below). Objects are not thread-safe; use one
// object per thread (two objects may work at the same time).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ferrolok {

using Bytes = std::vector<std::uint8_t>;

// A UTF-16 text property that may also be null. A null string (std::nullopt)
// and an allocated empty string (u"") are different values: the methods'
// guards compare with the empty string only, so a null Input passes them.
using BString = std::optional<std::u16string>;

// What a method did with its out parameter:
//   std::nullopt       the result was left untouched (a guard stopped the call)
//   an empty Bytes     the method ran but could not do its work (unknown
//                      provider, failed decryption, ...)
//   Bytes              the ciphertext, plaintext or digest.
using Result = std::optional<Bytes>;

// A one-dimensional byte array with its lower bound, as a VARIANT carries it.
struct ByteArray {
  std::int32_t lowerBound = 0;
  Bytes bytes;
  friend bool operator==(const ByteArray&, const ByteArray&) = default;
};

// The value of DecryptData's Data property: std::nullopt while it holds no
// array (the VT_EMPTY default, or anything that is not a byte array).
using DataValue = std::optional<ByteArray>;

inline constexpr char16_t kDefaultProvider[] = u"Microsoft Base Cryptographic Provider v1.0";
inline constexpr std::int16_t kDefaultProviderType = 1;  // PROV_RSA_FULL

// Keeps the low 8 bits of each UTF-16 code unit, in order; a null string gives
// an empty string. Not a code-page conversion.
std::string NarrowString(const BString& s);

// Base of the six classes: the properties they all have.
class Object {
 public:
  virtual ~Object();
  Object(const Object&) = default;
  Object& operator=(const Object&) = default;

  // Class name without the "Ferrolok." prefix, e.g. "EncryptString".
  virtual const char* className() const = 0;

  BString Password() const { return password_; }
  void setPassword(BString v) { password_ = std::move(v); }
  BString Provider() const { return provider_; }
  void setProvider(BString v) { provider_ = std::move(v); }
  // Signed 16-bit; used sign-extended to 32 bits.
  std::int16_t ProviderType() const { return providerType_; }
  void setProviderType(std::int16_t v) { providerType_ = v; }

 protected:
  Object() = default;

 private:
  BString password_ = std::u16string();
  BString provider_ = std::u16string(kDefaultProvider);
  std::int16_t providerType_ = kDefaultProviderType;
};

// Destination-file properties of the four cipher classes. When SaveToFile is
// non-zero a method that produced a byte array (even an empty one) also
// writes it to DestinationFile, created or truncated; a destination that
// cannot be opened is skipped silently and the result still stands.
class SavingObject : public Object {
 public:
  BString DestinationFile() const { return destinationFile_; }
  void setDestinationFile(BString v) { destinationFile_ = std::move(v); }
  std::int32_t SaveToFile() const { return saveToFile_; }
  void setSaveToFile(std::int32_t v) { saveToFile_ = v; }

 protected:
  SavingObject() = default;
  // Writes `out` to DestinationFile when SaveToFile is non-zero.
  void save(const Bytes& out) const;

 private:
  BString destinationFile_ = std::u16string();
  std::int32_t saveToFile_ = 1;
};

// Encrypts the 8-bit form of Input (NarrowString, one byte per code unit,
// zero characters included). Untouched when Input is the empty string.
class EncryptString final : public SavingObject {
 public:
  const char* className() const override { return "EncryptString"; }
  BString Input() const { return input_; }
  void setInput(BString v) { input_ = std::move(v); }
  Result Encrypt() const;

 private:
  BString input_ = std::u16string();
};

// Decrypts the bytes of Data (any lower bound). Untouched while Data holds
// no array.
class DecryptData final : public SavingObject {
 public:
  const char* className() const override { return "DecryptData"; }
  DataValue Data() const { return data_; }
  void setData(DataValue v) { data_ = std::move(v); }
  Result Decrypt() const;

 private:
  DataValue data_;
};

// Encrypts the whole content of FileName. Untouched when FileName is the
// empty string or the file cannot be read.
class EncryptFile final : public SavingObject {
 public:
  const char* className() const override { return "EncryptFile"; }
  BString FileName() const { return fileName_; }
  void setFileName(BString v) { fileName_ = std::move(v); }
  Result Encrypt() const;

 private:
  BString fileName_ = std::u16string();
};

// Decrypts the whole content of FileName. Untouched when FileName is the
// empty string or the file cannot be read.
class DecryptFile final : public SavingObject {
 public:
  const char* className() const override { return "DecryptFile"; }
  BString FileName() const { return fileName_; }
  void setFileName(BString v) { fileName_ = std::move(v); }
  Result Decrypt() const;

 private:
  BString fileName_ = std::u16string();
};

// MD5 of the 8-bit form of Input. Password is kept but does not change the
// digest. Untouched when Input is the empty string.
class CreateStringHash final : public Object {
 public:
  const char* className() const override { return "CreateStringHash"; }
  BString Input() const { return input_; }
  void setInput(BString v) { input_ = std::move(v); }
  Result Hash() const;

 private:
  BString input_ = std::u16string();
};

// MD5 of the whole content of FileName. Untouched when FileName is the empty
// string or the file cannot be read.
class CreateFileHash final : public Object {
 public:
  const char* className() const override { return "CreateFileHash"; }
  BString FileName() const { return fileName_; }
  void setFileName(BString v) { fileName_ = std::move(v); }
  Result Hash() const;

 private:
  BString fileName_ = std::u16string();
};

// Thrown by createObject for a ProgID that names none of the six classes.
class UnknownProgId : public std::runtime_error {
 public:
  explicit UnknownProgId(std::string_view progId);
};

// Creates a new object with its defaults from a ProgID, "Ferrolok.X" or
// "Ferrolok.X.1" (case-insensitive, as the registry resolves it).
std::unique_ptr<Object> createObject(std::string_view progId);

// createObject for a caller that knows the class it wants; throws
// UnknownProgId also when the ProgID names another class.
template <class T>
std::unique_ptr<T> createObjectAs(std::string_view progId) {
  std::unique_ptr<Object> o = createObject(progId);
  if (auto* t = dynamic_cast<T*>(o.get())) {
    o.release();
    return std::unique_ptr<T>(t);
  }
  throw UnknownProgId(progId);
}

}  // namespace ferrolok
