#include "record/report_pdf.h"

#include <QAbstractTextDocumentLayout>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>
#include <memory>

#include "record/offscreen_application.h"

namespace tvx::record {

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
