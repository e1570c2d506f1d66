#include "ui/records_dialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPageLayout>
#include <QPdfWriter>
#include <QTextDocument>
#include <QVBoxLayout>

#include "record/record.h"
#include "record/report.h"
#include "record/workshop_name.h"
#include "session/report_catalogue.h"

namespace tvx::ui {
namespace {

enum Key {
    Title,
    Filter,
    Demo,
    Date,
    Vehicle,
    Vin,
    Codes,
    Visit,
    Workshop,
    SavePdf,
    NoRecord,
    Saved,
    NotSaved,
    ReportIn,
};

struct Text {
    const char* english;
    const char* turkish;
};

// clang-format off
constexpr Text kTexts[] = {
    {"Workshop record", "Servis kayıtları"},
    {"VIN or vehicle:", "Şasi no veya araç:"},
    {"demonstrations", "gösterimler"},
    {"Date", "Tarih"},
    {"Vehicle", "Araç"},
    {"VIN", "Şasi no"},
    {"Codes", "Arıza"},
    {"Visit", "Ziyaret"},
    {"Workshop name:", "Servis adı:"},
    {"Save as PDF", "PDF olarak kaydet"},
    {"No workshop record in this data directory yet.", "Bu veri klasöründe henüz kayıt yok."},
    {"Saved: ", "Kaydedildi: "},
    {"Cannot write ", "Yazılamadı: "},
    {"Report in:", "Rapor dili:"},
};
// clang-format on

QString qstr(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

RecordsDialog::RecordsDialog(std::filesystem::path dataDirectory, char languageCode,
                             QWidget* parent)
    : QDialog(parent), m_dataDirectory(std::move(dataDirectory)), m_language(languageCode) {
    setObjectName(QStringLiteral("recordsDialog"));
    resize(900, 600);
    buildControls();
    applyLanguage();
    reload();
}

QString RecordsDialog::text(int key) const {
    return QString::fromUtf8(m_language == '2' ? kTexts[key].turkish : kTexts[key].english);
}

void RecordsDialog::buildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* filterLabel = new QLabel(this);
    filterLabel->setObjectName(QStringLiteral("filterLabel"));
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("visitFilter"));
    m_demo = new QCheckBox(this);
    m_demo->setObjectName(QStringLiteral("demoVisits"));
    top->addWidget(filterLabel);
    top->addWidget(m_filter, 1);
    top->addWidget(m_demo);
    layout->addLayout(top);

    m_list = new QTableWidget(0, 5, this);
    m_list->setObjectName(QStringLiteral("visitList"));
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->setMaximumHeight(180);
    layout->addWidget(m_list);

    m_details = new QTextBrowser(this);
    m_details->setObjectName(QStringLiteral("visitDetails"));
    layout->addWidget(m_details, 1);

    auto* bottom = new QHBoxLayout;
    auto* workshopLabel = new QLabel(this);
    workshopLabel->setObjectName(QStringLiteral("workshopLabel"));
    m_workshop = new QLineEdit(qstr(record::readWorkshopName(m_dataDirectory)), this);
    m_workshop->setObjectName(QStringLiteral("workshopName"));
    auto* languageLabel = new QLabel(this);
    languageLabel->setObjectName(QStringLiteral("languageLabel"));
    m_reportLanguage = new QComboBox(this);
    m_reportLanguage->setObjectName(QStringLiteral("reportLanguage"));
    m_reportLanguage->addItems({QStringLiteral("English"), QStringLiteral("Türkçe")});
    m_reportLanguage->setCurrentIndex(m_language == '2' ? 1 : 0);
    m_savePdf = new QPushButton(this);
    m_savePdf->setObjectName(QStringLiteral("savePdf"));
    bottom->addWidget(workshopLabel);
    bottom->addWidget(m_workshop, 1);
    bottom->addWidget(languageLabel);
    bottom->addWidget(m_reportLanguage);
    bottom->addWidget(m_savePdf);
    layout->addLayout(bottom);

