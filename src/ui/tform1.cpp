#include "ui/tform1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include "ui/gauge_pages.h"
#include "ui/radio_group.h"
#include "ui/tester_style.h"
#include "ui/work_frames.h"
#include "widgets/dot_matrix.h"

namespace tvx::ui {
namespace {

// Window geometry in logical pixels (Qt scales them on high-resolution screens). The work
// area is wide enough for the injector codes' 16-digit lines with room between their dots.
constexpr int kWindowWidth = 900;
constexpr int kWindowHeight = 448;
constexpr int kLeft = 12;
constexpr int kRight = 128;  // left edge of everything right of the module column
constexpr QRect kWorkArea{kRight, 184, kWindowWidth - 12 - kRight, 252};
constexpr QRect kDisplay{kRight, 12, 357, 120};
// The keypad fills the space right of the display.
constexpr int kKeyWidth = (kWindowWidth - 12 - (kDisplay.right() + 1) - 2 * 12) / 2;

constexpr std::array kModuleCaptions{"PCM", "TCM", "ABS", "AirBag", "Cluster", "ICU"};

// The chart, recording and replay grow the window downwards, under the work area: its bar
// (always), the replay's bar (while a recording plays back), a note, and the chart beside the
// gauges. Everything above keeps its place; the chart takes what is left of kMostHeight.
constexpr int kTrendBarHeight = 40;
constexpr int kFootMargin = 8;
constexpr int kNoteLines = 8;  // a longer note is cut there; its tooltip holds it all

}  // namespace

const QStringList& TForm1::moduleButtonNames() {
    static const QStringList names{"pcm", "tcm", "abs", "ab", "cp", "ICU", "sahte"};
    return names;
}

const QStringList& TForm1::frameNames() {
    static const QStringList names{"Frame21",  "Frame31",  "Frame41", "Frame61",
                                   "Frame71",  "Frame81",  "Frame91", "Frame101",
                                   "Frame111", "Frame121", "Frame131"};
    return names;
}

TForm1::TForm1(const QString& picturePath, QWidget* parent) : QWidget(parent), m_modules(this) {
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QStringLiteral(" Tarvolinex v2.03"));
    setStyleSheet(testerStyleSheet());
    setAttribute(Qt::WA_StyledBackground);
    setFixedSize(kWindowWidth, kWindowHeight);
    setFocusPolicy(Qt::StrongFocus);

    buildModuleColumn();
    buildKeypad();
    buildDisplay();
    buildWorkArea(picturePath);
    buildRecordControls();
    m_trend = buildTrendArea(this);
    buildNote();
    layOutTrend({});

    connect(button("EXIT"), &QPushButton::clicked, this, &QWidget::close);
    connect(findChild<QPushButton*>(QStringLiteral("syncSettings")), &QPushButton::clicked, this,
            &TForm1::syncSettingsWanted);
}

// Above EXIT, where the module column ends: the workshop record's button, and a line that
// says when the record is not kept. Neither covers a control of the form.
void TForm1::buildRecordControls() {
    auto* records = addButton("records", "records", {kLeft, kWindowHeight - 12 - 38 - 46, 100, 38});
    records->setProperty("exitKey", true);
    connect(records, &QPushButton::clicked, this, &TForm1::recordsWanted);
    auto* notice = new QLabel(this);
    notice->setObjectName(QStringLiteral("recordNotice"));
    notice->setProperty("recordNotice", true);
    notice->setWordWrap(true);
    notice->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    notice->setGeometry(kLeft, 12 + 6 * 44 - 4, 100,
                        kWindowHeight - 12 - 38 - 46 - 4 - (12 + 6 * 44 - 4));
    notice->hide();
}

// Below the bars: what the window has to tell at length (the doctor's diagnosis, the adapter's
// latency), wrapped, and selectable so that a command in it can be copied.
void TForm1::buildNote() {
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("windowNote"));
    m_note->setProperty("windowNote", true);
    m_note->setWordWrap(true);
    m_note->setTextFormat(Qt::PlainText);
    m_note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_note->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_note->hide();
}

void TForm1::showRecordNotice(const QString& text) {
    auto* notice = findChild<QLabel*>(QStringLiteral("recordNotice"));
    notice->setText(text);
    notice->setToolTip(text);
    notice->setVisible(!text.isEmpty());
}

