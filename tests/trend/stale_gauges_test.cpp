#include <gtest/gtest.h>

#include "trend/stale_gauges.h"

namespace tvx::trend {
namespace {

constexpr std::string_view kPage[] = {"rpmd", "lmdd", "batd"};

TEST(StaleGauges, EveryGaugeIsStaleUntilItIsRead) {
    StaleGauges stale;
    stale.startPage(kPage);
    for (const std::string_view gauge : kPage) {
        EXPECT_TRUE(stale.stale(gauge)) << gauge;
    }
    stale.reading("rpmd", false);
    EXPECT_FALSE(stale.stale("rpmd"));
    EXPECT_TRUE(stale.stale("lmdd"));
}

TEST(StaleGauges, AFailedReadMakesItsGaugeStaleAndTheNextGoodOneFresh) {
    StaleGauges stale;
    stale.startPage(kPage);
    stale.reading("lmdd", false);
    stale.reading("lmdd", true);
    EXPECT_TRUE(stale.stale("lmdd"));
    stale.reading("lmdd", false);
    EXPECT_FALSE(stale.stale("lmdd"));
}

TEST(StaleGauges, ALostLineMakesEveryGaugeStaleAndANewPageToo) {
    StaleGauges stale;
    stale.startPage(kPage);
    for (const std::string_view gauge : kPage) {
        stale.reading(gauge, false);
    }
    stale.lineLost();
    for (const std::string_view gauge : kPage) {
        EXPECT_TRUE(stale.stale(gauge)) << gauge;
    }
    stale.reading("batd", false);
    stale.startPage(kPage);  // the same page again: old values until read anew
    EXPECT_TRUE(stale.stale("batd"));
}

TEST(StaleGauges, TellsEachChangeOnceWithTheStateItEndedIn) {
    StaleGauges stale;
    stale.startPage(kPage);
    EXPECT_EQ(stale.takeChanges().size(), 3u);
    stale.reading("rpmd", false);
    stale.reading("rpmd", true);
    stale.reading("rpmd", false);
    stale.reading("lmdd", true);  // stale already: no change
    const auto changes = stale.takeChanges();
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].first, "rpmd");
    EXPECT_FALSE(changes[0].second);
    EXPECT_TRUE(stale.takeChanges().empty());
}

TEST(StaleGauges, AGaugeNeverSeenIsNotStale) {
    const StaleGauges stale;
    EXPECT_FALSE(stale.stale("rpmd"));
}

}  // namespace
}  // namespace tvx::trend
