// The names of a group are ranked by their bytes; the bytes are those of a mapped file that may be
// rewritten while the order is made, so the ranking must stay sound when a name reads differently
// each time it is read.

#include "tags/name_ranks.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace quarrow::order {
namespace {

TEST(NameRanks, RankByTheBytesWithTiesOnTheFirstSixteen) {
    const std::vector<std::string> names = {
        "abcdefghijklmnopB", "abcdefghijklmnopA", "abcdefghijklmnop", "abcdefghijklmnopA",
        "abc",               "abcdefghijklmnoq",  "abcdefghijklmnop\xe9", "",
        "abcdefghijklmnopAB",
    };
    NameRanks ranks;
    ranks.Clear();
    for (Index i = 0; i < names.size(); ++i) {
        ranks.Add(names[i], i);
    }
    std::vector<Index> rankOf(names.size(), 99);
    const Index count = ranks.Rank([&](Index record) { return std::string_view(names[record]); }, rankOf.data());
    // The expected ranks: the place of each name among the different names, bytes unsigned.
    std::map<std::string, Index> order;
    for (const std::string& name : names) {
        order.emplace(name, 0);
    }
    Index next = 0;
    for (auto& [name, rank] : order) {
        rank = next++;
    }
    EXPECT_EQ(count, order.size());
    for (Index i = 0; i < names.size(); ++i) {
        EXPECT_EQ(rankOf[i], order[names[i]]) << names[i];
    }
}

TEST(NameRanks, NamesRewrittenBetweenReadsStillGiveOneConsistentRanking) {
    // Forty long names alike in their first sixteen bytes; each later read of a name gives a
    // larger one than any before, as if the file were rewritten between any two reads.
    constexpr Index kCount = 40;
    const std::string prefix = "sameFirstSixteen";
    std::vector<std::string> first;
    for (Index i = 0; i < kCount; ++i) {
        first.push_back(prefix + static_cast<char>('z' - i) + "tail");
    }
    NameRanks ranks;
    ranks.Clear();
    for (Index i = 0; i < kCount; ++i) {
        ranks.Add(first[i], i);
    }
    std::deque<std::string> given;  // every name handed out, kept alive for its view
    std::map<Index, std::vector<std::string>> readsOf;
    auto rewritten = [&](Index record) {
        given.push_back(prefix + "~" + std::string(6 - std::to_string(given.size()).size(), '0') +
                        std::to_string(given.size()) + "xx");
        readsOf[record].push_back(given.back());
        return std::string_view(given.back());
    };
    std::vector<Index> rankOf(kCount, kCount);
    const Index count = ranks.Rank(rewritten, rankOf.data());

    // Every record has one rank, the ranks are dense, and they follow one name per record: the
    // one read for it (or its first name, when it was never read again).
    ASSERT_EQ(count, kCount);
    std::vector<Index> byRank(kCount, kCount);
    for (Index i = 0; i < kCount; ++i) {
        ASSERT_LT(rankOf[i], kCount);
        EXPECT_EQ(byRank[rankOf[i]], kCount) << "two records of rank " << rankOf[i];
        byRank[rankOf[i]] = i;
        EXPECT_LE(readsOf[i].size(), 1u) << "record " << i << " was read again during the sort";
    }
    auto nameOf = [&](Index record) { return readsOf[record].empty() ? first[record] : readsOf[record].front(); };
    for (Index r = 1; r < kCount; ++r) {
        EXPECT_LT(nameOf(byRank[r - 1]), nameOf(byRank[r])) << r;
    }
}

}  // namespace
}  // namespace quarrow::order
