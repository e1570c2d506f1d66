// Every live page as the window shows it: each gauge on a shown panel is written by the
// page itself (a value read, or blank where the page never reads it), so no gauge keeps a
// figure that no read of this page produced.
#include <gtest/gtest.h>

#include <QFrame>
#include <QTemporaryDir>
#include <fstream>
#include <optional>
#include <set>

#include "link/clock.h"
#include "link/link.h"
#include "link/requests.h"
#include "session/gauge.h"
#include "session/live_pages.h"
#include "session/session.h"
#include "sim/box.h"
#include "sim/in_memory_port.h"
#include "ui/form_view.h"
#include "ui/gauge_pages.h"
#include "ui/tform1.h"
#include "widgets/dot_matrix.h"
#include "widgets/seven_segment.h"

namespace tvx::ui {
namespace {

using session::Module;

// A text no read ever gives: what each gauge shows before the page is entered.
const QString kUntouched = QStringLiteral("?");

QString gaugeValue(QWidget* gauge) {
    if (auto* digits = qobject_cast<widgets::TCustomSevenSegment*>(gauge))
        return digits->value();
    if (auto* word = qobject_cast<widgets::TDotMatrix5x7*>(gauge))
        return word->value();
    return kUntouched;
}

void setGaugeValue(QWidget* gauge, const QString& text) {
    if (auto* digits = qobject_cast<widgets::TCustomSevenSegment*>(gauge))
        digits->setValue(text);
    else if (auto* word = qobject_cast<widgets::TDotMatrix5x7*>(gauge))
        word->setValue(text);
}

bool readsGauge(const session::LivePage& page, std::string_view gauge) {
    for (const session::LiveRead& read : page.reads) {
        if (session::gaugeName(read.gauge) == gauge)
            return true;
        if (read.kind == session::LiveRead::Kind::SwitchStates &&
            (gauge == "cppd" || gauge == "bppd" || gauge == "klimad"))
            return true;
    }
    return false;
}

struct PageCase {
    bool diesel;
    int model;
    Module module;  // Pcm for the vehicle's page, Cluster for the cluster page
};

class LivePageGauges : public ::testing::TestWithParam<PageCase> {
protected:
    void settle() {
        for (int i = 0; i < 200 && !session.isWaiting(); ++i)
            session.step();
    }

    QTemporaryDir dir;
    TForm1 form{QString()};
    FormView view{form};
    link::VirtualClock clock;
    sim::Box box{sim::vehicleScenario("petrol-car")};
    sim::InMemoryPort port{box, clock};
    link::Link link{port, clock};
    link::Requests requests{link};
    session::Session session{link, requests, clock, view, dir.path().toStdString()};
};

TEST_P(LivePageGauges, EveryShownGaugeIsWrittenByThePage) {
    const PageCase& page = GetParam();
    std::ofstream(dir.filePath("tarvol.txt").toStdString()) << "1\n1\n";
    settle();
    session.ok();  // start panel
    settle();
    if (page.diesel)
        session.selectDiesel(page.model);
    else
        session.selectPetrol(page.model);
    session.ok();  // vehicle chosen
    settle();
    session.demo();  // invented values: every read succeeds
    settle();
    ASSERT_EQ(session.state(), session::State::ModuleMenu);

    const session::LivePage* live = page.module == Module::Cluster
                                        ? &session::clusterPage()
                                        : session::livePageForModel(page.diesel, page.model);
    ASSERT_NE(live, nullptr);
    auto* frame = form.findChild<QWidget*>(
        QString::fromLatin1(live->frame.data(), qsizetype(live->frame.size())));
    ASSERT_NE(frame, nullptr);
    for (const GaugeSpec& spec : gaugesOf(live->frame))
        setGaugeValue(frame->findChild<QWidget*>(QString::fromLatin1(spec.gauge)), kUntouched);

    session.selectModule(page.module);
    session.live();
    for (int tick = 0; tick < 4; ++tick)  // dispatch, entry, two polls
        session.step();
    ASSERT_EQ(session.state(), live->pollState);
    EXPECT_FALSE(frame->isHidden());

    int shown = 0;
    for (const GaugeSpec& spec : gaugesOf(live->frame)) {
        auto* panel = frame->findChild<QFrame*>(QString::fromLatin1(spec.panel));
        ASSERT_NE(panel, nullptr) << spec.panel;
        if (panel->isHidden())
            continue;
        ++shown;
        const QString value =
            gaugeValue(panel->findChild<QWidget*>(QString::fromLatin1(spec.gauge)));
        EXPECT_NE(value, kUntouched)
            << spec.gauge << " is shown but never written on page " << live->entryState;
        if (!readsGauge(*live, spec.gauge)) {
            EXPECT_EQ(value, QString()) << spec.gauge << " is not read but shows a figure";
        }
    }
    EXPECT_GT(shown, 2);
}

std::vector<PageCase> everyPage() {
    std::vector<PageCase> cases;
    for (int model = 0; model < static_cast<int>(session::petrolModels().size()); ++model)
        cases.push_back({false, model, Module::Pcm});
    for (int model = 0; model < static_cast<int>(session::dieselModels().size()); ++model)
        cases.push_back({true, model, Module::Pcm});
    cases.push_back({false, 0, Module::Cluster});
    cases.push_back({true, 4, Module::Cluster});
    return cases;
}

// The window marks, charts and pauses a gauge by the control that shows it: every gauge
// control of the window's pages is named after a gauge, and every gauge has a control.
TEST(GaugeControls, EachIsNamedAfterAGaugeAndEveryGaugeHasOne) {
    std::set<session::Gauge> controlled;
    for (const auto frame : {"Frame61", "Frame71", "Frame81"}) {
        for (const GaugeSpec& spec : gaugesOf(frame)) {
            const std::optional<session::Gauge> gauge = session::gaugeNamed(spec.gauge);
            EXPECT_TRUE(gauge) << spec.gauge << " on " << frame << " is no gauge";
            if (gauge)
                controlled.insert(*gauge);
        }
    }
    for (const session::Gauge gauge : session::allGauges())
        EXPECT_TRUE(controlled.contains(gauge)) << gauge << " has no control";
}

INSTANTIATE_TEST_SUITE_P(Vehicles, LivePageGauges, ::testing::ValuesIn(everyPage()),
                         [](const auto& info) {
                             const PageCase& c = info.param;
                             return std::string(c.module == Module::Cluster ? "Cluster"
                                                                            : "Engine") +
                                    (c.diesel ? "Diesel" : "Petrol") + std::to_string(c.model);
                         });

}  // namespace
}  // namespace tvx::ui
