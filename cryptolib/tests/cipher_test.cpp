// Encryption and decryption: guards, lengths, passwords, providers, round
// trips and the destination file.
#include <gtest/gtest.h>

#include <random>

#include "ferrolok/ferrolok.h"
#include "test_util.h"

namespace ferrolok {
namespace {

using test::fromHex;
using test::latin1;
using test::readFile;
using test::TempDir;
using test::writeFile;

const char16_t kEnhanced[] = u"Microsoft Enhanced Cryptographic Provider v1.0";
const char16_t kStrong[] = u"Microsoft Strong Cryptographic Provider";

// "a" under the password "plumb", base provider.
const Bytes kCipherA = fromHex("b56cad6ee4dd5d6d");

Result encryptText(const BString& input, const BString& password = u"plumb",
                   const BString& provider = kDefaultProvider, std::int16_t type = 1) {
  EncryptString e;
  e.setSaveToFile(0);
  e.setInput(input);
  e.setPassword(password);
  e.setProvider(provider);
  e.setProviderType(type);
  return e.Encrypt();
}

Result decryptBytes(const Bytes& data, const BString& password = u"plumb",
                    const BString& provider = kDefaultProvider, std::int16_t type = 1,
                    std::int32_t lowerBound = 0) {
  DecryptData d;
  d.setSaveToFile(0);
  d.setData(ByteArray{lowerBound, data});
  d.setPassword(password);
  d.setProvider(provider);
  d.setProviderType(type);
  return d.Decrypt();
}

TEST(Guards, EmptyInputLeavesTheResultUntouchedButNullInputIsEncrypted) {
  EXPECT_EQ(encryptText(u""), std::nullopt);
  const Result r = encryptText(std::nullopt);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->size(), 8u);
  // The ciphertext of zero bytes decrypts to zero bytes.
  EXPECT_EQ(decryptBytes(*r), Bytes());

  DecryptData d;
  d.setSaveToFile(0);
  EXPECT_EQ(d.Decrypt(), std::nullopt);  // Data holds no array
}

TEST(Guards, FileClassesLeaveTheResultUntouchedWithoutAReadableFile) {
  TempDir dir;
  for (const BString& name :
       {BString(u""), BString(std::nullopt), BString(dir.name("missing")), BString(dir.name(""))}) {
    EncryptFile e;
    e.setSaveToFile(0);
    e.setFileName(name);
    EXPECT_EQ(e.Encrypt(), std::nullopt);
    DecryptFile d;
    d.setSaveToFile(0);
    d.setFileName(name);
    EXPECT_EQ(d.Decrypt(), std::nullopt);
  }
}

TEST(Cipher, CiphertextLengthIsTheNextMultipleOfEightAboveTheInput) {
  for (std::size_t n = 1; n <= 33; ++n) {
    const Result r = encryptText(std::u16string(n, u'x'));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->size(), 8 * (n / 8 + 1)) << n;
  }
}

TEST(Cipher, PasswordsAreCutToLowBytesAndEndAtAZeroByte) {
  EXPECT_EQ(encryptText(u"a"), kCipherA);
  // U+0170 and U+0270 keep their low byte 0x70, "p".
  EXPECT_EQ(encryptText(u"a", u"\u0170lumb"), kCipherA);
  EXPECT_EQ(encryptText(u"a", u"\u0270lum\u0162"), kCipherA);
  // U+0100 has the low byte 0: the password ends there.
  EXPECT_EQ(encryptText(u"a", u"plumb\u0100tail"), kCipherA);
  EXPECT_EQ(encryptText(u"a", std::u16string(u"plumb\0tail", 10)), kCipherA);
  EXPECT_EQ(decryptBytes(kCipherA, u"\u0170lumb\u0200x"), Bytes{'a'});
  // A null password is the empty password.
  EXPECT_EQ(encryptText(u"a", std::nullopt), encryptText(u"a", u""));
  EXPECT_EQ(encryptText(u"a", u"\u0100plumb"), encryptText(u"a", u""));
}

