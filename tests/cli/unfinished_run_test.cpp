// A programming run the tester was killed in (begun in the injector code journal, never
// ended) is named by the next command that connects to that car, whatever the command, in
// the chosen language, once, with what to do about it. The journal is there in every
// build (the record, where built, has no run of its own here), so this runs in both.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "../common/killed_run_plan.h"
#include "cli_fixture.h"
#include "datadir/code_journal.h"
#include "keeper/unfinished_runs.h"
#include "link/injector_codes.h"

namespace tvx::cli::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr int kSlot = 2;  // injector 3
constexpr const char* kNewCode = "0123456789ABCDEF";

// Leaves a run on injector 3 of the diesel van begun and never ended, as a kill -9
// between the journal's entry and the run's end does (or, with ended, one that finished).
session::ProgrammingPlan killedRun(const DataDir& data, const std::string& vin,
                                   bool ended = false) {
    const session::ProgrammingPlan plan = tvx::test::killedRunPlan(kSlot, kNewCode, vin);
    session::CodeJournal journal(data.path());
    std::string whyNot;
    EXPECT_TRUE(journal.beforeFirstWrite(plan, whyNot)) << whyNot;
    if (ended) {
        session::ProgrammingEnd end;
        end.injector = kSlot;
        end.result = session::ProgrammingEnd::Result::Finished;
        end.holds = session::UnitHolds::NewCode;
        EXPECT_TRUE(journal.runEnded(end));
    }
    return plan;
}

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

struct CommandCase {
    const char* name;
    std::vector<std::string> command;
    const char* warning;  // what the warning says in the chosen language
    const char* advice;   // what to do
};

constexpr const char* kEnglish = "on injector 3 never finished";
constexpr const char* kTurkish = "enjektör 3 üzerinde hiç bitmedi";
constexpr const char* kRestore = "'injectors restore 3'";

class UnfinishedRun : public ::testing::TestWithParam<CommandCase> {};

TEST_P(UnfinishedRun, TheNextCommandSaysSoOnceWithWhatToDo) {
    DataDir data;
    const std::string vin = sim::vehicleScenario("diesel-van").vin;
    const session::ProgrammingPlan plan = killedRun(data, vin);
    std::vector<std::string> args{"--simulate", "diesel-van", "--data-dir",
                                  data.path(),  "--vehicle",  "MONDEO 2.0 TDCI"};
    args.insert(args.end(), GetParam().command.begin(), GetParam().command.end());
    const CliResult result = runCli(args);
    EXPECT_EQ(occurrences(result.err, GetParam().warning), 1u) << result.err;
    EXPECT_THAT(result.err, HasSubstr(GetParam().advice)) << result.err;
    EXPECT_THAT(result.err, HasSubstr(plan.oldCode)) << result.err;
    EXPECT_THAT(result.err, HasSubstr(kNewCode)) << result.err;
}

INSTANTIATE_TEST_SUITE_P(
    EveryCommandThatConnects, UnfinishedRun,
    ::testing::Values(
        CommandCase{"DtcRead", {"dtc", "read", "PCM"}, kEnglish, kRestore},
        CommandCase{"Scan", {"scan"}, kEnglish, kRestore},
        CommandCase{"Live", {"live", "--cycles", "1"}, kEnglish, kRestore},
        CommandCase{"Doctor", {"doctor"}, kEnglish, kRestore},
        // It reads what the unit holds: the code the run began from.
        CommandCase{"InjectorsRead", {"injectors", "read"}, kEnglish, "the unit is as it was"},
        CommandCase{"DtcReadInTurkish", {"--lang", "tr", "dtc", "read", "PCM"}, kTurkish, kRestore},
        CommandCase{"DoctorInTurkish", {"--lang", "tr", "doctor"}, kTurkish, kRestore}),
    [](const auto& info) { return std::string(info.param.name); });

// A run that ended, or one on another car, is nothing to warn about.
TEST(UnfinishedRunNot, OfARunThatEndedOrOfAnotherCar) {
    DataDir data;
    killedRun(data, "WF0OTHERCAR000001");
    const CliResult other = runCli({"--simulate", "diesel-van", "--data-dir", data.path(),
                                    "--vehicle", "MONDEO 2.0 TDCI", "dtc", "read", "PCM"});
    EXPECT_EQ(other.code, 0) << other.err;
    EXPECT_THAT(other.err, Not(HasSubstr("never finished")));

    DataDir ended;
    killedRun(ended, sim::vehicleScenario("diesel-van").vin, true);
    const CliResult read = runCli({"--simulate", "diesel-van", "--data-dir", ended.path(),
                                   "--vehicle", "MONDEO 2.0 TDCI", "dtc", "read", "PCM"});
    EXPECT_EQ(read.code, 0) << read.err;
    EXPECT_THAT(read.err, Not(HasSubstr("never finished")));
}

// What the warning says once the unit's codes were read, by what injector 3 holds.
struct HoldsCase {
    const char* name;
    const char* holds;  // injector 3's code now
    char language;
    std::vector<const char*> said;
};

class UnfinishedRunWithTheCodesRead : public ::testing::TestWithParam<HoldsCase> {};

