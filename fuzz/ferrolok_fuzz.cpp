// The Ferrolok classes on arbitrary bytes, passwords and providers:
// DecryptData never fails other than by its documented results, an
// EncryptString ciphertext decrypts back to NarrowString(Input), the string
// hash is the MD5 of the 8-bit form, and the ProgID factory creates or
// refuses cleanly.
#include <ferrolok/ferrolok.h>
#include <nettle/md5.h>

#include <cstring>
#include <string>

#include "fuzz_util.h"

using ferrolok::BString;
using ferrolok::Bytes;

namespace {

const char16_t* const kProviders[] = {
    u"Microsoft Base Cryptographic Provider v1.0",
    u"Microsoft Enhanced Cryptographic Provider v1.0",
    u"Microsoft Strong Cryptographic Provider",
};

// A UTF-16 text from bytes: one character per byte, or (wide) per byte pair.
std::u16string textFrom(const QByteArray& b, bool wide) {
  std::u16string s;
  if (wide) {
    for (qsizetype i = 0; i + 1 < b.size(); i += 2)
      s.push_back(char16_t(quint8(b[i]) | (quint8(b[i + 1]) << 8)));
  } else {
    for (char c : b) s.push_back(char16_t(quint8(c)));
  }
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tarvex::fuzz::Cursor in(data, size);
  const std::uint8_t flags = in.byte();
  const std::uint8_t providerChoice = in.byte();
  // Mostly type 1 (the only one a provider accepts), sometimes any.
  const std::int16_t providerType =
      (flags & 0x80) ? static_cast<std::int16_t>(in.u16()) : std::int16_t(1);

  BString provider;
  bool knownProvider = false;
  if (providerChoice < 3 * 64) {
    provider = std::u16string(kProviders[providerChoice % 3]);
    knownProvider = true;
  } else if (providerChoice < 250) {
    provider = textFrom(in.bytes(48), false);
  }  // else null
  BString password;
  if ((flags & 0x40) == 0) password = textFrom(in.bytes(64), (flags & 0x20) != 0);
  const bool wideInput = (flags & 0x10) != 0;
  const std::int32_t lowerBound = (flags & 0x08) ? -int(flags) : int(flags & 7);
  const QByteArray payload = in.restBytes();
  const Bytes bytes(payload.begin(), payload.end());
  const bool valid = knownProvider && providerType == 1;

  // Decrypting arbitrary bytes: bytes or the empty array, never untouched.
  ferrolok::DecryptData dec;
  dec.setSaveToFile(0);
  dec.setPassword(password);
  dec.setProvider(provider);
  dec.setProviderType(providerType);
  dec.setData(ferrolok::ByteArray{lowerBound, bytes});
  const ferrolok::Result plain = dec.Decrypt();
  FUZZ_CHECK(plain.has_value());
  if (bytes.empty() || bytes.size() % 8 != 0) FUZZ_CHECK(plain->empty());
  if (!plain->empty())
    FUZZ_CHECK(plain->size() < bytes.size() && plain->size() + 8 >= bytes.size());

  // Round trip through EncryptString. The providers named above always
  // answer type 1; whether another name or type answers is the provider
  // layer's business, but encryption and decryption must agree on it.
  const std::u16string input = textFrom(payload, wideInput);
  ferrolok::EncryptString enc;
  enc.setSaveToFile(0);
  enc.setPassword(password);
  enc.setProvider(provider);
  enc.setProviderType(providerType);
  enc.setInput(input);
  const ferrolok::Result cipher = enc.Encrypt();
  bool acquired = valid;
  if (input.empty()) {
    FUZZ_CHECK(!cipher.has_value());
  } else {
    FUZZ_CHECK(cipher.has_value());
    acquired = !cipher->empty();
    if (valid) FUZZ_CHECK(acquired);
    if (!acquired) {
      FUZZ_CHECK(plain->empty());
    } else {
      FUZZ_CHECK(cipher->size() == (input.size() / 8 + 1) * 8);
      dec.setData(ferrolok::ByteArray{lowerBound, *cipher});
      const ferrolok::Result back = dec.Decrypt();
      FUZZ_CHECK(back.has_value());
      const std::string narrow = ferrolok::NarrowString(BString(input));
      FUZZ_CHECK(std::string(back->begin(), back->end()) == narrow);
    }
  }

  // The string hash: MD5 of the 8-bit form, whatever the password.
  ferrolok::CreateStringHash hash;
  hash.setPassword(password);
  hash.setProvider(provider);
  hash.setProviderType(providerType);
  hash.setInput(input);
  const ferrolok::Result digest = hash.Hash();
  if (input.empty()) {
    FUZZ_CHECK(!digest.has_value());
  } else if (acquired) {
    FUZZ_CHECK(digest.has_value() && digest->size() == MD5_DIGEST_SIZE);
    const std::string narrow = ferrolok::NarrowString(BString(input));
    md5_ctx ctx;
    md5_init(&ctx);
    md5_update(&ctx, narrow.size(), reinterpret_cast<const std::uint8_t*>(narrow.data()));
    std::uint8_t want[MD5_DIGEST_SIZE];
    md5_digest(&ctx, sizeof want, want);
    FUZZ_CHECK(std::memcmp(digest->data(), want, sizeof want) == 0);
  }

  // The factory on the payload as a ProgID: an object or UnknownProgId.
  if (payload.size() <= 64) {
    try {
      const std::unique_ptr<ferrolok::Object> o =
          ferrolok::createObject(std::string_view(payload.constData(), payload.size()));
      FUZZ_CHECK(o != nullptr);
    } catch (const ferrolok::UnknownProgId&) {
    }
  }
  return 0;
}
