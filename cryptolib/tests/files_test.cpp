// How the file classes find and read their files: by the full UTF-16 name,
// whole, and only when the name is a regular file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>

#include "ferrolok/ferrolok.h"
#include "test_util.h"

namespace ferrolok {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

// U+4E41 keeps 0x41 ("A") as its low byte: an 8-bit form of "乁.bin" names
// A.bin.
constexpr char kWideUtf8[] = "\xe4\xb9\x81.bin";
constexpr char16_t kWide[] = u"\u4e41.bin";

Bytes randomBytes(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& x : b) x = static_cast<std::uint8_t>(rng());
  return b;
}

Result hashFile(const BString& name) {
  CreateFileHash h;
  h.setFileName(name);
  return h.Hash();
}

Result encryptFile(const BString& name, const BString& destination = std::nullopt) {
  EncryptFile e;
  e.setPassword(u"plumb");
  e.setSaveToFile(destination ? 1 : 0);
  if (destination) e.setDestinationFile(destination);
  e.setFileName(name);
  return e.Encrypt();
}

Result decryptFile(const BString& name, const BString& destination = std::nullopt) {
  DecryptFile d;
  d.setPassword(u"plumb");
  d.setSaveToFile(destination ? 1 : 0);
  if (destination) d.setDestinationFile(destination);
  d.setFileName(name);
  return d.Decrypt();
}

Result hashBytes(const Bytes& b) {
  CreateStringHash h;
  // A null Input hashes zero bytes; "" would stop at the guard.
  h.setInput(b.empty() ? BString() : BString(test::latin1(b)));
  return h.Hash();
}

Result encryptBytes(const Bytes& b) {
  EncryptString e;
  e.setPassword(u"plumb");
  e.setSaveToFile(0);
  e.setInput(test::latin1(b));
  return e.Encrypt();
}

// The content of 乁.bin is read whole, whatever its 8-bit namesake holds.
TEST(FileNames, NameOutsideTheCodePageIsReadWholeBesideItsNarrowNamesake) {
  TempDir dir;
  // The content the C++ client of the COM server hashes under Wine, with the
  // digest it expects there.
  Bytes wide(1000), narrow(10);
  for (std::size_t i = 0; i < wide.size(); ++i) wide[i] = static_cast<std::uint8_t>(i * 7 + 3);
  for (std::size_t i = 0; i < narrow.size(); ++i) narrow[i] = static_cast<std::uint8_t>(i * 5 + 1);
  ASSERT_EQ(hashBytes(wide), test::fromHex("10046f077f2082ac19676b8079f1cb1a"));
  const Result cipher = encryptBytes(wide);
  writeFile(dir.file(kWideUtf8), wide);
  for (bool withNamesake : {false, true}) {
    SCOPED_TRACE(withNamesake ? "beside A.bin" : "alone");
    if (withNamesake) writeFile(dir.file("A.bin"), narrow);
    const std::u16string name = dir.name("") + kWide;
    EXPECT_EQ(hashFile(name), hashBytes(wide));
    EXPECT_EQ(encryptFile(name), cipher);

    writeFile(dir.file(std::string("c-") + kWideUtf8), *cipher);
    writeFile(dir.file("c-A.bin"), *encryptBytes(narrow));
    EXPECT_EQ(decryptFile(dir.name("c-") + kWide), wide);
  }
}

TEST(FileNames, DestinationOutsideTheCodePageIsWrittenByItsFullName) {
  TempDir dir;
  writeFile(dir.file("plain"), Bytes{'a'});
  const Result cipher = encryptFile(dir.name("plain"), dir.name("") + kWide);
  ASSERT_TRUE(cipher);
  EXPECT_EQ(readFile(dir.file(kWideUtf8)), *cipher);
  EXPECT_FALSE(std::filesystem::exists(dir.file("A.bin")));

  const std::u16string plainBack = dir.name("") + u"\u4e41\u00e9-\U0001F600.txt";
  EXPECT_EQ(decryptFile(dir.name("") + kWide, plainBack), Bytes{'a'});
  EXPECT_EQ(readFile(dir.file("\xe4\xb9\x81\xc3\xa9-\xf0\x9f\x98\x80.txt")), Bytes{'a'});
}