TEST_P(UnfinishedRunWithTheCodesRead, SaysWhatTheUnitHoldsAndWhatToDo) {
    session::UnfinishedRun unfinished;
    unfinished.injector = 3;
    unfinished.run.id = 7;
    unfinished.run.visit = 2;
    unfinished.run.codeBefore = "1122334455667788";
    unfinished.run.codeNew = kNewCode;
    session::InjectorCodes codes = session::blankInjectorCodes();
    codes[kSlot] = GetParam().holds;
    const auto warnings = session::unfinishedRunWarnings({unfinished}, &codes, GetParam().language);
    ASSERT_EQ(warnings.size(), 1u);
    for (const char* part : GetParam().said) {
        EXPECT_THAT(warnings[0], HasSubstr(part));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, UnfinishedRunWithTheCodesRead,
    ::testing::Values(
        HoldsCase{"TheNewCode", kNewCode, '1', {"run 7 (visit 2", "nothing to put right"}},
        HoldsCase{"TheCodeBefore", "1122334455667788", '1', {"the unit is as it was"}},
        HoldsCase{"AMixedCode", "0123456755667788", '1', {"a MIXED code", kRestore}},
        HoldsCase{"Neither", "FFFFFFFFFFFFFFFF", '1', {"neither", kRestore}},
        HoldsCase{"AMixedCodeInTurkish",
                  "0123456755667788",
                  '2',
                  {"çalışma 7 (ziyaret 2", "KARIŞIK", kRestore}},
        HoldsCase{"TheNewCodeInTurkish", kNewCode, '2', {"yapılacak bir şey yok"}},
        // The whole notice after where the run comes from, word for word.
        HoldsCase{"TheNewCodeInFull",
                  kNewCode,
                  '1',
                  {" on injector 3 never finished: the tester was stopped during it (or another "
                   "program is running it now). It began from 1122334455667788 to write "
                   "0123456789ABCDEF. Injector 3 holds 0123456789ABCDEF, the code it was to "
                   "write: the run went through; nothing to put right."}},
        HoldsCase{"TheCodeBeforeInFull",
                  "1122334455667788",
                  '1',
                  {". Injector 3 holds 1122334455667788, the code it began from: the unit is as "
                   "it was; program it again when wanted."}},
        HoldsCase{"NeitherInFull",
                  "FFFFFFFFFFFFFFFF",
                  '1',
                  {". Injector 3 holds FFFFFFFFFFFFFFFF, a code that is neither the one it began "
                   "from nor the one it was to write: write the code before it back with "
                   "'injectors restore 3', or program injector 3 again."}},
        HoldsCase{"TheCodeBeforeInTurkishInFull",
                  "1122334455667788",
                  '2',
                  {", enjektör 3 üzerinde hiç bitmedi: test cihazı bu sırada durduruldu (ya da "
                   "şu an başka bir program onu yürütüyor). 1122334455667788 kodundan başlayıp "
                   "0123456789ABCDEF kodunu yazacaktı. Enjektör 3 şu an 1122334455667788 "
                   "tutuyor: başladığı kod; ünite değişmedi, gerekirse yeniden programlayın."}},
        HoldsCase{"AMixedCodeInTurkishInFull",
                  "0123456755667788",
                  '2',
                  {". Enjektör 3 şu an 0123456755667788 tutuyor: KARIŞIK bir kod; önceki kodu "
                   "'injectors restore 3' ile geri yazın ya da enjektörü yeniden programlayın."}},
        HoldsCase{"NeitherInTurkishInFull",
                  "FFFFFFFFFFFFFFFF",
                  '2',
                  {"tutuyor: ne başladığı ne de yazılacak kod; önceki kodu 'injectors restore 3' "
                   "ile geri yazın ya da enjektörü yeniden programlayın."}}),
    [](const auto& info) { return std::string(info.param.name); });

// Before the unit's codes are read, the notice says what it may hold and how to put it right.
TEST(UnfinishedRunWithoutTheCodes, SaysTheUnitMayHoldAMixedCode) {
    session::UnfinishedRun unfinished;
    unfinished.injector = 3;
    unfinished.run.codeBefore = "1122334455667788";
    unfinished.run.codeNew = kNewCode;
    const auto english = session::unfinishedRunWarnings({unfinished}, nullptr, '1');
    const auto turkish = session::unfinishedRunWarnings({unfinished}, nullptr, '2');
    ASSERT_EQ(english.size(), 1u);
    ASSERT_EQ(turkish.size(), 1u);
    EXPECT_THAT(english[0],
                HasSubstr("to write 0123456789ABCDEF. The unit may hold either code or a MIXED "
                          "code of the two: read it (ICU, 'injectors read'); unless it holds "
                          "0123456789ABCDEF, write the code before it back with 'injectors "
                          "restore 3', or program injector 3 again."));
    EXPECT_THAT(turkish[0],
                HasSubstr("kodunu yazacaktı. Ünite iki koddan birini ya da ikisinden KARIŞIK bir "
                          "kod tutuyor olabilir: kodları okuyun (ICU, 'injectors read'); "
                          "0123456789ABCDEF değilse önceki kodu 'injectors restore 3' ile geri "
                          "yazın ya da enjektörü yeniden programlayın."));
}

}  // namespace
}  // namespace tvx::cli::testing
