// The session's calls cross from its worker thread to the GUI thread.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <thread>

#include "session/recording_view.h"
#include "ui/form_view.h"
#include "ui/queued_view.h"
#include "ui/tform1.h"
#include "ui_helpers.h"

namespace tvx::ui {
namespace {

// Records on which thread each call arrived, on top of what it set.
class ThreadCheckingView : public session::RecordingView {
public:
    void setLine(int line, const std::string& text) override {
        onGuiThread = onGuiThread && QThread::currentThread() == qApp->thread();
        RecordingView::setLine(line, text);
    }
    void setGauge(std::string_view name, const std::string& text) override {
        onGuiThread = onGuiThread && QThread::currentThread() == qApp->thread();
        ++gaugeCalls;
        RecordingView::setGauge(name, text);
    }
    bool onGuiThread = true;
    int gaugeCalls = 0;
};

TEST(QueuedView, CallsFromAWorkerArriveOnTheGuiThreadWhenEventsRun) {
    ThreadCheckingView target;
    QueuedView queued(target);
    std::thread worker([&] {
        queued.setLine(1, "      CONNECTING        ");
        queued.setGauge("rpmd", "812");
    });
    worker.join();
    EXPECT_EQ(target.lines[0], "");  // nothing before the GUI thread runs its events
    ASSERT_TRUE(test::waitFor([&] { return queued.pending() == 0; }, 5000));
    EXPECT_EQ(target.lines[0], "      CONNECTING        ");
    EXPECT_EQ(target.gauges["rpmd"], "812");
    EXPECT_TRUE(target.onGuiThread);
}

TEST(QueuedView, AWaitingValueIsReplacedInItsPlace) {
    ThreadCheckingView target;
    QueuedView queued(target);
    for (int i = 0; i < 10000; ++i)
        queued.setGauge("rpmd", std::to_string(i));
    queued.setGauge("dtcd", "3");
    EXPECT_EQ(queued.pending(), 2u);  // a fast poll never floods the window
    queued.flush();
    EXPECT_EQ(target.gaugeCalls, 2);
    EXPECT_EQ(target.gauges["rpmd"], "9999");
    EXPECT_EQ(target.gauges["dtcd"], "3");
}

// Whatever is merged, the window ends each batch as the session left it.
TEST(QueuedView, TheLastWordOnEachAttributeWins) {
    session::RecordingView target;
    QueuedView queued(target);
    queued.setControlVisible("E1", true);
    queued.setControlVisible("E1", false);
    queued.setButtonDown("pcm");
    queued.setButtonDown("sahte");
    queued.setLine(4, "         00:30          ");
    queued.setLine(4, "         00:29          ");
    queued.setDisplayColour(65535);
    queued.setDisplayColour(65280);
    queued.setGridRow(2, "old");
    queued.setGridRow(2, "");
    queued.setListSelection("PG1", 3);
    queued.setListSelection("PG1", -1);
    queued.setControlEnabled("OK", true);
    queued.setControlEnabled("OK", false);
    queued.setCaption("BACK", "back");
    queued.setCaption("BACK", "geri");
    queued.setHint("pcm", "motor beyni");
    queued.setEditText("E1", "abc");
    queued.setPanelColour("Panel1", 255);
    queued.setPanelColour("Panel1", 32768);
    queued.flush();
    EXPECT_FALSE(target.controlVisible["E1"]);
    EXPECT_EQ(target.buttonDown, "sahte");
    EXPECT_EQ(target.lines[3], "         00:29          ");
    EXPECT_EQ(target.colour, 65280u);
    EXPECT_EQ(target.gridRows[2], "");
    EXPECT_EQ(target.listSelection["PG1"], -1);
    EXPECT_FALSE(target.controlEnabled["OK"]);
    EXPECT_EQ(target.captions["BACK"], "geri");
    EXPECT_EQ(target.hints["pcm"], "motor beyni");
    EXPECT_EQ(target.editText["E1"], "abc");
    EXPECT_EQ(target.panelColour["Panel1"], 32768u);
    EXPECT_EQ(queued.pending(), 0u);
}

// Showing a panel and showing a control set the same thing on the window.
TEST(QueuedView, PanelAndControlVisibilityOfOneNameMergeInOrder) {
    TForm1 form{QString()};
    FormView target(form);
    QueuedView queued(target);
    queued.setPanelVisible("Frame61", true);
    queued.setControlVisible("Frame61", false);
    queued.setControlVisible("Frame91", false);
    queued.setPanelVisible("Frame91", true);
    queued.flush();
    EXPECT_TRUE(test::named<QWidget>(form, "Frame61")->isHidden());
    EXPECT_FALSE(test::named<QWidget>(form, "Frame91")->isHidden());
}

TEST(QueuedView, CallsStillWaitingWhenTheViewGoesAreDropped) {
    session::RecordingView target;
    {
        QueuedView queued(target);
        queued.setLine(1, "late");
    }
    QCoreApplication::processEvents();  // the posted flush died with the queued view
    EXPECT_EQ(target.lines[0], "");
}

}  // namespace
}  // namespace tvx::ui
