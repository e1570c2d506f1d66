#pragma once

#include <QPagedPaintDevice>
#include <QString>
#include <filesystem>
#include <string>

namespace tvx::record {

// Lays the report's HTML out on the device's pages (a PDF writer or a printer) and paints
// them with "1 / 2" at the foot of each. Returns the number of pages.
int paintReport(const QString& html, QPagedPaintDevice& device);

// Writes the report as an A4 PDF. Works without a running Qt application (the command line):
// one is made for the time it takes, drawing offscreen. The problem in a plain sentence, ""
// when the file is written.
std::string writeReportPdf(const std::string& html, const std::filesystem::path& file,
                           const std::string& title);

}  // namespace tvx::record
