#include "record/report_pdf.h"

#include <QAbstractTextDocumentLayout>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <cmath>
#include <memory>

#include "record/offscreen_application.h"

namespace tvx::record {
namespace {

// Qt's layout knows no "keep with next" nor "keep together": a heading near a page's foot
// goes over to the next page with what it heads (its table's first rows, its first lines),
// and a table of one row (the signatures) that a page's end would cut goes over whole.
// Each gets a page break before it; the document is laid out again from there.
void keepTogether(QTextDocument& document, double pageHeight, double keep) {
    QAbstractTextDocumentLayout* layout = document.documentLayout();
    const auto pageOf = [pageHeight](double y) { return std::floor(y / pageHeight); };
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QTextBlockFormat format = block.blockFormat();
        if (format.headingLevel() == 0 ||
            (format.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)) {
            continue;
        }
        const QRectF rect = layout->blockBoundingRect(block);
        if (pageOf(rect.top()) != pageOf(rect.bottom() + keep)) {
            format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            QTextCursor(block).setBlockFormat(format);
        }
    }
    for (QTextFrame* frame : document.rootFrame()->childFrames()) {
        auto* table = qobject_cast<QTextTable*>(frame);
        if (table == nullptr || table->rows() != 1) {
            continue;
        }
        const QRectF rect = layout->frameBoundingRect(table);
        if (pageOf(rect.top()) != pageOf(rect.bottom() - 1)) {
            QTextTableFormat format = table->format();
            format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            table->setFormat(format);
        }
    }
}

}  // namespace

int paintReport(const QString& html, QPagedPaintDevice& device) {
    QTextDocument document;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(10);
    document.setDefaultFont(font);
    document.setHtml(html);
    // Point sizes in the device's resolution, not the screen's.
    document.documentLayout()->setPaintDevice(&device);
    const double dpi = device.logicalDpiY();
    const double footer = dpi * 0.35;  // room for the page number under the text
    const QSizeF page(device.width(), device.height() - footer);
    document.setPageSize(page);
    keepTogether(document, page.height(), dpi * 0.6);  // about three lines under a heading
    const int pages = document.pageCount();

    QPainter painter(&device);
    QFont numberFont = font;
    numberFont.setPointSizeF(8);
    for (int index = 0; index < pages; ++index) {
        if (index > 0) {
            device.newPage();
        }
        painter.save();
        painter.translate(0, -page.height() * index);
        document.drawContents(&painter, QRectF(QPointF(0, page.height() * index), page));
        painter.restore();
        painter.setFont(QFont(numberFont, &device));
        painter.drawText(QRectF(0, page.height(), page.width(), footer), Qt::AlignCenter,
                         QStringLiteral("%1 / %2").arg(index + 1).arg(pages));
    }
    return pages;
}

std::string writeReportPdf(const std::string& html, const std::filesystem::path& file,
                           const std::string& title) {
    const auto application = offscreenApplication<QGuiApplication>();
    const QString path = QString::fromStdWString(file.wstring());
    {
        QPdfWriter writer(path);  // the file is complete once the writer is gone
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 12), QPageLayout::Millimeter);
        writer.setResolution(300);
        writer.setTitle(QString::fromStdString(title));
        writer.setCreator(QStringLiteral("Tarvolinex"));
        paintReport(QString::fromStdString(html), writer);
    }
    const QFileInfo written(path);
    if (!written.isFile() || written.size() == 0) {
        return "cannot write " + file.string();
    }
    return {};
}

}  // namespace tvx::record