void TForm1::layOutTrend(const TrendLayout& layout) {
    m_layout = layout;
    const int width = kWorkArea.width();
    const bool noteShown = !m_note->text().isEmpty();
    const int noteHeight = noteShown ? std::min(m_note->heightForWidth(width),
                                                kNoteLines * m_note->fontMetrics().lineSpacing()) +
                                           8
                                     : 0;
    const int barsHeight =
        kTrendBarHeight - 4 + (layout.replayBar ? kTrendBarHeight : 0) + noteHeight;
    // Chart only: the chart where the work area is and down to the bars at the window's foot.
    const bool chartFills = layout.chartOverWorkArea && !layout.chartBelow;
    int bottom = chartFills ? kMostHeight - kFootMargin - barsHeight : kWindowHeight;
    if (chartFills)
        m_trend.chartArea->setGeometry(kRight, kWorkArea.top(), width,
                                       bottom - 4 - kWorkArea.top());
    m_trend.bar->setGeometry(kRight, bottom - 4, width, kTrendBarHeight);
    m_trend.bar->show();
    bottom += kTrendBarHeight - 4;
    m_trend.replayBar->setVisible(layout.replayBar);
    if (layout.replayBar) {
        m_trend.replayBar->setGeometry(kRight, bottom, width, kTrendBarHeight);
        bottom += kTrendBarHeight;
    }
    m_note->setVisible(noteShown);
    if (noteShown) {
        m_note->setGeometry(kRight, bottom + 4, width, noteHeight - 4);
        bottom += noteHeight;
    }
    if (layout.chartBelow) {
        const int top = bottom + 4;
        bottom = kMostHeight - kFootMargin;
        m_trend.chartArea->setGeometry(kRight, top, width, bottom - top);
    }
    const bool chart = layout.chartBelow || layout.chartOverWorkArea;
    m_trend.chartArea->setVisible(chart);
    if (chart)
        m_trend.chartArea->raise();
    m_workArea->setVisible(!chartFills);
    setFixedSize(kWindowWidth, bottom + kFootMargin);
}

void TForm1::showNote(const QString& text) {
    if (text == m_note->text())
        return;
    m_note->setText(text);
    m_note->setToolTip(text);
    layOutTrend(m_layout);
}

QPushButton* TForm1::addButton(const QString& name, const QString& caption, const QRect& place) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(name);
    button->setFocusPolicy(Qt::NoFocus);
    button->setGeometry(place);
    return button;
}

void TForm1::buildModuleColumn() {
    const QStringList& names = moduleButtonNames();
    for (int i = 0; i < names.size(); ++i) {
        const bool hidden = names[i] == QLatin1String("sahte");
        auto* button = addButton(names[i], hidden ? QString() : kModuleCaptions[i],
                                 {kLeft, 12 + i * 44, 100, 38});
        button->setCheckable(true);
        button->setProperty("moduleKey", true);
        button->setEnabled(false);  // the session enables the modules the car has
        if (hidden)
            button->hide();
        m_modules.addButton(button, i);
    }
    m_modules.setExclusive(true);
    button("sahte")->setChecked(true);
    addButton("EXIT", "exit", {kLeft, kWindowHeight - 12 - 38, 100, 38})
        ->setProperty("exitKey", true);
    // ---- Support file: what happened on the line and on the screens, for a helper.
    addButton("support", "support", {kLeft, 12 + 6 * 44 + 8, 100, 30})
        ->setProperty("supportKey", true);
}

