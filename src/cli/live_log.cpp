#include "cli/live_log.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "trend/csv_layout.h"

namespace tvx::cli {
namespace {

std::string seconds3(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds);
    return text;
}

}  // namespace

void CsvLog::write(const std::string& line) {
    errno = 0;
    m_out << line << std::flush;
    if (!m_out.good() && m_failure.empty()) {
        m_failure = errno != 0 ? std::strerror(errno) : "the write failed";
    }
}

void CsvLog::begin(const std::vector<LiveColumn>& columns) {
    write(trend::csvHeaderLine(columns));
}

void CsvLog::row(double seconds, const std::vector<std::string>& cells) {
    write(trend::csvRowLine(seconds, cells));
}

void TerminalTable::begin(const std::vector<LiveColumn>& columns) {
    m_headers.clear();
    m_width = 0;
    for (const LiveColumn& column : columns) {
        m_headers.push_back(columnHeader(column));
        m_width = std::max(m_width, m_headers.back().size());
    }
    m_cycle = 0;
}

void TerminalTable::row(double seconds, const std::vector<std::string>& cells) {
    if (m_cycle > 0) {
        if (m_redraw) {
            // Back to the first line of the table drawn last time.
            m_out << "\x1b[" << (m_headers.size() + 1) << 'F';
        } else {
            m_out << '\n';
        }
    }
    ++m_cycle;
    const char* clear = m_redraw ? "\x1b[2K" : "";
    m_out << clear << (m_title.empty() ? "" : m_title + "  ") << "cycle " << m_cycle << "  "
          << seconds3(seconds) << " s\n";
    for (std::size_t i = 0; i < m_headers.size(); ++i) {
        const std::string value = i < cells.size() && !cells[i].empty() ? cells[i] : "--";
        m_out << clear << m_headers[i] << std::string(m_width - m_headers[i].size() + 2, ' ')
              << value << '\n';
    }
    m_out << std::flush;
}

}  // namespace tvx::cli
