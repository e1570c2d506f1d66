#include "session/code_journal.h"

#include <chrono>
#include <fstream>
#include <sstream>

#include "session/durable_file.h"

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

}  // namespace

CodeJournal::CodeJournal(std::filesystem::path dataDirectory)
    : m_path(std::move(dataDirectory) / kFileName) {}

bool CodeJournal::beforeFirstWrite(const ProgrammingPlan& plan, std::string& whyNot) {
    JournalEntry entry;
    entry.timeMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                       .count();
    entry.plan = plan;
    std::string error;
    if (!appendDurably(m_path, journalLine(entry), error)) {
        whyNot = "the injector code journal " + m_path.string() + " cannot be written: " + error;
        return false;
    }
    return true;
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
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, '\t');) {
        fields.push_back(field);
    }
    if (!line.empty() && line.back() == '\t') {
        fields.emplace_back();
    }
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

std::vector<JournalEntry> readJournal(const std::filesystem::path& path) {
    std::vector<JournalEntry> entries;
    std::ifstream in(path, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (auto entry = parseJournalLine(line)) {
            entries.push_back(std::move(*entry));
        }
    }
    return entries;
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

}  // namespace tvx::session