    connect(m_filter, &QLineEdit::textChanged, this, [this] { reload(); });
    connect(m_demo, &QCheckBox::toggled, this, [this] { reload(); });
    connect(m_list, &QTableWidget::itemSelectionChanged, this, [this] { showSelected(); });
    connect(m_reportLanguage, &QComboBox::currentIndexChanged, this, [this] {
        if (m_shown) {
            showVisit(*m_shown);
        }
    });
    connect(m_workshop, &QLineEdit::editingFinished, this, [this] {
        record::writeWorkshopName(m_dataDirectory, m_workshop->text().toStdString());
        if (m_shown) {
            showVisit(*m_shown);
        }
    });
    connect(m_savePdf, &QPushButton::clicked, this, [this] { askAndSavePdf(); });
}

void RecordsDialog::applyLanguage() {
    setWindowTitle(text(Title));
    findChild<QLabel*>(QStringLiteral("filterLabel"))->setText(text(Filter));
    findChild<QLabel*>(QStringLiteral("workshopLabel"))->setText(text(Workshop));
    findChild<QLabel*>(QStringLiteral("languageLabel"))->setText(text(ReportIn));
    m_demo->setText(text(Demo));
    m_savePdf->setText(text(SavePdf));
    m_list->setHorizontalHeaderLabels(
        {text(Date), text(Vehicle), text(Vin), text(Codes), text(Visit)});
}

void RecordsDialog::reload() {
    const auto path = m_dataDirectory / record::Record::kFileName;
    record::Record::Options options;
    options.mode = record::Database::Mode::ReadOnly;
    auto opened = std::filesystem::exists(path) ? record::Record::open(path, options)
                                                : record::Record::Opened{};
    const QSignalBlocker quiet(m_list);
    m_list->setRowCount(0);
    if (!opened.record) {
        m_status = opened.problem.empty() ? text(NoRecord) : qstr(opened.problem);
        m_details->setPlainText(m_status);
        m_savePdf->setEnabled(false);
        return;
    }
    try {
        const auto visits = opened.record->visits(
            {m_filter->text().trimmed().toStdString(), m_demo->isChecked(), 1000});
        const auto language =
            m_language == '2' ? record::ReportLanguage::Turkish : record::ReportLanguage::English;
        for (const record::VisitSummary& v : visits) {
            const int row = m_list->rowCount();
            m_list->insertRow(row);
            const QStringList cells{qstr(record::localTime(v.startedAt, language)), qstr(v.vehicle),
                                    qstr(v.vin.value_or("-")), QString::number(v.codesRead),
                                    QString::number(v.id)};
            for (int column = 0; column < cells.size(); ++column) {
                auto* item = new QTableWidgetItem(cells[column]);
                item->setData(Qt::UserRole, QVariant::fromValue<qlonglong>(v.id));
                m_list->setItem(row, column, item);
            }
            if (m_shown && *m_shown == v.id) {
                m_list->selectRow(row);
            }
        }
    } catch (const record::DbError& error) {
        m_status = qstr(record::Record::plainProblem(error));
        m_details->setPlainText(m_status);
    }
    m_list->resizeColumnsToContents();
    if (m_list->selectedItems().isEmpty() && m_list->rowCount() > 0) {
        m_list->selectRow(0);
        showSelected();
    }
    m_savePdf->setEnabled(m_shown.has_value());
}

void RecordsDialog::showSelected() {
    const auto selected = m_list->selectedItems();
    if (!selected.isEmpty()) {
        showVisit(selected.front()->data(Qt::UserRole).toLongLong());
    }
}

void RecordsDialog::showVisit(long long visit) {
    const auto path = m_dataDirectory / record::Record::kFileName;
    record::Record::Options options;
    options.mode = record::Database::Mode::ReadOnly;
    auto opened = record::Record::open(path, options);
    if (!opened.record) {
        m_status = qstr(opened.problem);
        return;
    }
    try {
        const auto report =
            record::buildReport(*opened.record, visit, record::readWorkshop(m_dataDirectory),
                                session::catalogueDescriber(m_dataDirectory));
        if (!report) {
            return;
        }
        const auto language = m_reportLanguage->currentIndex() == 1
                                  ? record::ReportLanguage::Turkish
                                  : record::ReportLanguage::English;
        m_html = qstr(record::reportHtml(*report, language));
        m_details->setHtml(m_html);
        m_shown = visit;
        m_savePdf->setEnabled(true);
    } catch (const record::DbError& error) {
        m_status = qstr(record::Record::plainProblem(error));
    }
}

bool RecordsDialog::savePdf(const QString& path) {
    if (!m_shown) {
        return false;
    }
    {
        QPdfWriter writer(path);  // the file is complete once the writer is gone
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setResolution(300);
        writer.setTitle(text(Title));
        writer.setCreator(QStringLiteral("Tarvolinex"));
        QTextDocument document;
        document.setHtml(m_html);
        document.print(&writer);
    }
    const bool ok = QFileInfo(path).isFile() && QFileInfo(path).size() > 0;
    m_status = (ok ? text(Saved) : text(NotSaved)) + path;
    return ok;
}

void RecordsDialog::askAndSavePdf() {
    const QString suggested = QString::fromStdString(
        (m_dataDirectory / ("visit-" + std::to_string(m_shown.value_or(0)) + ".pdf")).string());
    const QString path =
        QFileDialog::getSaveFileName(this, text(SavePdf), suggested, QStringLiteral("PDF (*.pdf)"));
    if (!path.isEmpty()) {
        savePdf(path);
        setWindowTitle(text(Title) + QStringLiteral(" — ") + m_status);
    }
}

}  // namespace tvx::ui
