#include "byte_trace.h"

#include <cstdio>

namespace tvx::link {

ByteTrace::ByteTrace(const std::string& path) : m_path(path), m_out(path, std::ios::trunc) {}

void ByteTrace::byteLine(const char* direction, std::uint8_t byte, std::uint64_t nowMs) {
    char line[48];
    std::snprintf(line, sizeof line, "%10llu %s %02X\n", static_cast<unsigned long long>(nowMs),
                  direction, byte);
    // Flushed per line so a trace survives a crash of the program being debugged.
    m_out << line << std::flush;
}

void ByteTrace::sent(std::uint8_t byte, std::uint64_t nowMs) {
    byteLine("TX", byte, nowMs);
}

void ByteTrace::received(std::uint8_t byte, std::uint64_t nowMs) {
    byteLine("RX", byte, nowMs);
}

void ByteTrace::late(std::uint8_t byte, std::uint64_t nowMs) {
    byteLine("LATE", byte, nowMs);
}

void ByteTrace::timedOut(unsigned timeoutMs, std::uint64_t nowMs) {
    char line[64];
    std::snprintf(line, sizeof line, "%10llu -- timed out after %u ms\n",
                  static_cast<unsigned long long>(nowMs), timeoutMs);
    m_out << line << std::flush;
}

void ByteTrace::lineFailed(std::uint64_t nowMs) {
    char line[48];
    std::snprintf(line, sizeof line, "%10llu -- line failed\n",
                  static_cast<unsigned long long>(nowMs));
    m_out << line << std::flush;
}

}  // namespace tvx::link
