#include "ui/records_dialog.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QShortcut>
#include <QSplitter>
#include <QStandardPaths>
#include <QVBoxLayout>

#if TVX_HAVE_PRINT
#include <QPrintDialog>
#include <QPrinter>
#endif

#include "chart/recording_chart.h"
#include "keeper/report_catalogue.h"
#include "record/record.h"
#include "record/report.h"
#include "record/report_pdf.h"
#include "record/workshop_name.h"
#include "ui/bilingual_qstring.h"
#include "ui/records_style.h"
#include "ui/tester_style.h"

namespace tvx::ui {
namespace {

enum Key {
    Title,
    Filter,
    Demo,
    Date,
    Vehicle,
    Vin,
    Plate,
    CodesFound,
    Cleared,
    InjectorWork,
    Recordings,
    Workshop,
    Address,
    Phone,
    SavePdf,
    Print,
    ExportCsv,
    NoRecord,
    Saved,
    NotSaved,
    ReportIn,
    Customer,
    Odometer,
    Findings,
    Recommendation,
    SaveNotes,
    NotesSaved,
    Coded,
    Read,
    Exported,
    Notes,
    Close,
    Newest,
    Printed,
    PlateField,
};

// clang-format off
constexpr BilingualText kTexts[] = {
    {"Workshop record", "Servis kayıtları"},
    {"&Search (VIN, plate or vehicle):", "&Ara (şasi no, plaka veya araç):"},
    {"de&monstrations", "&gösterimler"},
    {"Date", "Tarih"},
    {"Vehicle", "Araç"},
    {"VIN", "Şasi no"},
    {"Plate", "Plaka"},
    {"Codes found", "Bulunan arıza"},
    {"Cleared", "Silme"},
    {"Injector work", "Enjektör işi"},
    {"Recordings", "Kayıtlar"},
    {"&Workshop:", "&Servis:"},
    {"&Address:", "Adr&es:"},
    {"P&hone:", "Tele&fon:"},
    {"Save as P&DF…", "P&DF olarak kaydet…"},
    {"&Print…", "&Yazdır…"},
    {"&Export CSV…", "CS&V dışa aktar…"},
    {"No workshop record in this data directory yet.", "Bu veri klasöründe henüz kayıt yok."},
    {"The report is saved as %1", "Rapor kaydedildi: %1"},
    {"Cannot write %1", "Yazılamadı: %1"},
    {"Report &in:", "Rapor d&ili:"},
    {"C&ustomer:", "&Müşteri:"},
    {"&Odometer (km):", "&Kilometre:"},
    {"&Findings:", "&Tespitler:"},
    {"&Recommendation:", "Ö&neriler:"},
    {"Save no&tes", "N&otları kaydet"},
    {"The notes of visit %1 are saved.", "%1 numaralı ziyaretin notları kaydedildi."},
    {"%1 coded", "%1 kodlandı"},
    {"read", "okundu"},
    {"The list is saved as %1", "Liste kaydedildi: %1"},
    {"Notes of the visit", "Ziyaret notları"},
    {"&Close", "Ka&pat"},
    {"The newest %1 visits are listed; search to find older ones.", "En yeni %1 ziyaret listelendi; eskiler için arayın."},
    {"The report went to the printer %1", "Rapor yazıcıya gönderildi: %1"},
    {"P&late:", "P&laka:"},
};
// clang-format on

constexpr int kListLimit = 1000;

QString qstr(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::unique_ptr<record::Record> openRecord(const std::filesystem::path& dataDirectory, bool write,
                                           std::string& problem) {
    const auto path = dataDirectory / record::Record::kFileName;
    if (!std::filesystem::exists(path)) {
        return nullptr;
    }
    record::Record::Options options;
    options.mode = write ? record::Database::Mode::ReadWrite : record::Database::Mode::ReadOnly;
    auto opened = record::Record::open(path, options);
    problem = opened.problem;
    return std::move(opened.record);
}

// A CSV field: quoted when it holds a separator, a quote or a line end.
QString csvField(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n'))) {
        return text;
    }
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

}  // namespace

RecordsDialog::RecordsDialog(std::filesystem::path dataDirectory, char languageCode,
                             QWidget* parent)
    : QDialog(parent), m_dataDirectory(std::move(dataDirectory)), m_language(languageCode) {
    setObjectName(QStringLiteral("recordsDialog"));
    setStyleSheet(testerStyleSheet() + recordsStyleSheet());
    resize(1100, 720);
    buildControls();
    applyLanguage();
    reload();
}

QString RecordsDialog::text(int key) const {
    return qtext(kTexts[key], m_language);
}

void RecordsDialog::buildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* filterLabel = new QLabel(this);
    filterLabel->setObjectName(QStringLiteral("filterLabel"));
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("visitFilter"));
    m_filter->setClearButtonEnabled(true);
    filterLabel->setBuddy(m_filter);
    m_demo = new QCheckBox(this);
    m_demo->setObjectName(QStringLiteral("demoVisits"));
    top->addWidget(filterLabel);
    top->addWidget(m_filter, 1);
    top->addWidget(m_demo);
    layout->addLayout(top);

