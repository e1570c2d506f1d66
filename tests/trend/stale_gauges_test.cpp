#include <gtest/gtest.h>

#include "trend/stale_gauges.h"

namespace tvx::trend {
namespace {

constexpr Gauge kPage[] = {Gauge::rpmd, Gauge::lmdd, Gauge::batd};

TEST(StaleGauges, EveryGaugeIsStaleUntilItIsRead) {
    StaleGauges stale;
    stale.startPage(kPage);
    for (const Gauge gauge : kPage) {
        EXPECT_TRUE(stale.stale(gauge)) << gauge;
    }
    stale.reading(Gauge::rpmd, false);
    EXPECT_FALSE(stale.stale(Gauge::rpmd));
    EXPECT_TRUE(stale.stale(Gauge::lmdd));
}

TEST(StaleGauges, AFailedReadMakesItsGaugeStaleAndTheNextGoodOneFresh) {
    StaleGauges stale;
    stale.startPage(kPage);
    stale.reading(Gauge::lmdd, false);
    stale.reading(Gauge::lmdd, true);
    EXPECT_TRUE(stale.stale(Gauge::lmdd));
    stale.reading(Gauge::lmdd, false);
    EXPECT_FALSE(stale.stale(Gauge::lmdd));
}

TEST(StaleGauges, ALostLineMakesEveryGaugeStaleAndANewPageToo) {
    StaleGauges stale;
    stale.startPage(kPage);
    for (const Gauge gauge : kPage) {
        stale.reading(gauge, false);
    }
    stale.lineLost();
    for (const Gauge gauge : kPage) {
        EXPECT_TRUE(stale.stale(gauge)) << gauge;
    }
    stale.reading(Gauge::batd, false);
    stale.startPage(kPage);  // the same page again: old values until read anew
    EXPECT_TRUE(stale.stale(Gauge::batd));
}

TEST(StaleGauges, TellsEachChangeOnceWithTheStateItEndedIn) {
    StaleGauges stale;
    stale.startPage(kPage);
    EXPECT_EQ(stale.takeChanges().size(), 3u);
    stale.reading(Gauge::rpmd, false);
    stale.reading(Gauge::rpmd, true);
    stale.reading(Gauge::rpmd, false);
    stale.reading(Gauge::lmdd, true);  // stale already: no change
    const auto changes = stale.takeChanges();
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].first, Gauge::rpmd);
    EXPECT_FALSE(changes[0].second);
    EXPECT_TRUE(stale.takeChanges().empty());
}

TEST(StaleGauges, AGaugeNeverSeenIsNotStale) {
    const StaleGauges stale;
    EXPECT_FALSE(stale.stale(Gauge::rpmd));
}

}  // namespace
}  // namespace tvx::trend
