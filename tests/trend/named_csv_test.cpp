// Logs and recordings carry their values by the names in their header, never by the
// program's identities: a file written before (by hand here, as the program wrote them)
// replays into the gauges its header names. The same header text can be different gauges
// on different pages: vehicle speed and battery are `vssd` and `Batd` on a petrol page,
// `VSSd` and `batd` on a diesel one.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "session/session_state.h"
#include "trend/recording_csv.h"

namespace tvx::trend {
namespace {

struct NamedLog {
    const char* name;
    const char* header;
    session::State page;
    std::vector<Gauge> gauges;  // in the header's order
};

class NamedCsv : public ::testing::TestWithParam<NamedLog> {};

TEST_P(NamedCsv, ReplaysIntoTheGaugesItsHeaderNames) {
    const NamedLog& log = GetParam();
    std::string cells;
    std::string gap;  // the second cycle: every value failed but the first
    for (std::size_t i = 0; i < log.gauges.size(); ++i) {
        cells += ",1";
        gap += i == 0 ? ",2" : ",";
    }
    std::istringstream in(std::string(log.header) + "\n0.000" + cells + "\n0.500" + gap + "\n");
    const RecordingRead read = readRecordingCsv(in);
    ASSERT_TRUE(read.recording) << read.error;
    ASSERT_NE(read.recording->page, nullptr);
    EXPECT_EQ(read.recording->page->pollState, log.page);
    const std::vector<Reading>& readings = read.recording->readings;
    ASSERT_EQ(readings.size(), 2 * log.gauges.size());
    for (std::size_t i = 0; i < readings.size(); ++i) {
        const std::size_t column = i % log.gauges.size();
        EXPECT_EQ(readings[i].gauge, log.gauges[column]) << "reading " << i;
        EXPECT_EQ(readings[i].failed, i >= log.gauges.size() && column != 0) << "reading " << i;
    }
}

using enum session::Gauge;

INSTANTIATE_TEST_SUITE_P(
    Pages, NamedCsv,
    ::testing::Values(
        NamedLog{"Cluster",
                 "time [s],odometer [km],fuel level [%],trouble codes [-]",
                 session::State::ClusterPoll,
                 {kmd, flid, dtcd}},
        NamedLog{"PetrolKa",
                 "time [s],engine speed [rpm],ignition advance [deg],manifold pressure [kPa],"
                 "throttle position [-],lambda [-],trouble codes [-],vehicle speed [km/h],"
                 "coolant temperature [degC],intake air temperature [degC],battery [V],"
                 "oxygen sensor upstream [V],oxygen sensor downstream [V]",
                 session::State::PetrolKaPoll,
                 {rpmd, advd, mapd, atpsd, lmdd, dtcd, vssd, ectd, iatd, Batd, hegoupd, hegodownd}},
        NamedLog{"DieselSmall",
                 "time [s],engine speed [rpm],battery [V],fuel rail pressure [bar],"
                 "vehicle speed [km/h],cylinder head temperature [degC],fuel temperature [degC],"
                 "intake air temperature [degC],pedal position [%],pedal sensor 1 [V],"
                 "pedal sensor 2 [V],trouble codes [-],EGR duty [%],barometric pressure [mbar],"
                 "air mass [g/s]",
                 session::State::DieselSmallPoll,
                 {rpmd, batd, frpd, VSSd, chdd, ftsd, iatd, appd, app1d, app2d, dtcd, egrdd, Barod,
                  mafd}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tvx::trend
