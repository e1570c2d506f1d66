#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <streambuf>

#include "cli_fixture.h"
#include "link/injector_codes.h"

namespace tvx::cli::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* kVehicle = "MONDEO 2.0 TDCI";

std::array<std::uint8_t, 8> bytesOf(const std::string& code) {
    return session::checkInjectorCode(code).bytes;
}

// The injector number a mechanic reads, and the unit's slot it lives in (firing order).
int slotOf(int injector) {
    for (int slot = 1; slot <= 4; ++slot) {
        if (session::injectorLabelNumber(slot) == injector) {
            return slot;
        }
    }
    return 0;
}

struct ProgramCase {
    const char* name;
    int injector;
    const char* code;
    bool yes;
    const char* input;  // Enter at ignition off, Enter at ignition on, the answer, Enter, Enter
    int exitCode;
    const char* readBack;  // nullptr when nothing may change
};

void PrintTo(const ProgramCase& c, std::ostream* os) {
    *os << c.name;
}

class InjectorProgram : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(InjectorProgram, WritesOnlyWhenConfirmedAndReadsTheCodeBack) {
    const ProgramCase& c = GetParam();
    SimulatedCar car("diesel-van");
    DataDir data;
    std::array<std::array<std::uint8_t, 8>, 5> before{};
    for (int slot = 1; slot <= 4; ++slot) {
        before[static_cast<std::size_t>(slot)] = car.injectorCode(slot);
    }
    std::vector<std::string> args{
        "--vehicle", kVehicle, "injectors", "program", std::to_string(c.injector), c.code};
    if (c.yes) {
        args.push_back("--yes");
    }
    const CliResult result = runCli(onCar(car, data, args), c.input);
    EXPECT_EQ(result.code, c.exitCode) << result.err;