    m_list = new QTableWidget(0, 8, this);
    m_list->setObjectName(QStringLiteral("visitList"));
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setAlternatingRowColors(true);
    m_list->setTabKeyNavigation(false);  // Tab leaves the list, the arrows move in it
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setStretchLastSection(true);
    // Column widths from the first rows, not from every one of a thousand.
    m_list->horizontalHeader()->setResizeContentsPrecision(50);

    m_details = new QTextBrowser(this);
    m_details->setObjectName(QStringLiteral("visitDetails"));
    auto* lower = new QWidget(this);
    auto* lowerLayout = new QHBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->addWidget(m_details, 3);
    auto* side = new QVBoxLayout;
    side->addLayout(buildNotes());
    side->addLayout(buildWorkshop());
    lowerLayout->addLayout(side, 2);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(m_list);
    splitter->addWidget(lower);
    splitter->setStretchFactor(1, 3);
    layout->addWidget(splitter, 1);

    m_statusLine = new QLabel(this);
    m_statusLine->setObjectName(QStringLiteral("recordsStatus"));
    m_statusLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_statusLine->setWordWrap(true);
    layout->addWidget(m_statusLine);
    layout->addLayout(buildButtons());

    connect(m_filter, &QLineEdit::textChanged, this, [this] { reload(); });
    connect(m_demo, &QCheckBox::toggled, this, [this] { reload(); });
    connect(m_list, &QTableWidget::itemSelectionChanged, this, [this] { showSelected(); });
    // Enter on a visit (or a double click) takes the keyboard to its report.
    connect(m_list, &QTableWidget::itemActivated, this, [this] { m_details->setFocus(); });
    connect(m_reportLanguage, &QComboBox::currentIndexChanged, this, [this] {
        if (m_shown) {
            showVisit(*m_shown);
        }
    });
    new QShortcut(QKeySequence::Find, this, [this] { m_filter->setFocus(); });
    new QShortcut(QKeySequence::Save, this, [this] { askAndSavePdf(); });
    new QShortcut(QKeySequence::Print, this, [this] { print(); });
    setTabOrder(m_filter, m_demo);
    setTabOrder(m_demo, m_list);
    setTabOrder(m_list, m_details);
}

QLabel* RecordsDialog::buddyLabel(QWidget* field) {
    auto* label = new QLabel(this);
    label->setObjectName(field->objectName() + QStringLiteral("Label"));
    label->setBuddy(field);
    return label;
}

QLayout* RecordsDialog::buildNotes() {
    auto* form = new QFormLayout;
    const auto line = [this, form](QLineEdit*& edit, const char* name) {
        edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(name));
        form->addRow(buddyLabel(edit), edit);
    };
    const auto block = [this, form](QPlainTextEdit*& edit, const char* name) {
        edit = new QPlainTextEdit(this);
        edit->setObjectName(QLatin1String(name));
        edit->setTabChangesFocus(true);
        edit->setMaximumHeight(70);
        form->addRow(buddyLabel(edit), edit);
    };
    line(m_plate, "notePlate");
    line(m_customer, "noteCustomer");
    line(m_odometer, "noteOdometer");
    m_odometer->setValidator(new QIntValidator(0, 9999999, m_odometer));
    block(m_findings, "noteFindings");
    block(m_recommendation, "noteRecommendation");
    m_saveNotes = new QPushButton(this);
    m_saveNotes->setObjectName(QStringLiteral("saveNotes"));
    form->addRow(QString(), m_saveNotes);
    connect(m_saveNotes, &QPushButton::clicked, this, [this] { saveNotes(); });
    return form;
}

