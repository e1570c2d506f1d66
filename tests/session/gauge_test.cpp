// Gauges as the program identifies them, against the names the outside world uses: the
// window's control names and the live-data log's column headers.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "session/gauge.h"
#include "session/live_columns.h"

namespace tvx::session {
namespace {

TEST(Gauge, EachControlNameIsOneGaugeAndCaseTellsThemApart) {
    std::set<std::string_view> names;
    for (const Gauge gauge : allGauges()) {
        EXPECT_TRUE(names.insert(gaugeName(gauge)).second) << gaugeName(gauge);
        EXPECT_EQ(gaugeNamed(gaugeName(gauge)), gauge);
    }
    // The petrol and diesel pages have gauges whose names differ only in case.
    EXPECT_EQ(gaugeNamed("Batd"), Gauge::Batd);
    EXPECT_EQ(gaugeNamed("batd"), Gauge::batd);
    EXPECT_EQ(gaugeNamed("vssd"), Gauge::vssd);
    EXPECT_EQ(gaugeNamed("VSSd"), Gauge::VSSd);
    for (const char* other : {"", "RPMD", "rpmd ", "rpmp", "fueld", "edis1"}) {
        EXPECT_FALSE(gaugeNamed(other)) << '"' << other << '"';
    }
}

TEST(Gauge, EveryGaugeIsShownOnSomePage) {
    std::set<Gauge> shown;
    for (const LivePage& page : allLivePages()) {
        for (const LiveColumn& column : liveColumns(page)) {
            shown.insert(column.gauge);
        }
    }
    for (const Gauge gauge : allGauges()) {
        EXPECT_TRUE(shown.contains(gauge)) << gauge << " is on no page";
    }
}

struct Vehicle {
    bool diesel;
    int model;
};

std::vector<Vehicle> everyVehicle() {
    std::vector<Vehicle> all;
    for (int i = 0; i < static_cast<int>(petrolModels().size()); ++i) {
        all.push_back({false, i});
    }
    for (int i = 0; i < static_cast<int>(dieselModels().size()); ++i) {
        all.push_back({true, i});
    }
    return all;
}

class VehicleColumns : public ::testing::TestWithParam<Vehicle> {};

// A log's header names each column; on the page of any vehicle a header is one gauge, and
// choosing that gauge alone gives back that header.
TEST_P(VehicleColumns, EachHeaderIsOneGaugeAndBack) {
    const LivePage* page = livePageForModel(GetParam().diesel, GetParam().model);
    ASSERT_NE(page, nullptr);
    const std::vector<LiveColumn> columns = liveColumns(*page);
    ASSERT_FALSE(columns.empty());
    for (const LiveColumn& column : columns) {
        const std::string header = columnHeader(column);
        const auto named = std::count_if(columns.begin(), columns.end(), [&](const LiveColumn& c) {
            return columnHeader(c) == header;
        });
        EXPECT_EQ(named, 1) << header;
        const Gauge only[] = {column.gauge};
        const std::vector<LiveColumn> chosen = liveColumns(*page, only);
        ASSERT_EQ(chosen.size(), 1u) << column.gauge;
        EXPECT_EQ(columnHeader(chosen[0]), header) << column.gauge;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryVehicle, VehicleColumns, ::testing::ValuesIn(everyVehicle()),
                         [](const auto& info) {
                             return std::string(info.param.diesel ? "Diesel" : "Petrol") +
                                    std::to_string(info.param.model);
                         });

}  // namespace
}  // namespace tvx::session