TEST(Cipher, InputUsesTheLowByteOfEveryCodeUnitZeroesIncluded) {
  EXPECT_EQ(encryptText(u"\u0161"), kCipherA);
  const Result r = encryptText(std::u16string(u"a\0b\u0100", 4));
  ASSERT_TRUE(r);
  EXPECT_EQ(decryptBytes(*r), (Bytes{'a', 0, 'b', 0}));
}

TEST(Cipher, FailedDecryptionGivesAnEmptyByteArray) {
  EXPECT_EQ(decryptBytes(kCipherA, u"plumc"), Bytes());                           // wrong password
  EXPECT_EQ(decryptBytes(Bytes(kCipherA.begin(), kCipherA.end() - 1)), Bytes());  // 7 bytes
  EXPECT_EQ(decryptBytes(Bytes()), Bytes());                                      // no block at all
  Bytes damaged = kCipherA;
  damaged.push_back(0);
  EXPECT_EQ(decryptBytes(damaged), Bytes());  // 9 bytes
}

TEST(Cipher, DataWithAnyLowerBoundIsDecryptedWhole) {
  EXPECT_EQ(decryptBytes(kCipherA, u"plumb", kDefaultProvider, 1, 1), Bytes{'a'});
  EXPECT_EQ(decryptBytes(kCipherA, u"plumb", kDefaultProvider, 1, -5), Bytes{'a'});
}

TEST(Cipher, UnknownProviderOrTypeGivesAnEmptyByteArray) {
  for (std::int16_t type : {0, 2, 24, -1, -255, INT16_MIN, INT16_MAX}) {
    SCOPED_TRACE(type);
    EXPECT_EQ(encryptText(u"a", u"plumb", kDefaultProvider, type), Bytes());
    EXPECT_EQ(decryptBytes(kCipherA, u"plumb", kDefaultProvider, type), Bytes());
  }
  for (const BString& name :
       {BString(u"No Such Provider"), BString(u"Microsoft Base Cryptographic Provider v1.0 ")}) {
    EXPECT_EQ(encryptText(u"a", u"plumb", name), Bytes());
    EXPECT_EQ(decryptBytes(kCipherA, u"plumb", name), Bytes());
  }
  // Provider names end at a zero byte.
  EXPECT_EQ(encryptText(u"a", u"plumb", std::u16string(kDefaultProvider) + u'\u0100' + u"x"),
            kCipherA);
}

// As the CryptoAPI reads provider names (checked against it under Wine): an
// empty (or null) name is the default provider of the type, with 128-bit
// keys; names are found without regard to case, but only the exact spelling
// of the base provider's name gives its 40-bit keys.
TEST(Cipher, ProviderNamesAsTheCryptoApiReadsThem) {
  const Result strong = encryptText(u"a", u"plumb", kStrong);
  ASSERT_TRUE(strong);
  ASSERT_NE(*strong, kCipherA);
  for (const BString& name :
       {BString(u""), BString(std::nullopt), BString(u"microsoft BASE cryptographic provider V1.0"),
        BString(u"MICROSOFT STRONG CRYPTOGRAPHIC PROVIDER")}) {
    EXPECT_EQ(encryptText(u"a", u"plumb", name), strong);
    EXPECT_EQ(decryptBytes(*strong, u"plumb", name), Bytes{'a'});
  }
  const char16_t aes[] = u"Microsoft Enhanced RSA and AES Cryptographic Provider";
  EXPECT_EQ(encryptText(u"a", u"plumb", u"", 24), strong);
  EXPECT_EQ(encryptText(u"a", u"plumb", aes, 24), strong);
  EXPECT_EQ(encryptText(u"a", u"plumb", aes, 1), Bytes());
  EXPECT_EQ(encryptText(u"a", u"plumb", kStrong, 24), Bytes());
}

TEST(Cipher, StrongAndEnhancedProvidersShareTheirKeys) {
  const Result enhanced = encryptText(u"signature line", u"plumb", kEnhanced);
  ASSERT_TRUE(enhanced);
  EXPECT_EQ(enhanced->size(), 16u);
  EXPECT_EQ(encryptText(u"signature line", u"plumb", kStrong), enhanced);
  EXPECT_NE(encryptText(u"signature line", u"plumb"), enhanced);
}

