// MD5 digests of strings and files.
#include <gtest/gtest.h>

#include <random>

#include "ferrolok/ferrolok.h"
#include "test_util.h"

namespace ferrolok {
namespace {

using test::fromHex;
using test::latin1;
using test::TempDir;
using test::writeFile;

const Bytes kMd5Empty = fromHex("d41d8cd98f00b204e9800998ecf8427e");
const Bytes kMd5Abc = fromHex("900150983cd24fb0d6963f7d28e17f72");

Result stringHash(const BString& input, const BString& password = u"") {
  CreateStringHash h;
  h.setInput(input);
  h.setPassword(password);
  return h.Hash();
}

Result fileHash(const BString& name) {
  CreateFileHash h;
  h.setFileName(name);
  return h.Hash();
}

TEST(StringHash, DigestOfAbcWhateverThePassword) {
  EXPECT_EQ(stringHash(u"abc"), kMd5Abc);
  EXPECT_EQ(stringHash(u"abc", u"plumb"), kMd5Abc);
  EXPECT_EQ(stringHash(u"abc", std::nullopt), kMd5Abc);
}

TEST(StringHash, NullInputHashesZeroBytesEmptyInputIsUntouched) {
  EXPECT_EQ(stringHash(std::nullopt), kMd5Empty);
  EXPECT_EQ(stringHash(u""), std::nullopt);
}

TEST(StringHash, OnlyTheLowByteOfEachCharacterCounts) {
  EXPECT_EQ(stringHash(u"\u0161\u0262\u7f63"), kMd5Abc);
  // Zero characters are hashed too, not taken as an end.
  EXPECT_EQ(stringHash(std::u16string(u"\u0100", 1)), fromHex("93b885adfe0da089cdf634904fd59f71"));
}

TEST(StringHash, UnknownProviderOrTypeGivesAnEmptyByteArray) {
  CreateStringHash h;
  h.setInput(u"abc");
  h.setProvider(u"No Such Provider");
  EXPECT_EQ(h.Hash(), Bytes());
  h.setProvider(u"Microsoft Enhanced Cryptographic Provider v1.0");
  EXPECT_EQ(h.Hash(), kMd5Abc);
  h.setProviderType(-1);
  EXPECT_EQ(h.Hash(), Bytes());
}

TEST(FileHash, SameDigestAsTheStringOfTheFilesBytes) {
  TempDir dir;
  std::mt19937 rng(3);
  // Sizes around the pieces in which a file is read and hashed.
  for (std::size_t size : {1, 3, 55, 56, 64, 1000, 262143, 262144, 262145, 600000}) {
    Bytes content(size);
    for (auto& b : content) b = static_cast<std::uint8_t>(rng());
    writeFile(dir.file("f"), content);
    const Result r = fileHash(dir.name("f"));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->size(), 16u);
    EXPECT_EQ(r, stringHash(latin1(content))) << size;
  }
  writeFile(dir.file("abc"), Bytes{'a', 'b', 'c'});
  EXPECT_EQ(fileHash(dir.name("abc")), kMd5Abc);
}

TEST(FileHash, ZeroByteFileGivesTheDigestOfNothing) {
  TempDir dir;
  writeFile(dir.file("empty"), Bytes());
  EXPECT_EQ(fileHash(dir.name("empty")), kMd5Empty);
}

TEST(FileHash, UnreadableFileLeavesTheResultUntouched) {
  TempDir dir;
  EXPECT_EQ(fileHash(u""), std::nullopt);
  EXPECT_EQ(fileHash(std::nullopt), std::nullopt);
  EXPECT_EQ(fileHash(dir.name("missing")), std::nullopt);
  // A directory is no file to read.
  EXPECT_EQ(fileHash(dir.name("")), std::nullopt);

  CreateFileHash h;
  writeFile(dir.file("f"), Bytes{1});
  h.setFileName(dir.name("f"));
  h.setProvider(u"No Such Provider");
  EXPECT_EQ(h.Hash(), Bytes());
}

}  // namespace
}  // namespace ferrolok
