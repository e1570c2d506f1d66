#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli_fixture.h"
#include "datadir/code_journal.h"
#include "link/injector_codes.h"
#include "record/record.h"

namespace tvx::cli::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* kVehicle = "MONDEO 2.0 TDCI";
constexpr const char* kNewCode = "0123456789ABCDEF";
constexpr int kSlot = 2;  // injector 3
// A read of the four codes is 13 requests of the unit; a run's requests follow it.
constexpr int kRead = 13;

std::string hex(const std::array<std::uint8_t, 8>& bytes) {
    return session::injectorCodeText(bytes);
}

CliResult injectors(SimulatedCar& car, const DataDir& data, std::vector<std::string> command) {
    std::vector<std::string> args{"--vehicle", kVehicle, "injectors"};
    args.insert(args.end(), command.begin(), command.end());
    return runCli(onCar(car, data, args));
}

CliResult program(SimulatedCar& car, const DataDir& data, const std::string& code = kNewCode) {
    return injectors(car, data, {"program", "3", code, "--yes"});
}

CliResult restore(SimulatedCar& car, const DataDir& data, std::vector<std::string> more = {}) {
    std::vector<std::string> command{"restore", "3", "--yes"};
    command.insert(command.end(), more.begin(), more.end());
    return injectors(car, data, command);
}

// The next run (after the read that precedes it) stores its first half, then the unit
// goes silent for its second half, for the write-back and for the read after it: the unit
// is left with a mixed code that nobody saw, as when the tester is killed there.
void cutAfterTheFirstStore(SimulatedCar& car) {
    const int runStart = car.injectorRequests() + kRead + 1;
    for (int step : {5, 6, 7}) {
        car.addFault(sim::Fault::silentModule(sim::kIcu).onInjectorRequest(runStart + step));
    }
}

std::string mixedOf(const std::string& first, const std::string& second) {
    return first.substr(0, 8) + second.substr(8);
}

// Injector 3 programmed, the run cut after the first half was stored (a mixed code),
// then programmed again to the end: the second run began from the mixed code.
class CutThenRetried : public ::testing::Test {
protected:
    void SetUp() override {
        cutAfterTheFirstStore(car);
        ASSERT_EQ(program(car, data).code, 11);
        ASSERT_EQ(hex(car.injectorCode(kSlot)), mixedOf(kNewCode, original));
        ASSERT_EQ(program(car, data).code, 0);
    }
    SimulatedCar car{"diesel-van"};
    DataDir data;
    const std::string original = hex(car.injectorCode(kSlot));
};

// Restore must write back the code the car came in with, never the mixed one the second
// run began from; a second restore then has nothing to do.
TEST_F(CutThenRetried, RestoreWritesTheOriginalCode) {
    const CliResult restored = restore(car, data);
    EXPECT_EQ(restored.code, 0) << restored.err;
    EXPECT_THAT(restored.err, HasSubstr("the record holds " + original + " from before run 1"));
    EXPECT_EQ(hex(car.injectorCode(kSlot)), original);

    const CliResult again = restore(car, data);
    EXPECT_EQ(again.code, 0) << again.err;
    EXPECT_THAT(again.out, HasSubstr("already holds " + original));
    EXPECT_THAT(again.out, HasSubstr("nothing was written"));
    EXPECT_EQ(hex(car.injectorCode(kSlot)), original);
}

// A restore cut after its first store leaves a mixed code; restoring again writes the
// code the car came in with, not the code the cut restore began from.
TEST(CliRestore, ARestoreCutPartWayIsNeverTheSourceOfTheNextOne) {
    SimulatedCar car("diesel-van");
    DataDir data;
    const std::string original = hex(car.injectorCode(kSlot));
    ASSERT_EQ(program(car, data).code, 0);
    cutAfterTheFirstStore(car);
    ASSERT_EQ(restore(car, data).code, 11);
    ASSERT_EQ(hex(car.injectorCode(kSlot)), mixedOf(original, kNewCode));

    const CliResult again = restore(car, data);
    EXPECT_EQ(again.code, 0) << again.err;
    EXPECT_EQ(hex(car.injectorCode(kSlot)), original);

    record::Record::Options options;
    options.mode = record::Database::Mode::ReadOnly;
    auto opened = record::Record::open(data.file(record::Record::kFileName), options);
    ASSERT_TRUE(opened.record) << opened.problem;
    const auto runs = opened.record->runsOf(kSlot, std::nullopt, std::nullopt);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_FALSE(runs[0].restore);
    EXPECT_TRUE(runs[1].restore);
    EXPECT_TRUE(runs[2].restore);
}

