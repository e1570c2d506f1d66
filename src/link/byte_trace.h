#pragma once

#include <cstdint>
#include <fstream>
#include <string>

namespace tvx::link {

// A plain-text log of every byte on the line, one per line:
//   <milliseconds> TX 16      byte sent to the box (hex)
//   <milliseconds> RX 16      byte received from the box
//   <milliseconds> -- timed out after 500 ms
//   <milliseconds> LATE 16    byte received after its read timed out, set aside
// Time stamps come from the link's clock. A Link without a trace pays one null check.
class ByteTrace {
public:
    explicit ByteTrace(const std::string& path);

    bool isOpen() const { return m_out.is_open() && m_out.good(); }
    const std::string& path() const { return m_path; }

    void sent(std::uint8_t byte, std::uint64_t nowMs);
    void received(std::uint8_t byte, std::uint64_t nowMs);
    void late(std::uint8_t byte, std::uint64_t nowMs);
    void timedOut(unsigned timeoutMs, std::uint64_t nowMs);
    void lineFailed(std::uint64_t nowMs);

private:
    void byteLine(const char* direction, std::uint8_t byte, std::uint64_t nowMs);

    std::string m_path;
    std::ofstream m_out;
};

}  // namespace tvx::link
