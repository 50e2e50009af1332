// The scopes a detail table keeps of its master's rows: how many, and which
// go first.
#include <gtest/gtest.h>

#include "store/ScopeCache.h"

using ink::Rows;
using ink::ScopeCache;

namespace {

std::shared_ptr<Rows> rowsOf(qsizetype count) {
    return std::make_shared<Rows>(std::size_t(count));
}

QVariantList unit(int number) {
    return {1, number};
}

} // namespace

// A build keeps each unit's scope while it is still empty and then appends
// its routines to it: the bound must count what the scopes hold by the time
// the next one is kept, or every unit of the project stays in memory.
TEST(ScopeCache, ScopesThatGrowAfterBeingKeptStillCountAgainstTheBound) {
    ScopeCache cache;
    const qsizetype perUnit = ScopeCache::MaxRows / 3;
    for (int number = 1; number <= 20; ++number) {
        auto rows = rowsOf(0);
        cache.keep(unit(number), rows);
        rows->resize(std::size_t(perUnit)); // the routines appended meanwhile
    }
    EXPECT_LE(cache.rowCount(), ScopeCache::MaxRows + perUnit);
    EXPECT_LE(cache.scopeCount(), 4);
    // The most recent are the ones kept.
    EXPECT_NE(cache.find(unit(20)), nullptr);
    EXPECT_NE(cache.find(unit(18)), nullptr);
    EXPECT_EQ(cache.find(unit(1)), nullptr);
}

// Going back to a unit makes it recent again; the least recently used goes
// first; empty scopes are bounded by their number; one scope larger than
// the bound is still kept, alone.
TEST(ScopeCache, TheLeastRecentlyUsedScopeGoesFirst) {
    ScopeCache cache;
    const qsizetype half = ScopeCache::MaxRows / 2;
    cache.keep(unit(1), rowsOf(half));
    cache.keep(unit(2), rowsOf(half));
    ASSERT_NE(cache.find(unit(1)), nullptr);
    cache.keep(unit(3), rowsOf(1));
    EXPECT_NE(cache.find(unit(1)), nullptr);
    EXPECT_EQ(cache.find(unit(2)), nullptr);
    EXPECT_NE(cache.find(unit(3)), nullptr);

    for (int number = 10; number < 10 + 2 * ScopeCache::MaxScopes; ++number)
        cache.keep(unit(number), rowsOf(0));
    EXPECT_EQ(cache.scopeCount(), ScopeCache::MaxScopes);

    cache.keep(unit(99999), rowsOf(ScopeCache::MaxRows + 1));
    EXPECT_EQ(cache.scopeCount(), 1);
    EXPECT_NE(cache.find(unit(99999)), nullptr);

    // Another document's scope replaces every scope of the one before.
    cache.keep({2, 1}, rowsOf(1));
    EXPECT_EQ(cache.scopeCount(), 1);
}