TEST(Cipher, RandomStringsAndDataRoundTrip) {
  std::mt19937 rng(20261208);
  for (const char16_t* provider : {kDefaultProvider, kEnhanced, kStrong}) {
    for (int i = 0; i < 300; ++i) {
      std::u16string input(rng() % 70, u'\0');
      for (char16_t& c : input) c = static_cast<char16_t>(rng() % 0x10000);
      std::u16string password(rng() % 20, u'\0');
      for (char16_t& c : password) c = static_cast<char16_t>(rng() % 0x10000);
      // A null Input encrypts zero bytes; "" would stop at the guard.
      const BString in = input.empty() ? BString() : BString(input);
      const Result c = encryptText(in, password, provider);
      ASSERT_TRUE(c);
      ASSERT_EQ(c->size(), 8 * (input.size() / 8 + 1));
      const std::string narrow = NarrowString(in);
      EXPECT_EQ(decryptBytes(*c, password, provider), Bytes(narrow.begin(), narrow.end()));
    }
  }
}

TEST(Cipher, RandomFilesRoundTrip) {
  TempDir dir;
  std::mt19937 rng(7);
  for (const char16_t* provider : {kDefaultProvider, kEnhanced}) {
    for (std::size_t size : {0, 1, 7, 8, 9, 4095, 65536, 300001}) {
      Bytes plain(size);
      for (auto& b : plain) b = static_cast<std::uint8_t>(rng());
      writeFile(dir.file("plain"), plain);

      EncryptFile e;
      e.setProvider(provider);
      e.setPassword(u"Operator 1");
      e.setFileName(dir.name("plain"));
      e.setDestinationFile(dir.name("cipher"));
      const Result c = e.Encrypt();
      ASSERT_TRUE(c);
      EXPECT_EQ(c->size(), 8 * (size / 8 + 1));
      EXPECT_EQ(readFile(dir.file("cipher")), *c);

      DecryptFile d;
      d.setProvider(provider);
      d.setPassword(u"Operator 1");
      d.setFileName(dir.name("cipher"));
      d.setDestinationFile(dir.name("back"));
      EXPECT_EQ(d.Decrypt(), plain);
      EXPECT_EQ(readFile(dir.file("back")), plain);
      // The same bytes through the string classes.
      EXPECT_EQ(decryptBytes(*c, u"Operator 1", provider), plain);
    }
  }
}

TEST(Cipher, FileNamesBeyondAsciiAreRead) {
  TempDir dir;
  writeFile(dir.file("caf\xc3\xa9.txt"), Bytes{'a'});
  EncryptFile e;
  e.setSaveToFile(0);
  e.setPassword(u"plumb");
  e.setFileName(dir.name("caf") + u"\u00e9.txt");
  EXPECT_EQ(e.Encrypt(), kCipherA);
}

// The destination file: created or truncated whenever a byte array comes
// back, left alone whenever the result is untouched or SaveToFile is 0.
class Destination : public ::testing::Test {
 protected:
  static constexpr const char* kOld = "old content, longer than any result here";
  void SetUp() override { writeFile(dir.file("old"), Bytes(kOld, kOld + 41)); }
  bool oldUntouched() const { return readFile(dir.file("old")) == Bytes(kOld, kOld + 41); }
  TempDir dir;
};

TEST_F(Destination, SuccessCreatesOrTruncatesTheFile) {
  for (const char* name : {"new", "old"}) {
    EncryptString e;
    e.setPassword(u"plumb");
    e.setInput(u"a");
    e.setDestinationFile(dir.name(name));
    EXPECT_EQ(e.Encrypt(), kCipherA);
    EXPECT_EQ(readFile(dir.file(name)), kCipherA) << name;
  }
  DecryptData d;
  d.setPassword(u"plumb");
  d.setData(ByteArray{0, kCipherA});
  d.setSaveToFile(-7);  // any non-zero value means yes
  d.setDestinationFile(dir.name("old"));
  EXPECT_EQ(d.Decrypt(), Bytes{'a'});
  EXPECT_EQ(readFile(dir.file("old")), Bytes{'a'});
}

