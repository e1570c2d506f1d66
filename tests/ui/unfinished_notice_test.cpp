// A programming run the window was killed in is named in the window's notice line as soon
// as the next session reads that car's VIN, in the language of the settings, once.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "../common/killed_run_plan.h"
#include "datadir/code_journal.h"
#include "sim/scenario.h"
#include "ui_helpers.h"
#include "van_window.h"

namespace tvx::ui {
namespace {

using test::click;
using test::clickItem;
using test::usable;
using test::waitFor;

constexpr int kSlot = 2;  // injector 3 as labelled
constexpr const char* kNewCode = "0123456789ABCDEF";

struct NoticeCase {
    const char* name;
    const char* languageLine;  // the settings file's second line
    const char* says;          // what the notice says in that language
    const char* plugTheBox;    // the display's first line asking to plug the box in
};

class UnfinishedRunNotice : public ::testing::TestWithParam<NoticeCase> {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        std::ofstream(dataDir() / "tarvol.txt") << "1\n" << GetParam().languageLine << "\n";
    }
    std::filesystem::path dataDir() const { return m_dir.path().toStdString(); }

    // The journal as a kill between the first write and the run's end leaves it.
    std::string leaveKilledRun(const std::string& vin) {
        const session::ProgrammingPlan plan = tvx::test::killedRunPlan(kSlot, kNewCode, vin);
        std::string whyNot;
        EXPECT_TRUE(session::CodeJournal(dataDir()).beforeFirstWrite(plan, whyNot)) << whyNot;
        return plan.oldCode;
    }

    // Start panel, the van, plug in, connect: the session reads the VIN.
    void connectToTheVan() {
        m_van.start(dataDir());
        ASSERT_TRUE(waitFor([&] {
            return test::lineText(*m_van.form, 1) == QLatin1String("**  tarvolinex 7340   **");
        }));
        press("OK");
        ASSERT_TRUE(
            waitFor([&] { return !m_van.form->findChild<QWidget*>("Frame31")->isHidden(); }));
        clickItem(*m_van.form, "DG1", 4);
        press("OK");
        ASSERT_TRUE(waitFor([&] {
            return test::lineText(*m_van.form, 1) == QLatin1String(GetParam().plugTheBox);
        }));
        press("OK");
        ASSERT_TRUE(waitFor([&] { return usable(m_van.form->button("pcm")); }));
    }
    void press(const char* name) { m_van.press(name); }
    QLabel* notice() const { return m_van.form->findChild<QLabel*>("recordNotice"); }

    QTemporaryDir m_dir;
    test::VanWindow m_van;  // closed before the data directory goes
};

TEST_P(UnfinishedRunNotice, IsShownWhenTheCarsVinIsRead) {
    const std::string before = leaveKilledRun(sim::vehicleScenario("diesel-van").vin);
    connectToTheVan();
    ASSERT_TRUE(waitFor([&] { return !notice()->isHidden(); }));
    const std::string text = notice()->text().toStdString();
    EXPECT_NE(text.find(GetParam().says), std::string::npos) << text;
    EXPECT_NE(text.find(before), std::string::npos) << text;
    EXPECT_NE(text.find(kNewCode), std::string::npos) << text;
}

TEST_P(UnfinishedRunNotice, SaysNothingForAnotherCarsRun) {
    leaveKilledRun("WF0OTHERCAR000001");
    connectToTheVan();
    EXPECT_TRUE(notice()->isHidden() ||
                notice()->text().toStdString().find(GetParam().says) == std::string::npos)
        << notice()->text().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    BothLanguages, UnfinishedRunNotice,
    ::testing::Values(
        NoticeCase{"English", "1", "on injector 3 never finished", " CONNECT KESTRON 7340 TO"},
        NoticeCase{"Turkish", "2", "enjekt\xC3\xB6r 3 \xC3\xBCzerinde hi\xC3\xA7 bitmedi",
                   " KESTRON 7340 U ARACIN  "}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tvx::ui