void TForm1::buildKeypad() {
    const int x1 = kWindowWidth - 12 - 2 * kKeyWidth - 12;
    const int x2 = kWindowWidth - 12 - kKeyWidth;
    addButton("OK", "OK", {x1, 12, kKeyWidth, 44})->setProperty("okKey", true);
    addButton("BACK", "back", {x2, 12, kKeyWidth, 44})->setProperty("backKey", true);
    addButton("CANCEL", "cancel", {x1, 64, kKeyWidth, 30})->setEnabled(false);
    addButton("HELP", "Help", {x2, 64, kKeyWidth, 30})->setEnabled(false);
    addButton("DEMO", "DEMO", {x1, 102, kKeyWidth, 30});
    addButton("Setting", "Setting", {x2, 102, kKeyWidth, 30});

    // The function keys appear once a module is chosen.
    const std::array<std::pair<const char*, const char*>, 5> functions{
        {{"live", "Live data"},
         {"rdtc", "Read DTC"},
         {"cdtc", "Clear DTC"},
         {"read_inj", "Read Injector"},
         {"prog_inj", "Prog Injector"}}};
    const int width = (kWorkArea.width() - 4 * 8) / 5;
    for (std::size_t i = 0; i < functions.size(); ++i) {
        auto* key = addButton(functions[i].first, functions[i].second,
                              {kRight + static_cast<int>(i) * (width + 8), 142, width, 32});
        key->setProperty("functionKey", true);
        key->hide();
    }
}

void TForm1::buildDisplay() {
    auto* bezel = new QFrame(this);
    bezel->setObjectName(QStringLiteral("displayBezel"));
    bezel->setGeometry(kDisplay);
    for (int i = 0; i < 4; ++i) {
        auto* line = new widgets::TDotMatrix5x7(bezel);
        line->setObjectName(QStringLiteral("d%1").arg(i + 1));
        line->setNumberOfDigits(24);
        line->setThickness(2);
        line->setHorzSpace(2);
        line->setVertSpace(2);
        line->setColor(kBlack);
        line->setOnColor(kLime);
        line->setOffColor(0x1A1A1Au);  // unlit dots barely visible on the black glass
        line->setValue(QStringLiteral(" "));
        line->setGeometry(18, 16 + i * 22, 321, 20);
        m_lines[i] = line;
    }
}

void TForm1::buildWorkArea(const QString& picturePath) {
    auto* area = new QFrame(this);
    m_workArea = area;
    area->setObjectName(QStringLiteral("workArea"));
    area->setGeometry(kWorkArea);
    const QRect inside(2, 2, kWorkArea.width() - 4, kWorkArea.height() - 4);  // inside the rim

    m_injectors = buildInjectorFrame(area);
    QList<QWidget*> frames{
        buildPictureFrame("Frame21", picturePath, area),
        buildVehicleFrame(area),
        buildSettingsFrame(area),
        new GaugePage(gaugePages()[0], area),  // petrol
        new GaugePage(gaugePages()[1], area),  // diesel
        new GaugePage(gaugePages()[2], area),  // cluster
        m_injectors.frame,
        buildEmptyFrame("Frame101", area),
        buildTroubleCodeFrame(area),
        buildEmptyFrame("Frame121", area),
        buildPictureFrame("Frame131", picturePath, area),
    };
    for (QWidget* frame : frames) {
        frame->setGeometry(inside);
        frame->setProperty("workFrame", true);
        frame->setVisible(frame->objectName() == QLatin1String("Frame21"));
    }
}

QList<QWidget*> TForm1::controlsNamed(const QString& name) const {
    if (name.isEmpty())
        return {};
    return findChildren<QWidget*>(name);
}

QPushButton* TForm1::button(const QString& name) const {
    return findChild<QPushButton*>(name);
}

RadioGroup* TForm1::list(const QString& name) const {
    return findChild<RadioGroup*>(name);
}

widgets::TDotMatrix5x7* TForm1::displayLine(int line) const {
    return line >= 1 && line <= 4 ? m_lines[line - 1] : nullptr;
}

bool TForm1::pressIfUsable(QPushButton* key) {
    if (!key || !key->isEnabled() || key->isHidden())
        return false;
    key->click();
    return true;
}

// Keys reach the window when no control has the focus, and from an edit box, which lets
// Enter and Escape pass.
void TForm1::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: {
            // Enter in an injector's edit box takes that code, as its own OK button would.
            QWidget* focus = QApplication::focusWidget();
            for (std::size_t i = 0; i < m_injectors.edits.size(); ++i)
                if (focus == m_injectors.edits[i]) {
                    pressIfUsable(m_injectors.okButtons[i]);
                    return;
                }
            pressIfUsable(button("OK"));
            return;
        }
        case Qt::Key_Escape:
            pressIfUsable(button("BACK"));
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

void TForm1::closeEvent(QCloseEvent* event) {
    emit closing();
    QWidget::closeEvent(event);
}

}  // namespace tvx::ui