// A run the record could not take (another program held it locked) is guarded by the
// journal alone; killed during it, it never reaches the record. Restore must weigh it:
// the code it began from is the latest the unit held whole.
TEST(CliRestore, ARunOnlyTheJournalKeptTakesPartInTheChain) {
    SimulatedCar car("diesel-van");
    DataDir data;
    ASSERT_EQ(program(car, data).code, 0);

    record::Record::Options options;
    options.mode = record::Database::Mode::ReadOnly;
    auto opened = record::Record::open(data.file(record::Record::kFileName), options);
    ASSERT_TRUE(opened.record) << opened.problem;
    const auto runs = opened.record->runsOf(kSlot, std::nullopt, std::nullopt);
    ASSERT_EQ(runs.size(), 1u);
    const auto visit = opened.record->visit(runs[0].visitId);
    ASSERT_TRUE(visit && visit->summary.vin);

    session::ProgrammingPlan plan;
    plan.injector = kSlot;
    plan.oldCode = kNewCode;
    plan.newCode = "FEDCBA9876543210";
    for (int slot = 1; slot <= 4; ++slot) {
        plan.codesRead[static_cast<std::size_t>(slot)] = hex(car.injectorCode(slot));
    }
    plan.vin = *visit->summary.vin;
    session::CodeJournal journal(data.path());
    std::string whyNot;
    ASSERT_TRUE(journal.beforeFirstWrite(plan, whyNot)) << whyNot;

    const CliResult listed = runCli({"--data-dir", data.path(), "injectors", "runs", "3"});
    EXPECT_EQ(listed.code, 0) << listed.err;
    EXPECT_THAT(listed.out, HasSubstr(std::string("restore writes back ") + kNewCode +
                                      ", the code before the run kept in the journal"));
    EXPECT_THAT(listed.out, HasSubstr("never finished"));
}

struct ChosenRunCase {
    const char* name;
    int run;
    int exitCode;
    const char* said;
    bool original;  // the unit then holds the original code, else the new one
};

void PrintTo(const ChosenRunCase& c, std::ostream* os) {
    *os << c.name;
}

class CliRestoreOfARun : public CutThenRetried,
                         public ::testing::WithParamInterface<ChosenRunCase> {};

TEST_P(CliRestoreOfARun, TakesTheRunsCodeOnlyWhenItWasWhole) {
    const ChosenRunCase& c = GetParam();
    const CliResult result = restore(car, data, {"--run", std::to_string(c.run)});
    EXPECT_EQ(result.code, c.exitCode) << result.err;
    EXPECT_THAT(result.err, HasSubstr(c.said));
    EXPECT_EQ(hex(car.injectorCode(kSlot)), c.original ? original : std::string(kNewCode));
}

INSTANTIATE_TEST_SUITE_P(
    ById, CliRestoreOfARun,
    ::testing::Values(ChosenRunCase{"TheFirst", 1, 0, "from before run 1", true},
                      ChosenRunCase{"OneThatBeganFromAMixedCode", 2, 2, "may be a mixed code",
                                    false},
                      ChosenRunCase{"NoSuchRun", 7, 2, "there is no run 7", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CutThenRetried, TheRunsAreListedWithWhatRestoreWouldWrite) {
    const CliResult listed = runCli({"--data-dir", data.path(), "injectors", "runs", "3"});
    EXPECT_EQ(listed.code, 0) << listed.err;
    EXPECT_THAT(listed.out, HasSubstr("failed; the unit then held unknown (not read)"));
    EXPECT_THAT(listed.out, HasSubstr(mixedOf(kNewCode, original) + "?"));
    EXPECT_THAT(listed.out,
                HasSubstr("restore writes back " + original + ", the code before run 1"));
    const CliResult otherCar =
        runCli({"--data-dir", data.path(), "injectors", "runs", "3", "--vin", "WF0XXXXXXXX000000"});
    EXPECT_EQ(otherCar.code, 0);
    EXPECT_EQ(otherCar.out, "");
}

// Known at the start: no ignition steps lead to a run that will be refused.
TEST(CliRestore, ProgrammingWithARecordThatCannotBeKeptIsRefusedBeforeTheIgnitionSteps) {
    SimulatedCar car("diesel-van");
    DataDir data;
    const std::string original = hex(car.injectorCode(kSlot));
    // Neither the record nor the journal that would guard the run in its place can be kept.
    std::filesystem::create_directory(data.file(record::Record::kFileName));
    std::filesystem::create_directory(data.file(session::CodeJournal::kFileName));
    const CliResult result = program(car, data);
    EXPECT_EQ(result.code, 9) << result.err;
    EXPECT_THAT(result.err, HasSubstr("nothing was written"));
    EXPECT_THAT(result.err, Not(HasSubstr("IGNITION")));
    EXPECT_EQ(hex(car.injectorCode(kSlot)), original);
}

// A run the tester was killed in has a start and no end: the next command says so and
// what the unit holds now.
TEST(CliRestore, ARunWithoutAnEndIsReportedAsUnfinishedByTheNextCommand) {
    SimulatedCar car("diesel-van");
    DataDir data;
    const std::string original = hex(car.injectorCode(kSlot));
    ASSERT_EQ(injectors(car, data, {"read"}).code, 0);
    {
        auto opened = record::Record::open(data.file(record::Record::kFileName));
        ASSERT_TRUE(opened.record) << opened.problem;
        const auto visit = opened.record->lastVisit(false);
        ASSERT_TRUE(visit);
        record::ProgrammingRun run;
        run.injector = kSlot;
        run.startedAt = 1000;
        run.codeBefore = original;
        run.codeNew = kNewCode;
        opened.record->beginProgrammingRun(*visit, run);
    }
    const CliResult read = injectors(car, data, {"read"});
    EXPECT_EQ(read.code, 0) << read.err;
    EXPECT_THAT(read.err, HasSubstr("on injector 3 never finished"));
    EXPECT_THAT(read.err, HasSubstr("Injector 3 holds " + original + ", the code it began from"));
}

}  // namespace
}  // namespace tvx::cli::testing
