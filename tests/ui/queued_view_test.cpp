// The session's calls cross from its worker thread to the GUI thread.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <random>
#include <thread>

#include "common/recording_view.h"
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

TEST(QueuedView, AWaitingValueIsReplacedSoAFastPollNeverFloods) {
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

// The work-area frames that are shown, the one on top first.
std::vector<std::string> shownFramesTopFirst(const TForm1& form) {
    std::vector<std::string> shown;
    const QWidget* area = test::named<QWidget>(form, "Frame21")->parentWidget();
    const QObjectList& stack = area->children();  // raise() moves a frame to the end
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        auto* frame = qobject_cast<QWidget*>(*it);
        if (frame && TForm1::frameNames().contains(frame->objectName()) && !frame->isHidden())
            shown.push_back(frame->objectName().toStdString());
    }
    return shown;
}

struct FrameCall {
    const char* frame;
    bool visible;
};

// The same calls, once through the queue and once straight onto a window.
void expectSameFramesAsDirect(const std::vector<std::vector<FrameCall>>& batches) {
    TForm1 direct{QString()};
    FormView directView(direct);
    TForm1 queuedForm{QString()};
    FormView queuedTarget(queuedForm);
    QueuedView queued(queuedTarget);
    for (const auto& batch : batches) {
        for (const FrameCall& call : batch) {
            directView.setPanelVisible(call.frame, call.visible);
            queued.setPanelVisible(call.frame, call.visible);
        }
        queued.flush();
        ASSERT_EQ(shownFramesTopFirst(queuedForm), shownFramesTopFirst(direct));
    }
}

TEST(QueuedView, AFrameShownAgainAfterAnotherEndsOnTop) {
    expectSameFramesAsDirect({{{"Frame61", true}, {"Frame71", true}, {"Frame61", true}}});
    expectSameFramesAsDirect({{{"Frame111", true},
                               {"Frame131", true},
                               {"Frame111", false},
                               {"Frame91", true},
                               {"Frame111", true}}});
}

// Any mix of frames shown and hidden, in batches of any size, ends as applied one by one;
// and however long a batch, only one call per frame waits.
TEST(QueuedView, FramesEndInTheSessionsOrderWhateverIsMerged) {
    std::mt19937 random(20240611);  // fixed: the same sequence every run
    const QStringList& frames = TForm1::frameNames();
    std::vector<std::vector<FrameCall>> batches;
    std::vector<QByteArray> names;
    for (const QString& frame : frames)
        names.push_back(frame.toLatin1());
    for (int b = 0; b < 40; ++b) {
        std::vector<FrameCall> batch;
        const int size = 1 + static_cast<int>(random() % 60);
        for (int i = 0; i < size; ++i)
            batch.push_back({names[random() % names.size()].constData(), random() % 3 != 0});
        batches.push_back(batch);
    }
    expectSameFramesAsDirect(batches);

    session::RecordingView target;
    QueuedView queued(target);
    for (const std::vector<FrameCall>& batch : batches)
        for (const FrameCall& call : batch)
            queued.setPanelVisible(call.frame, call.visible);
    EXPECT_EQ(queued.pending(), static_cast<std::size_t>(frames.size()));
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