TEST_F(Destination, EmptyByteArrayCreatesOrTruncatesToZeroBytes) {
  DecryptData wrongPassword;
  wrongPassword.setPassword(u"plumc");
  wrongPassword.setData(ByteArray{0, kCipherA});
  wrongPassword.setDestinationFile(dir.name("old"));
  EXPECT_EQ(wrongPassword.Decrypt(), Bytes());
  EXPECT_TRUE(std::filesystem::exists(dir.file("old")));
  EXPECT_EQ(readFile(dir.file("old")), Bytes());

  EncryptString unknown;
  unknown.setInput(u"a");
  unknown.setProvider(u"No Such Provider");
  unknown.setDestinationFile(dir.name("new"));
  EXPECT_EQ(unknown.Encrypt(), Bytes());
  ASSERT_TRUE(std::filesystem::exists(dir.file("new")));
  EXPECT_EQ(std::filesystem::file_size(dir.file("new")), 0u);
}

TEST_F(Destination, UntouchedResultLeavesTheFileAlone) {
  EncryptString e;
  e.setInput(u"");
  e.setDestinationFile(dir.name("old"));
  EXPECT_EQ(e.Encrypt(), std::nullopt);
  DecryptData d;
  d.setDestinationFile(dir.name("old"));
  EXPECT_EQ(d.Decrypt(), std::nullopt);
  EncryptFile ef;
  ef.setFileName(dir.name("missing"));
  ef.setDestinationFile(dir.name("old"));
  EXPECT_EQ(ef.Encrypt(), std::nullopt);
  DecryptFile df;
  df.setFileName(u"");
  df.setDestinationFile(dir.name("new"));
  EXPECT_EQ(df.Decrypt(), std::nullopt);
  EXPECT_TRUE(oldUntouched());
  EXPECT_FALSE(std::filesystem::exists(dir.file("new")));
}

TEST_F(Destination, SaveToFileZeroWritesNothing) {
  EncryptString e;
  e.setPassword(u"plumb");
  e.setInput(u"a");
  e.setSaveToFile(0);
  e.setDestinationFile(dir.name("old"));
  EXPECT_EQ(e.Encrypt(), kCipherA);
  e.setDestinationFile(dir.name("new"));
  EXPECT_EQ(e.Encrypt(), kCipherA);
  EXPECT_TRUE(oldUntouched());
  EXPECT_FALSE(std::filesystem::exists(dir.file("new")));
}

TEST_F(Destination, UnopenableDestinationStillGivesTheFullResult) {
  for (const BString& dest : {BString(u""), BString(std::nullopt),
                              BString(dir.name("no-such-dir/x")), BString(dir.name(""))}) {
    EncryptString e;  // SaveToFile keeps its default 1
    e.setPassword(u"plumb");
    e.setInput(u"a");
    e.setDestinationFile(dest);
    EXPECT_EQ(e.Encrypt(), kCipherA);
  }
  EXPECT_FALSE(std::filesystem::exists(dir.file("no-such-dir")));
}

TEST_F(Destination, SourceFileMayAlsoBeTheDestination) {
  EncryptFile e;
  e.setPassword(u"plumb");
  e.setFileName(dir.name("old"));
  e.setDestinationFile(dir.name("old"));
  const Result c = e.Encrypt();
  ASSERT_TRUE(c);
  EXPECT_EQ(readFile(dir.file("old")), *c);
  DecryptFile d;
  d.setPassword(u"plumb");
  d.setFileName(dir.name("old"));
  d.setDestinationFile(dir.name("old"));
  EXPECT_EQ(d.Decrypt(), Bytes(kOld, kOld + 41));
  EXPECT_TRUE(oldUntouched());
}

}  // namespace
}  // namespace ferrolok