    const int programmed = slotOf(c.injector);
    for (int slot = 1; slot <= 4; ++slot) {
        const auto expected = c.readBack != nullptr && slot == programmed
                                  ? bytesOf(c.readBack)
                                  : before[static_cast<std::size_t>(slot)];
        EXPECT_EQ(car.injectorCode(slot), expected) << "slot " << slot;
    }
    if (c.readBack != nullptr) {
        EXPECT_EQ(result.out, "Injector " + std::to_string(c.injector) +
                                  " programmed: " + c.readBack + " (read back)\n");
        EXPECT_THAT(result.err, HasSubstr("TURN THE IGNITION KEY / OFF  AND CLICK OK"));
        EXPECT_THAT(result.err, HasSubstr("TURN THE IGNITION KEY / ON AND CLICK OK"));
        EXPECT_THAT(result.err, HasSubstr("Please wait 31 s"));
    } else {
        EXPECT_EQ(result.out, "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sequence, InjectorProgram,
    ::testing::Values(ProgramCase{"ConfirmedByOption", 3, "0123456789ABCDEF", true, "", 0,
                                  "0123456789ABCDEF"},
                      ProgramCase{"LowerCaseDigitsCountAsTheirValue", 2, "fedcba9876543210", true,
                                  "", 0, "FEDCBA9876543210"},
                      ProgramCase{"ConfirmedOnTheTerminal", 1, "1111222233334444", false,
                                  "\n\ny\n\n\n", 0, "1111222233334444"},
                      ProgramCase{"Declined", 4, "1111222233334444", false, "\n\nn\n", 8, nullptr},
                      ProgramCase{"NobodyAtTheKey", 4, "1111222233334444", false, "", 8, nullptr}),
    [](const auto& info) { return info.param.name; });

// Terminal input given line by line, with a hook run before each line is handed over.
class ScriptedInput : public std::streambuf {
public:
    ScriptedInput(std::vector<std::string> lines, std::function<void(std::size_t)> beforeLine)
        : m_lines(std::move(lines)), m_beforeLine(std::move(beforeLine)) {}

protected:
    int_type underflow() override {
        if (gptr() != nullptr && gptr() < egptr()) {
            return traits_type::to_int_type(*gptr());
        }
        if (m_next >= m_lines.size()) {
            return traits_type::eof();
        }
        m_beforeLine(m_next);
        m_current = m_lines[m_next++] + "\n";
        setg(m_current.data(), m_current.data(), m_current.data() + m_current.size());
        return traits_type::to_int_type(*gptr());
    }

private:
    std::vector<std::string> m_lines;
    std::function<void(std::size_t)> m_beforeLine;
    std::size_t m_next = 0;
    std::string m_current;
};

TEST(InjectorProgram, AUnitThatStopsAnsweringFailsTheWriteAndSaysSo) {
    SimulatedCar car("diesel-van");
    DataDir data;
    const auto before = car.injectorCode(slotOf(3));
    // The unit is read, then goes silent just as the operator confirms.
    ScriptedInput script({"", "", "y", "", ""}, [&](std::size_t line) {
        if (line == 2) {
            sim::Fault fault;
            fault.kind = sim::FaultKind::WrongEcho;
            fault.module = sim::kIcu;
            car.addFault(fault);
        }
    });
    std::istream in(&script);
    const CliResult result = runCli(
        onCar(car, data, {"--vehicle", kVehicle, "injectors", "program", "3", "0123456789ABCDEF"}),
        in);
    EXPECT_EQ(result.code, 7);
    EXPECT_THAT(result.err, HasSubstr("programming injector 3: it failed"));
    EXPECT_EQ(car.injectorCode(slotOf(3)), before);
    EXPECT_EQ(result.out, "");
}

// Nobody at the key after the write: the run stops before the read-back, and says what
// was written and where the old code is kept.
TEST(InjectorProgram, StoppedAfterTheWriteSaysTheUnitMostLikelyHoldsTheNewCode) {
    SimulatedCar car("diesel-van");
    DataDir data;
    const std::string before = session::injectorCodeText(car.injectorCode(slotOf(3)));
    const CliResult result = runCli(
        onCar(car, data, {"--vehicle", kVehicle, "injectors", "program", "3", "0123456789abcdef"}),
        "\n\ny\n");
    EXPECT_EQ(result.code, 7);
    EXPECT_THAT(result.err, HasSubstr("stopped after the new code 0123456789ABCDEF was written, "
                                      "before it was read back: the unit most likely holds it"));
    EXPECT_THAT(result.err, HasSubstr("The old code " + before + " is kept in the record"));
    EXPECT_EQ(session::injectorCodeText(car.injectorCode(slotOf(3))), "0123456789ABCDEF");
}

TEST(InjectorProgram, AUnitThatKeepsItsOldCodeIsAFailedWrite) {
    SimulatedCar car("diesel-van");
    car.addFault(sim::Fault::make(sim::FaultKind::KeepsOldCode));
    DataDir data;
    const auto before = car.injectorCode(slotOf(2));
    const CliResult result = runCli(
        onCar(car, data,
              {"--vehicle", kVehicle, "injectors", "program", "2", "0123456789ABCDEF", "--yes"}));
    EXPECT_EQ(result.code, 7);
    EXPECT_THAT(result.err, HasSubstr("the unit reads back " + session::injectorCodeText(before) +
                                      " instead of 0123456789ABCDEF: it kept its old code"));
    EXPECT_EQ(car.injectorCode(slotOf(2)), before);
    EXPECT_EQ(result.out, "");
}

TEST(InjectorProgram, AFailedReadProgramsNothing) {
    SimulatedCar car("diesel-van");
    sim::Fault fault;
    fault.kind = sim::FaultKind::CutShort;
    fault.amount = 2;
    fault.module = sim::kIcu;
    car.addFault(fault);
    DataDir data;
    const auto before = car.injectorCode(1);
    const CliResult result = runCli(
        onCar(car, data,
              {"--vehicle", kVehicle, "injectors", "program", "1", "0123456789ABCDEF", "--yes"}));
    EXPECT_EQ(result.code, 6);
    EXPECT_THAT(result.err, HasSubstr("reading the injector codes: the read failed; nothing was "
                                      "written, the unit is unchanged"));
    EXPECT_EQ(car.injectorCode(1), before);
}

// How each failure of a run is told: what was written and what the unit holds, never "the
// old code is kept" where the unit may hold another.
struct EndingCase {
    const char* name;
    std::vector<int> silent;  // the unit's requests left unanswered (1 = its first)
    int exitCode;
    const char* said;
};

void PrintTo(const EndingCase& c, std::ostream* os) {
    *os << c.name;
}

class ProgrammingEnding : public ::testing::TestWithParam<EndingCase> {};

TEST_P(ProgrammingEnding, SaysWhatWasWrittenAndWhatTheUnitHolds) {
    const EndingCase& c = GetParam();
    SimulatedCar car("diesel-van");
    for (int request : c.silent) {
        car.addFault(sim::Fault::silentModule(sim::kIcu).onInjectorRequest(request));
    }
    DataDir data;
    const std::string before = session::injectorCodeText(car.injectorCode(slotOf(3)));
    const CliResult result = runCli(
        onCar(car, data,
              {"--vehicle", kVehicle, "injectors", "program", "3", "0123456789ABCDEF", "--yes"}));
    EXPECT_EQ(result.code, c.exitCode) << result.err;
    std::string said = c.said;
    if (const auto at = said.find("OLD"); at != std::string::npos) {
        said.replace(at, 3, before);
    }
    EXPECT_THAT(result.err, HasSubstr(said));
    EXPECT_THAT(result.err, Not(HasSubstr("is kept:")));
    EXPECT_THAT(result.err, Not(HasSubstr("is kept\n")));
}

// A read of the four codes is requests 1..13; the run's are 14..23; the read-back 24..
INSTANTIATE_TEST_SUITE_P(
    EachEnding, ProgrammingEnding,
    ::testing::Values(
        EndingCase{"BeforeAnyWrite",
                   {14},
                   7,
                   "it failed before anything was written: the unit is unchanged and holds its "
                   "old code OLD"},
        EndingCase{"ReadBackFailed",
                   {24},
                   12,
                   "the new code 0123456789ABCDEF was written, but reading it back failed: the "
                   "unit most likely holds the new code, not verified. The old code OLD is kept "
                   "in the record"},
        EndingCase{"UnitUnreadAfterAPartWrite",
                   {19, 20, 21},
                   11,
                   "could not be read again: it may hold the old code, the new one or a MIXED "
                   "code. The old code OLD is kept in the record"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tvx::cli::testing
