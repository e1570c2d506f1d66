#include <gtest/gtest.h>

#include <set>

#include "cli/live_columns.h"
#include "cli/vehicle_choice.h"
#include "session/live_pages.h"

namespace tvx::session {
void PrintTo(const LivePage& page, std::ostream* os) {
    *os << "page of state " << page.pollState;
}
}  // namespace tvx::session

namespace tvx::cli {
namespace {

struct VehicleCase {
    const char* typed;
    bool found;
    bool diesel;
    int index;
};

void PrintTo(const VehicleCase& c, std::ostream* os) {
    *os << c.typed;
}

class VehicleName : public ::testing::TestWithParam<VehicleCase> {};

TEST_P(VehicleName, FindsTheListItemWhateverTheCaseAndBlanks) {
    const VehicleCase& c = GetParam();
    const auto choice = findVehicle(c.typed);
    ASSERT_EQ(choice.has_value(), c.found) << c.typed;
    if (c.found) {
        EXPECT_EQ(choice->diesel, c.diesel);
        EXPECT_EQ(choice->index, c.index);
        const auto list = c.diesel ? session::dieselModels() : session::petrolModels();
        EXPECT_EQ(choice->name, list[static_cast<std::size_t>(c.index)]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lists, VehicleName,
    ::testing::Values(VehicleCase{"KA 1.3i", true, false, 0},
                      VehicleCase{"FIESTA  1.4i", true, false, 1},  // exactly as listed
                      VehicleCase{"fiesta 1.4i", true, false, 1},   // one blank, lower case
                      VehicleCase{" FOCUS ghia 1.6 ", true, false, 10},
                      VehicleCase{"FOCUS 1.8 TDCI", true, true, 4},
                      VehicleCase{"TRANSIT ", true, true, 6}, VehicleCase{"transit", true, true, 6},
                      VehicleCase{"TRANSIT connect 1.8 TDCI", true, true, 5},
                      VehicleCase{"FOCUS 1.6i", true, false, 5},  // not FOCUS 1.6 TDCI
                      VehicleCase{"FOCUS 1.6 TDCI", true, true, 3},
                      VehicleCase{"FOCUS 1.8", false, false, 0},
                      VehicleCase{"KA1.3i", false, false, 0}, VehicleCase{"", false, false, 0},
                      VehicleCase{"   ", false, false, 0}));

class PageColumns : public ::testing::TestWithParam<session::LivePage> {};

// Every gauge the page writes has exactly one column, and no two headers read alike (a
// spreadsheet could not tell them apart).
TEST_P(PageColumns, NameEveryGaugeOnceWithADistinctHeader) {
    const session::LivePage& page = GetParam();
    const std::vector<LiveColumn> columns = liveColumns(page);
    std::set<session::Gauge> gauges;
    std::set<std::string> headers;
    for (const LiveColumn& column : columns) {
        EXPECT_TRUE(gauges.insert(column.gauge).second) << column.gauge;
        EXPECT_TRUE(headers.insert(columnHeader(column)).second) << columnHeader(column);
        EXPECT_NE(column.name, session::gaugeName(column.gauge))
            << "a gauge without a name: " << column.gauge;
        EXPECT_EQ(columnHeader(column).find(','), std::string::npos);
    }
    for (const session::LiveRead& read : page.reads) {
        if (read.kind == session::LiveRead::Kind::SwitchStates) {
            for (const session::Gauge field :
                 {session::Gauge::cppd, session::Gauge::bppd, session::Gauge::klimad}) {
                EXPECT_EQ(gauges.count(field), 1u) << field;
            }
        } else {
            EXPECT_EQ(gauges.count(read.gauge), 1u) << read.gauge;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllPages, PageColumns, ::testing::ValuesIn(session::allLivePages()),
                         [](const auto& info) {
                             return "State" +
                                    std::to_string(session::stateNumber(info.param.pollState));
                         });

}  // namespace
}  // namespace tvx::cli
