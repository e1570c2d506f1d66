#include "datadir/code_journal.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <fstream>
#include <sstream>

#include "datadir/durable_file.h"

namespace tvx::session {
namespace {

std::string cleaned(std::string text) {
    for (char& c : text) {
        if (c == '\t' || c == '\n' || c == '\r') {
            c = '?';
        }
    }
    return text;
}

std::string hexBytes(const std::uint8_t* bytes, std::size_t count) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

bool parseHex(std::string_view text, std::uint8_t* bytes, std::size_t count) {
    if (text.size() != 2 * count) {
        return false;
    }
    auto digit = [](char c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    for (std::size_t i = 0; i < count; ++i) {
        const int high = digit(text[2 * i]);
        const int low = digit(text[2 * i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        bytes[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return true;
}

bool isCode(const std::string& text) {
    std::array<std::uint8_t, 8> bytes{};
    return parseHex(text, bytes.data(), bytes.size());
}

// CRC-32 (IEEE 802.3, as zip and PNG use it), bit by bit: entries are short.
std::uint32_t crc32(std::string_view text) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char c : text) {
        crc ^= static_cast<std::uint8_t>(c);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

// An entry of the second form: "\nJ2 <crc of the rest, 8 hex digits> <kind>\t<fields>\n".
constexpr std::string_view kMark = "J2 ";

std::string checkedEntry(const std::string& payload) {
    const std::uint32_t crc = crc32(payload);
    const std::array<std::uint8_t, 4> bytes{
        static_cast<std::uint8_t>(crc >> 24), static_cast<std::uint8_t>(crc >> 16),
        static_cast<std::uint8_t>(crc >> 8), static_cast<std::uint8_t>(crc)};
    std::string entry(1, '\n');
    entry.append(kMark).append(hexBytes(bytes.data(), 4)).append(1, ' ');
    entry.append(payload).append(1, '\n');
    return entry;
}

std::vector<std::string> tabFields(const std::string& line) {
    std::vector<std::string> fields;
    std::string::size_type from = 0;
    while (true) {
        const auto tab = line.find('\t', from);
        fields.push_back(line.substr(from, tab - from));
        if (tab == std::string::npos) {
            return fields;
        }
        from = tab + 1;
    }
}

std::optional<JournalRunEnd> parseEnd(const std::vector<std::string>& fields) {
    if (fields.size() != 6) {
        return std::nullopt;
    }
    JournalRunEnd end;
    try {
        end.runTimeMs = std::stoll(fields[1]);
        end.injector = std::stoi(fields[2]);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    end.result = fields[3];
    end.holds = fields[4];
    end.readBack = fields[5];
    return end;
}

// A line of the second form into `contents`; false when it is damaged.
bool readChecked(const std::string& line, JournalContents& contents) {
    const std::string_view rest = std::string_view(line).substr(kMark.size());
    std::array<std::uint8_t, 4> crc{};
    if (rest.size() < 9 || rest[8] != ' ' || !parseHex(rest.substr(0, 8), crc.data(), 4)) {
        return false;
    }
    const std::string payload(rest.substr(9));
    const std::uint32_t stored = (std::uint32_t{crc[0]} << 24) | (std::uint32_t{crc[1]} << 16) |
                                 (std::uint32_t{crc[2]} << 8) | crc[3];
    if (crc32(payload) != stored) {
        return false;
    }
    const auto tab = payload.find('\t');
    const std::string kind = payload.substr(0, tab);
    if (tab == std::string::npos) {
        return false;
    }
    if (kind == "end") {
        auto end = parseEnd(tabFields(payload));
        if (end) {
            contents.ends.push_back(std::move(*end));
        }
        return end.has_value();
    }
    // "run" or "restore", then the fields of a first-form line.
    auto entry = parseJournalLine(payload.substr(tab + 1));
    if (!entry || (kind != "run" && kind != "restore")) {
        return false;
    }
    entry->plan.restore = kind == "restore";
    contents.runs.push_back(std::move(*entry));
    return true;
}

}  // namespace

std::int64_t wallClockMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

CodeJournal::CodeJournal(std::filesystem::path dataDirectory, std::function<std::int64_t()> clock)
    : m_path(std::move(dataDirectory) / kFileName), m_clock(std::move(clock)) {}

bool CodeJournal::beforeFirstWrite(const ProgrammingPlan& plan, std::string& whyNot) {
    JournalEntry entry;
    // A run's start time is its key: its end names it by that. Two runs begun in the same
    // millisecond, or after the clock was set back onto an earlier run's time, would share
    // one, and a run cut off by a crash would show the other's end. So a new run starts
    // after every run the journal holds.
    entry.timeMs = m_clock();
    for (const JournalEntry& earlier : readJournalFile(m_path).runs) {
        entry.timeMs = std::max(entry.timeMs, earlier.timeMs + 1);
    }
    entry.plan = plan;
    std::string error;
    if (!appendDurably(m_path, journalRunEntry(entry), error)) {
        whyNot = "the injector code journal " + m_path.string() + " cannot be written: " + error;
        return false;
    }
    m_runTimeMs = entry.timeMs;
    return true;
}

bool CodeJournal::canKeep(std::string& whyNot) {
    std::string error;
    if (!appendDurably(m_path, "", error)) {
        whyNot = "the injector code journal " + m_path.string() + " cannot be written: " + error;
        return false;
    }
    return true;
}

bool CodeJournal::runEnded(const ProgrammingEnd& end) {
    JournalRunEnd kept{m_runTimeMs, end.injector, programmingResultName(end.result),
                       unitHoldsName(end), end.readBack};
    std::string error;
    return appendDurably(m_path, journalEndEntry(kept), error);
}

std::string journalRunEntry(const JournalEntry& entry) {
    std::string line = journalLine(entry);
    line.pop_back();  // its line end: the checked entry has its own
    return checkedEntry((entry.plan.restore ? "restore\t" : "run\t") + line);
}

std::string journalEndEntry(const JournalRunEnd& end) {
    return checkedEntry("end\t" + std::to_string(end.runTimeMs) + '\t' +
                        std::to_string(end.injector) + '\t' + cleaned(end.result) + '\t' +
                        cleaned(end.holds) + '\t' + cleaned(end.readBack));
}

// time, injector, old, new, the four codes, the eight blocks (address:data), VIN, vehicle.
std::string journalLine(const JournalEntry& entry) {
    const ProgrammingPlan& plan = entry.plan;
    std::ostringstream line;
    line << entry.timeMs << '\t' << plan.injector << '\t' << cleaned(plan.oldCode) << '\t'
         << cleaned(plan.newCode) << '\t';
    for (int n = 1; n <= 4; ++n) {
        line << (n > 1 ? " " : "") << cleaned(plan.codesRead[n]);
    }
    line << '\t';
    for (int b = 1; b <= 8; ++b) {
        const InjectorBlock& block = plan.blocks[b];
        line << (b > 1 ? " " : "") << hexBytes(block.address.data(), 3) << ':'
             << hexBytes(block.data.data(), 4);
    }
    line << '\t' << cleaned(plan.vin) << '\t' << cleaned(plan.vehicle) << '\n';
    return line.str();
}

std::optional<JournalEntry> parseJournalLine(const std::string& line) {
    const std::vector<std::string> fields = tabFields(line);
    if (fields.size() != 8) {
        return std::nullopt;
    }
    JournalEntry entry;
    ProgrammingPlan& plan = entry.plan;
    try {
        entry.timeMs = std::stoll(fields[0]);
        plan.injector = std::stoi(fields[1]);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    if (plan.injector < 1 || plan.injector > 4 || !isCode(fields[2])) {
        return std::nullopt;
    }
    plan.oldCode = fields[2];
    plan.newCode = fields[3];
    std::istringstream codes(fields[4]);
    for (int n = 1; n <= 4; ++n) {
        if (!(codes >> plan.codesRead[n]) || !isCode(plan.codesRead[n])) {
            return std::nullopt;
        }
    }
    std::istringstream blocks(fields[5]);
    for (int b = 1; b <= 8; ++b) {
        std::string block;
        if (!(blocks >> block) || block.size() != 15 || block[6] != ':' ||
            !parseHex(std::string_view(block).substr(0, 6), plan.blocks[b].address.data(), 3) ||
            !parseHex(std::string_view(block).substr(7), plan.blocks[b].data.data(), 4)) {
            return std::nullopt;
        }
    }
    plan.vin = fields[6];
    plan.vehicle = fields[7];
    return entry;
}

JournalContents readJournalFile(const std::filesystem::path& path) {
    JournalContents contents;
    std::ifstream in(path, std::ios::binary);
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();  // a journal once copied through a Windows editor
        }
        if (line.empty()) {
            continue;
        }
        bool read = false;
        if (line.starts_with(kMark)) {
            read = readChecked(line, contents);
        } else if (auto entry = parseJournalLine(line)) {
            entry->legacy = true;
            contents.runs.push_back(std::move(*entry));
            read = true;
        }
        if (!read) {
            contents.damagedLines.push_back(number);
        }
    }
    return contents;
}

std::vector<JournalEntry> readJournal(const std::filesystem::path& path) {
    return readJournalFile(path).runs;
}

std::optional<JournalEntry> latestJournalEntry(const std::vector<JournalEntry>& entries,
                                               int injector, const std::string& vin) {
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        if (it->plan.injector == injector && (vin.empty() || it->plan.vin == vin)) {
            return *it;
        }
    }
    return std::nullopt;
}

std::vector<RunFacts> journalRuns(const JournalContents& contents, int injector,
                                  const std::string& vin) {
    std::vector<RunFacts> runs;
    std::int64_t number = 0;
    for (const JournalEntry& entry : contents.runs) {
        ++number;
        if (entry.plan.injector != injector || (!vin.empty() && entry.plan.vin != vin)) {
            continue;
        }
        RunFacts run;
        run.id = number;
        run.startedAt = entry.timeMs;
        run.restore = entry.plan.restore;
        run.codeBefore = entry.plan.oldCode;
        run.codeNew = entry.plan.newCode;
        run.endsKept = !entry.legacy;
        run.vin = entry.plan.vin;
        for (const JournalRunEnd& end : contents.ends) {
            if (end.runTimeMs == entry.timeMs && end.injector == injector) {
                run.ended = true;
                run.result = end.result;
                run.holds = end.holds;
            }
        }
        runs.push_back(std::move(run));
    }
    return runs;
}

const char* programmingResultName(ProgrammingEnd::Result result) {
    switch (result) {
        case ProgrammingEnd::Result::Finished:
            return "finished";
        case ProgrammingEnd::Result::Failed:
            return "failed";
        case ProgrammingEnd::Result::Refused:
            return "refused";
        case ProgrammingEnd::Result::NotVerified:
            return "not verified";
        case ProgrammingEnd::Result::NotRecorded:
            return "not recorded";
    }
    return "?";
}

const char* unitHoldsName(const ProgrammingEnd& end) {
    if (!end.writeSent && end.result != ProgrammingEnd::Result::Finished) {
        return "old";  // nothing was written
    }
    switch (end.holds) {
        case UnitHolds::OldCode:
            return "old";
        case UnitHolds::NewCode:
            return "new";
        case UnitHolds::Mixed:
            return "mixed";
        case UnitHolds::NotRead:
            break;
    }
    return "not read";
}

}  // namespace tvx::session
