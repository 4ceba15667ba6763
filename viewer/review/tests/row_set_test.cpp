// The row set's counts and lookups against a plain list of its rows.
#include "review/row_set.h"

#include <gtest/gtest.h>

#include <random>

namespace tarvex {
namespace {

TEST(RowSet, LookupsAgreeWithAPlainList) {
  std::mt19937 rng(52311);
  for (const int size : {0, 1, 63, 64, 65, 200, 1000}) {
    for (const int percent : {0, 3, 50, 100}) {
      RowSet set(size);
      std::vector<int> rows;
      for (int r = 0; r < size; ++r)
        if (int(rng() % 100) < percent) {
          set.insert(r);
          rows.push_back(r);
        }
      set.finish();
      SCOPED_TRACE(testing::Message() << size << " rows, " << percent << "%");
      ASSERT_EQ(set.count(), int(rows.size()));
      for (int k = -1; k <= int(rows.size()); ++k)
        EXPECT_EQ(set.select(k), k >= 0 && k < int(rows.size()) ? rows[std::size_t(k)] : -1);
      for (int r = -2; r <= size + 1; ++r) {
        const auto below = std::lower_bound(rows.begin(), rows.end(), r);
        EXPECT_EQ(set.rank(r), int(below - rows.begin()));
        EXPECT_EQ(set.contains(r), below != rows.end() && *below == r);
        const auto after = std::upper_bound(rows.begin(), rows.end(), r);
        EXPECT_EQ(set.lastAtOrBefore(r), after == rows.begin() ? -1 : *(after - 1));
        EXPECT_EQ(set.firstAtOrAfter(r), below == rows.end() ? -1 : *below);
      }
      std::vector<int> listed;
      set.appendRows(listed, 5);
      EXPECT_EQ(listed,
                std::vector<int>(std::lower_bound(rows.begin(), rows.end(), 5), rows.end()));
    }
  }
}

TEST(RowSet, AllInIntersectAndErase) {
  RowSet all(130, true);
  EXPECT_EQ(all.count(), 130);
  EXPECT_FALSE(all.contains(130));
  RowSet some(130);
  for (int r : {0, 64, 65, 129}) some.insert(r);
  all.intersect(some);
  all.erase(64);
  all.finish();
  EXPECT_EQ(all.count(), 3);
  EXPECT_EQ(all.select(1), 65);
  EXPECT_LT(all.memoryBytes(), 64u);
}

}  // namespace
}  // namespace tarvex
