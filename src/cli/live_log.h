#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/live_columns.h"

namespace tvx::cli {

// Where the rows of a live-data run go. A row holds one cell per column; an empty cell is
// a value whose read failed in that cycle.
class LiveLog {
public:
    virtual ~LiveLog() = default;
    virtual void begin(const std::vector<LiveColumn>& columns) = 0;
    virtual void row(double seconds, const std::vector<std::string>& cells) = 0;
    // Why the last write failed (the disk is full); empty while every write went through.
    virtual std::string failure() const { return {}; }
};

// Comma-separated values: a header "time [s]" and each column's name and unit, then one
// line per cycle. Cells holding a comma or a quote are quoted.
class CsvLog final : public LiveLog {
public:
    explicit CsvLog(std::ostream& out) : m_out(out) {}
    void begin(const std::vector<LiveColumn>& columns) override;
    void row(double seconds, const std::vector<std::string>& cells) override;
    std::string failure() const override { return m_failure; }

private:
    // Writes and flushes the line, so a road test cut short keeps every row written so far,
    // and checks that it went.
    void write(const std::string& line);

    std::ostream& m_out;
    std::string m_failure;
};

// A compact table of one line per value, redrawn in place on a terminal; elsewhere each
// cycle's table follows the last, separated by a blank line. `title` heads every cycle's
// table ("REPLAY" when the values are not live).
class TerminalTable final : public LiveLog {
public:
    TerminalTable(std::ostream& out, bool redrawInPlace, std::string title = {})
        : m_out(out), m_redraw(redrawInPlace), m_title(std::move(title)) {}
    void begin(const std::vector<LiveColumn>& columns) override;
    void row(double seconds, const std::vector<std::string>& cells) override;

private:
    std::ostream& m_out;
    bool m_redraw;
    std::string m_title;
    std::vector<std::string> m_headers;
    std::size_t m_width = 0;
    int m_cycle = 0;
};

}  // namespace tvx::cli
