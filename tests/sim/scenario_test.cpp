#include <gtest/gtest.h>

#include <fstream>

#include "sim/scenario_file.h"

namespace {

using namespace tvx::sim;

TEST(Vehicles, PetrolCarAnswersProtocolOneEverywhere) {
    const Scenario car = vehicleScenario("petrol-car");
    for (int module = kPcm; module <= kCluster; ++module) {
        EXPECT_EQ(car.modules[static_cast<std::size_t>(module)].protocol, 1);
    }
    EXPECT_FALSE(car.injectorUnit);
    EXPECT_EQ(car.vin.size(), 17u);
}

TEST(Vehicles, DieselVanHasProtocolTwoAndAnInjectorUnit) {
    const Scenario van = vehicleScenario("diesel-van");
    for (int module = kPcm; module <= kCluster; ++module) {
        EXPECT_EQ(van.modules[static_cast<std::size_t>(module)].protocol, 2);
    }
    EXPECT_TRUE(van.injectorUnit);
    EXPECT_TRUE(van.diesel);
}

TEST(Vehicles, UnknownNameIsRefusedWithTheKnownOnes) {
    try {
        vehicleScenario("tractor");
        FAIL() << "no error";
    } catch (const std::invalid_argument& error) {
        EXPECT_NE(std::string(error.what()).find("petrol-car"), std::string::npos);
    }
}

struct CodeCase {
    const char* text;
    std::optional<std::uint16_t> code;
};

class ParseTroubleCodeTest : public testing::TestWithParam<CodeCase> {};

TEST_P(ParseTroubleCodeTest, LettersAndNumbers) {
    EXPECT_EQ(parseTroubleCode(GetParam().text), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseTroubleCodeTest,
    testing::Values(CodeCase{"P0171", 0x0171}, CodeCase{"c0210", 0x4210}, CodeCase{"B1001", 0x9001},
                    CodeCase{"U3FFF", 0xFFFF}, CodeCase{"0x4123", 0x4123}, CodeCase{"256", 256},
                    CodeCase{"P4000", std::nullopt}, CodeCase{"X0123", std::nullopt},
                    CodeCase{"P01G1", std::nullopt}, CodeCase{"70000", std::nullopt},
                    CodeCase{"", std::nullopt}));

TEST(ScenarioFile, OverridesTheBaseVehicle) {
    const Scenario s = parseScenario(R"({
        "base": "diesel-van",
        "name": "van without ABS",
        "modules": {"ABS": {"protocol": 0}, "PCM": {"codes": ["P0380", 4660]}},
        "vin": "WF0XXXTTGXAB00001",
        "odometer_km": 1234.5,
        "steady_at_s": 90,
        "injector_end_address": "0x001000",
        "injector_codes": ["00112233445566FF", "0000000000000000", "1111111111111111", "ABCDEFabcdef0123"],
        "faults": [{"kind": "cut-short", "amount": 3, "count": 2, "identifier": "0x000C"},
                   {"kind": "silent-module", "module": "TCM"}]
    })");
    EXPECT_EQ(s.name, "van without ABS");
    EXPECT_EQ(s.modules[kAbs].protocol, 0);
    EXPECT_EQ(s.modules[kTcm].protocol, 2);
    EXPECT_EQ(s.modules[kPcm].troubleCodes, (std::vector<std::uint16_t>{0x0380, 4660}));
    EXPECT_EQ(s.vin, "WF0XXXTTGXAB00001");
    EXPECT_DOUBLE_EQ(s.odometerKm, 1234.5);
    EXPECT_EQ(s.steadyAtSeconds, std::optional<double>(90.0));
    EXPECT_EQ(s.injectorEndAddress, 0x1000u);
    EXPECT_EQ(s.injectorCodes[0][7], 0xFF);
    EXPECT_EQ(s.injectorCodes[3][2], 0xEF);
    EXPECT_EQ(s.injectorCodes[3][3], 0xAB);
    ASSERT_EQ(s.faults.size(), 2u);
    EXPECT_EQ(s.faults[0].kind, FaultKind::CutShort);
    EXPECT_EQ(s.faults[0].amount, 3u);
    EXPECT_EQ(s.faults[0].count, 2);
    EXPECT_EQ(s.faults[0].identifier, std::optional<std::uint16_t>(0x000C));
    EXPECT_EQ(s.faults[1].module, kTcm);
    EXPECT_TRUE(s.injectorUnit);  // kept from the base
}

struct BadCase {
    const char* json;
    const char* mentions;
};

class BadScenarioTest : public testing::TestWithParam<BadCase> {};

TEST_P(BadScenarioTest, RefusedWithAMessageNamingTheProblem) {
    try {
        parseScenario(GetParam().json);
        FAIL() << "accepted";
    } catch (const ScenarioError& error) {
        EXPECT_NE(std::string(error.what()).find(GetParam().mentions), std::string::npos)
            << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Mistakes, BadScenarioTest,
    testing::Values(BadCase{"{", "JSON"}, BadCase{R"({"modles": {}})", "modles"},
                    BadCase{R"({"base": "bus"})", "bus"},
                    BadCase{R"({"modules": {"ECU": {}}})", "ECU"},
                    BadCase{R"({"modules": {"PCM": {"protocol": 4}}})", "protocol"},
                    BadCase{R"({"modules": {"PCM": {"codes": ["Q0100"]}}})", "Q0100"},
                    BadCase{R"({"vin": "SHORT"})", "vin"},
                    BadCase{R"({"injector_codes": ["00"]})", "injector_codes"},
                    BadCase{R"({"faults": [{"kind": "fire"}]})", "fire"},
                    BadCase{R"({"faults": [{"kind": "silent-module"}]})", "module"},
                    BadCase{R"({"faults": [{"kind": "garbage", "count": 0}]})", "count"},
                    BadCase{R"({"faults": [{"kind": "garbage", "injector_request": 0}]})",
                            "injector_request"},
                    BadCase{R"([1, 2])", "object"},
                    // Values the JSON library itself refuses still name their field.
                    BadCase{R"({"base": 5})", "base"}, BadCase{R"({"base": null})", "base"},
                    BadCase{R"({"odometer_km": 1e400})", "odometer_km"},
                    BadCase{R"({"steady_at_s": -1})", "steady_at_s"},
                    BadCase{R"({"steady_at_s": "now"})", "steady_at_s"},
                    BadCase{R"({"modules": {"PCM": {"codes": [-1e999]}}})", "codes"},
                    BadCase{R"({"faults": [{"kind": "garbage", "amount": 2e308}]})", "amount"}));

// Whatever is wrong in a scenario file, the message names the file and the field.
TEST(ScenarioFile, ABadValueNamesTheFileAndTheField) {
    const std::string path = testing::TempDir() + "scenario_bad_values.json";
    for (const auto& [text, field] : {std::pair{R"({"base": 5})", "base"},
                                      std::pair{R"({"odometer_km": 1e400})", "odometer_km"},
                                      std::pair{R"({"vin": 17})", "vin"}}) {
        std::ofstream(path) << text;
        try {
            loadScenarioFile(path);
            ADD_FAILURE() << text << " accepted";
        } catch (const ScenarioError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find(path), std::string::npos) << message;
            EXPECT_NE(message.find(field), std::string::npos) << message;
        }
    }
}

TEST(ScenarioFile, MissingFileIsNamed) {
    try {
        loadScenarioFile("/nonexistent/van.json");
        FAIL() << "accepted";
    } catch (const ScenarioError& error) {
        EXPECT_NE(std::string(error.what()).find("/nonexistent/van.json"), std::string::npos);
    }
}

TEST(ScenarioFile, LoadsFromDisk) {
    const std::string path = testing::TempDir() + "scenario_test.json";
    std::ofstream(path) << R"({"base": "petrol-car", "vin": "AAAAAAAAAAAAAAAAA"})";
    EXPECT_EQ(loadScenarioFile(path).vin, "AAAAAAAAAAAAAAAAA");
}

struct SpecCase {
    const char* text;
    bool valid;
    FaultKind kind;
    int count;
    int module;
    unsigned amount;
};

class FaultSpecTest : public testing::TestWithParam<SpecCase> {};

TEST_P(FaultSpecTest, CommandLineFaults) {
    const SpecCase& c = GetParam();
    std::string error;
    const auto fault = parseFaultSpec(c.text, error);
    ASSERT_EQ(fault.has_value(), c.valid) << error;
    if (!c.valid) {
        EXPECT_FALSE(error.empty());
        return;
    }
    EXPECT_EQ(fault->kind, c.kind);
    EXPECT_EQ(fault->count, c.count);
    EXPECT_EQ(fault->module, c.module);
    EXPECT_EQ(fault->amount, c.amount);
}

INSTANTIATE_TEST_SUITE_P(
    Specs, FaultSpecTest,
    testing::Values(
        SpecCase{"silent-box", true, FaultKind::SilentBox, -1, 0, 0},
        SpecCase{"cut-short,amount=3,count=2", true, FaultKind::CutShort, 2, 0, 3},
        SpecCase{"silent-module,module=abs", true, FaultKind::SilentModule, -1, kAbs, 0},
        SpecCase{"extra-delay,amount=600,module=5", true, FaultKind::ExtraDelay, -1, 5, 600},
        SpecCase{"silent-module", false, {}, 0, 0, 0},
        SpecCase{"cut-short,amount=x", false, {}, 0, 0, 0}, SpecCase{"smoke", false, {}, 0, 0, 0},
        SpecCase{"garbage,count=0", false, {}, 0, 0, 0},
        SpecCase{"silent-module,module=ICU,injector-request=17", true, FaultKind::SilentModule, 1,
                 kIcu, 0},
        SpecCase{"garbage,injector-request=0", false, {}, 0, 0, 0}));

TEST(FaultSpec, InjectorRequestIsKept) {
    std::string error;
    const auto fault = parseFaultSpec("line-closed,injector-request=21", error);
    ASSERT_TRUE(fault) << error;
    EXPECT_EQ(fault->injectorRequest, 21);
}

TEST(ScenarioFile, FaultOnTheNthInjectorRequest) {
    const Scenario s = parseScenario(
        R"({"base": "diesel-van", "faults": [{"kind": "garbage", "injector_request": 18}]})");
    ASSERT_EQ(s.faults.size(), 1u);
    EXPECT_EQ(s.faults[0].injectorRequest, 18);
    EXPECT_EQ(s.faults[0].count, 1);
}

}  // namespace