QLayout* RecordsDialog::buildWorkshop() {
    const record::Workshop workshop = record::readWorkshop(m_dataDirectory);
    auto* form = new QFormLayout;
    const auto field = [this, form](QLineEdit*& edit, const char* name, const std::string& value) {
        edit = new QLineEdit(qstr(value), this);
        edit->setObjectName(QLatin1String(name));
        form->addRow(buddyLabel(edit), edit);
        connect(edit, &QLineEdit::editingFinished, this, [this] { saveWorkshop(); });
    };
    field(m_workshop, "workshopName", workshop.name);
    field(m_address, "workshopAddress", workshop.address);
    field(m_phone, "workshopPhone", workshop.phone);
    return form;
}

QLayout* RecordsDialog::buildButtons() {
    auto* bottom = new QHBoxLayout;
    auto* languageLabel = new QLabel(this);
    languageLabel->setObjectName(QStringLiteral("languageLabel"));
    m_reportLanguage = new QComboBox(this);
    m_reportLanguage->setObjectName(QStringLiteral("reportLanguage"));
    m_reportLanguage->addItems({QStringLiteral("English"), QStringLiteral("Türkçe")});
    m_reportLanguage->setCurrentIndex(m_language == '2' ? 1 : 0);
    languageLabel->setBuddy(m_reportLanguage);
    const auto button = [this](QPushButton*& made, const char* name) {
        made = new QPushButton(this);
        made->setObjectName(QLatin1String(name));
        made->setAutoDefault(false);
        return made;
    };
    QPushButton* close = nullptr;
    bottom->addWidget(languageLabel);
    bottom->addWidget(m_reportLanguage);
    bottom->addStretch(1);
    bottom->addWidget(button(m_savePdf, "savePdf"));
    bottom->addWidget(button(m_print, "printReport"));
    bottom->addWidget(button(m_exportCsv, "exportCsv"));
    bottom->addWidget(button(close, "closeRecords"));
    connect(m_savePdf, &QPushButton::clicked, this, [this] { askAndSavePdf(); });
    connect(m_print, &QPushButton::clicked, this, [this] { print(); });
    connect(m_exportCsv, &QPushButton::clicked, this, [this] { askAndExportCsv(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
#if !TVX_HAVE_PRINT
    m_print->hide();  // this build has no print support
#endif
    return bottom;
}

void RecordsDialog::applyLanguage() {
    setWindowTitle(text(Title));
    findChild<QLabel*>(QStringLiteral("filterLabel"))->setText(text(Filter));
    findChild<QLabel*>(QStringLiteral("languageLabel"))->setText(text(ReportIn));
    const std::pair<QWidget*, Key> labelled[] = {
        {m_plate, Plate},       {m_customer, Customer}, {m_odometer, Odometer},
        {m_findings, Findings}, {m_workshop, Workshop}, {m_recommendation, Recommendation},
        {m_address, Address},   {m_phone, Phone}};
    for (const auto& [field, key] : labelled) {
        findChild<QLabel*>(field->objectName() + QStringLiteral("Label"))
            ->setText(key == Plate ? text(PlateField) : text(key));
    }
    m_demo->setText(text(Demo));
    m_saveNotes->setText(text(SaveNotes));
    m_savePdf->setText(text(SavePdf));
    m_print->setText(text(Print));
    m_exportCsv->setText(text(ExportCsv));
    findChild<QPushButton*>(QStringLiteral("closeRecords"))->setText(text(Close));
    m_list->setHorizontalHeaderLabels({text(Date), text(Vehicle), text(Vin), text(Plate),
                                       text(CodesFound), text(Cleared), text(InjectorWork),
                                       text(Recordings)});
}

void RecordsDialog::setStatus(const QString& text) {
    m_status = text;
    m_statusLine->setText(text);
}

void RecordsDialog::reload() {
    std::string problem;
    auto record = openRecord(m_dataDirectory, false, problem);
    const QSignalBlocker quiet(m_list);
    m_list->setRowCount(0);
    if (!record) {
        setStatus(problem.empty() ? text(NoRecord) : qstr(problem));
        m_details->setPlainText(m_status);
        for (QPushButton* button : {m_savePdf, m_print, m_exportCsv, m_saveNotes}) {
            button->setEnabled(false);
        }
        return;
    }
    try {
        const auto visits = record->visits(
            {m_filter->text().trimmed().toStdString(), m_demo->isChecked(), kListLimit});
        const auto language =
            m_language == '2' ? record::ReportLanguage::Turkish : record::ReportLanguage::English;
        m_list->setRowCount(static_cast<int>(visits.size()));
        int row = 0;
        for (const record::VisitSummary& v : visits) {
            const QString injector = v.programmingRuns > 0
                                         ? text(Coded).arg(v.programmingRuns)
                                         : (v.injectorReads > 0 ? text(Read) : QString());
            const QString cells[] = {
                qstr(record::localTime(v.startedAt, language)),
                // A visit at another bay of the workshop, marked with it.
                v.bay.empty() ? qstr(v.vehicle) : qstr(v.vehicle + "  [" + v.bay + "]"),
                qstr(v.vin.value_or("")), qstr(v.plate), QString::number(v.codesRead),
                v.clears > 0 ? QString::number(v.clears) : QString(), injector,
                v.recordings > 0 ? QString::number(v.recordings) : QString()};
            for (int column = 0; column < 8; ++column) {
                auto* item = new QTableWidgetItem(cells[column]);
                item->setData(Qt::UserRole, QVariant::fromValue<qlonglong>(v.id));
                if (column >= 4) {
                    item->setTextAlignment(Qt::AlignCenter);
                }
                m_list->setItem(row, column, item);
            }
            if (m_shown && *m_shown == v.id) {
                m_list->selectRow(row);
            }
            ++row;
        }
        setStatus(visits.size() == kListLimit ? text(Newest).arg(kListLimit) : QString());
    } catch (const record::DbError& error) {
        setStatus(qstr(record::Record::plainProblem(error)));
        m_details->setPlainText(m_status);
    }
    m_list->resizeColumnsToContents();
    if (m_list->selectedItems().isEmpty() && m_list->rowCount() > 0) {
        m_list->selectRow(0);
        showSelected();
    }
    m_exportCsv->setEnabled(m_list->rowCount() > 0);
    for (QPushButton* button : {m_savePdf, m_print, m_saveNotes}) {
        button->setEnabled(m_shown.has_value());
    }
}

void RecordsDialog::showSelected() {
    const auto selected = m_list->selectedItems();
    if (!selected.isEmpty()) {
        showVisit(selected.front()->data(Qt::UserRole).toLongLong());
    }
}

void RecordsDialog::showVisit(long long visit) {
    std::string problem;
    auto record = openRecord(m_dataDirectory, false, problem);
    if (!record) {
        setStatus(qstr(problem));
        return;
    }
    try {
        auto report = record::buildReport(*record, visit, record::readWorkshop(m_dataDirectory),
                                          session::catalogueDescriber(m_dataDirectory));
        if (!report) {
            return;
        }
        const auto language = m_reportLanguage->currentIndex() == 1
                                  ? record::ReportLanguage::Turkish
                                  : record::ReportLanguage::English;
        chart::addRecordingCharts(*report, *record, language);
        m_html = qstr(record::reportHtml(*report, language));
        m_details->setHtml(m_html);
        m_shown = visit;
        const record::VisitSummary& summary = report->visit.summary;
        QString who = qstr(report->visit.notes.plate).remove(QLatin1Char(' '));
        if (who.isEmpty()) {
            who = summary.vin ? qstr(*summary.vin) : text(Title) + QString::number(visit);
        }
        m_shownName = qstr(record::localTime(summary.startedAt, record::ReportLanguage::English)
                               .substr(0, 10)) +
                      QLatin1Char(' ') + who + QStringLiteral(".pdf");
        const QSignalBlocker quietPlate(m_plate);
        m_plate->setText(qstr(report->visit.notes.plate));
        m_customer->setText(qstr(report->visit.notes.customer));
        m_odometer->setText(report->visit.notes.odometerKm
                                ? QString::number(*report->visit.notes.odometerKm)
                                : QString());
        m_findings->setPlainText(qstr(report->visit.notes.findings));
        m_recommendation->setPlainText(qstr(report->visit.notes.recommendation));
        for (QPushButton* button : {m_savePdf, m_print, m_saveNotes}) {
            button->setEnabled(true);
        }
    } catch (const record::DbError& error) {
        setStatus(qstr(record::Record::plainProblem(error)));
    }
}

bool RecordsDialog::saveNotes() {
    if (!m_shown) {
        return false;
    }
    std::string problem;
    auto record = openRecord(m_dataDirectory, true, problem);
    if (!record) {
        setStatus(qstr(problem));
        return false;
    }
    record::VisitNotes notes;
    notes.plate = m_plate->text().trimmed().toStdString();
    notes.customer = m_customer->text().trimmed().toStdString();
    bool number = false;
    const qlonglong km = m_odometer->text().toLongLong(&number);
    if (number) {
        notes.odometerKm = km;
    }
    notes.findings = m_findings->toPlainText().trimmed().toStdString();
    notes.recommendation = m_recommendation->toPlainText().trimmed().toStdString();
    try {
        record->setVisitNotes(*m_shown, notes);
    } catch (const record::DbError& error) {
        setStatus(qstr(record::Record::plainProblem(error)));
        return false;
    }
    record.reset();
    const long long visit = *m_shown;
    reload();
    showVisit(visit);
    setStatus(text(NotesSaved).arg(visit));
    return true;
}

void RecordsDialog::saveWorkshop() {
    record::Workshop workshop = record::readWorkshop(m_dataDirectory);
    workshop.name = m_workshop->text().trimmed().toStdString();
    workshop.address = m_address->text().trimmed().toStdString();
    workshop.phone = m_phone->text().trimmed().toStdString();
    if (!record::writeWorkshop(m_dataDirectory, workshop)) {
        setStatus(text(NotSaved).arg(qstr((m_dataDirectory / record::kWorkshopFileName).string())));
    }
    if (m_shown) {
        showVisit(*m_shown);
    }
}

bool RecordsDialog::savePdf(const QString& path) {
    if (!m_shown) {
        return false;
    }
    const std::string problem =
        record::writeReportPdf(m_html.toStdString(), std::filesystem::path(path.toStdWString()),
                               text(Title).toStdString());
    setStatus(problem.empty() ? text(Saved).arg(QDir::toNativeSeparators(path))
                              : text(NotSaved).arg(QDir::toNativeSeparators(path)));
    return problem.empty();
}

bool RecordsDialog::exportCsv(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        setStatus(text(NotSaved).arg(QDir::toNativeSeparators(path)));
        return false;
    }
    QStringList lines;
    QStringList header;
    for (int column = 0; column < m_list->columnCount(); ++column) {
        header << csvField(m_list->horizontalHeaderItem(column)->text());
    }
    lines << header.join(QLatin1Char(','));
    for (int row = 0; row < m_list->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < m_list->columnCount(); ++column) {
            cells << csvField(m_list->item(row, column)->text());
        }
        lines << cells.join(QLatin1Char(','));
    }
    const QByteArray bytes = (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
    const bool ok = file.write(bytes) == bytes.size() && file.flush();
    file.close();
    setStatus(ok ? text(Exported).arg(QDir::toNativeSeparators(path))
                 : text(NotSaved).arg(QDir::toNativeSeparators(path)));
    return ok;
}

QString RecordsDialog::suggestedPdfName() const {
    return m_shownName;
}

QString RecordsDialog::suggestedCsvName() const {
    return (m_language == '2' ? QStringLiteral("ziyaretler ") : QStringLiteral("visits ")) +
           QDate::currentDate().toString(Qt::ISODate) + QStringLiteral(".csv");
}

QString RecordsDialog::suggestedPath(const QString& name) const {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        folder = QString::fromStdWString(m_dataDirectory.wstring());
    }
    return QDir(folder).filePath(name);
}

void RecordsDialog::askAndSavePdf() {
    if (!m_shown) {
        return;
    }
    const QString path = QFileDialog::getSaveFileName(this, text(SavePdf).remove(QLatin1Char('&')),
                                                      suggestedPath(suggestedPdfName()),
                                                      QStringLiteral("PDF (*.pdf)"));
    if (!path.isEmpty()) {
        savePdf(path);
    }
}

void RecordsDialog::askAndExportCsv() {
    const QString path = QFileDialog::getSaveFileName(
        this, text(ExportCsv).remove(QLatin1Char('&')), suggestedPath(suggestedCsvName()),
        QStringLiteral("CSV (*.csv)"));
    if (!path.isEmpty()) {
        exportCsv(path);
    }
}

void RecordsDialog::print() {
#if TVX_HAVE_PRINT
    if (!m_shown) {
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setDocName(m_shownName);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted) {
        record::paintReport(m_html, printer);
        setStatus(text(Printed).arg(printer.printerName()));
    }
#endif
}

}  // namespace tvx::ui
