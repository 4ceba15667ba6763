#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "ferrolok/ferrolok.h"

namespace {

ferrolok::Bytes fromHex(const std::string& h) {
  ferrolok::Bytes b;
  for (std::size_t i = 0; i + 1 < h.size(); i += 2)
    b.push_back(std::stoi(h.substr(i, 2), nullptr, 16));
  return b;
}

std::u16string latin1(const ferrolok::Bytes& b) { return std::u16string(b.begin(), b.end()); }

TEST(Vectors, EveryRecordedAnswerMatches) {
  std::ifstream in(FERROLOK_VECTORS);
  ASSERT_TRUE(in) << FERROLOK_VECTORS;
  std::string line;
  int count = 0;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> f;
    std::stringstream ss(line);
    for (std::string x; std::getline(ss, x, '\t');) f.push_back(x);
    f.resize(4);
    ferrolok::EncryptString e;
    e.setSaveToFile(0);
    e.setProvider(latin1(ferrolok::Bytes(f[0].begin(), f[0].end())));
    e.setPassword(latin1(fromHex(f[1])));
    e.setInput(latin1(fromHex(f[2])));
    ferrolok::Result r = e.Encrypt();
    ASSERT_TRUE(r);
    EXPECT_EQ(*r, fromHex(f[3])) << line;
    ferrolok::DecryptData d;
    d.setSaveToFile(0);
    d.setProvider(e.Provider());
    d.setPassword(e.Password());
    d.setData(ferrolok::ByteArray{0, fromHex(f[3])});
    EXPECT_EQ(d.Decrypt(), fromHex(f[2])) << line;
    ++count;
  }
  EXPECT_GT(count, 30);
}

}  // namespace