// A pipe or a device is refused at once, as a file that cannot be read: an
// open of a FIFO without a writer would wait for ever and /dev/zero never
// ends.
TEST(FileNames, AnythingButARegularFileLeavesTheResultUntouched) {
  TempDir dir;
  const std::string fifo = dir.file("fifo").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path :
       {fifo, std::string("/dev/zero"), std::string("/dev/null"), dir.file("").string()}) {
    SCOPED_TRACE(path);
    const std::u16string name = test::latin1(path);
    EXPECT_EQ(hashFile(name), std::nullopt);
    EXPECT_EQ(encryptFile(name, dir.name("out")), std::nullopt);
    EXPECT_EQ(decryptFile(name, dir.name("out")), std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(dir.file("out")));
  }
  // A FIFO with a writer waiting is refused all the same: nothing is read.
  const int writer = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(writer, 0);
  ASSERT_EQ(write(writer, "abc", 3), 3);
  EXPECT_EQ(hashFile(test::latin1(fifo)), std::nullopt);
  char back[4] = {};
  EXPECT_EQ(read(writer, back, sizeof back), 3);
  close(writer);
}

// A destination that exists as a pipe, a device or a folder is refused before
// any open, as one that cannot be opened: the full result stands and nothing
// is written. A FIFO without a reader would make a blocking open wait for
// ever; the alarm ends the test process instead of hanging.
TEST(FileNames, DestinationThatIsNoRegularFileIsRefusedAtOnce) {
  TempDir dir;
  const std::string fifo = dir.file("fifo").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  writeFile(dir.file("plain"), Bytes{'a', 'b', 'c'});
  const Result cipher = encryptBytes(Bytes{'a', 'b', 'c'});
  ASSERT_TRUE(cipher);
  alarm(20);
  for (const std::string& path :
       {fifo, std::string("/dev/null"), std::string("/dev/full"), dir.file("").string()}) {
    SCOPED_TRACE(path);
    const std::u16string name = test::latin1(path);
    EXPECT_EQ(encryptFile(dir.name("plain"), name), cipher);
    EXPECT_EQ(decryptFile(dir.name("plain"), name), Bytes());  // not a ciphertext
    EncryptString e;
    e.setPassword(u"plumb");
    e.setInput(u"abc");
    e.setDestinationFile(name);
    EXPECT_EQ(e.Encrypt(), cipher);
  }
  // With a reader waiting the open would succeed: nothing may reach it.
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_EQ(encryptFile(dir.name("plain"), test::latin1(fifo)), cipher);
  char back[16];
  EXPECT_LE(read(reader, back, sizeof back), 0);
  close(reader);
  alarm(0);
  struct stat st;
  ASSERT_EQ(stat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

// Files larger than one read call, and the padding growing the read buffer.
TEST(FileNames, LargeFilesRoundTripThroughOneBuffer) {
  TempDir dir;
  for (std::size_t n :
       {std::size_t(0), std::size_t(7), std::size_t(8), std::size_t(3 * 1024 * 1024 + 5)}) {
    SCOPED_TRACE(n);
    const Bytes plain = randomBytes(n, static_cast<unsigned>(n));
    writeFile(dir.file("plain"), plain);
    const Result cipher = encryptFile(dir.name("plain"), dir.name("cipher"));
    ASSERT_TRUE(cipher);
    EXPECT_EQ(cipher->size(), n / 8 * 8 + 8);
    EXPECT_EQ(readFile(dir.file("cipher")), *cipher);
    EXPECT_EQ(decryptFile(dir.name("cipher")), plain);
    EXPECT_EQ(hashFile(dir.name("plain")), hashBytes(plain));
  }
}

}  // namespace
}  // namespace ferrolok
