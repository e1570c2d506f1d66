#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tvx::fuzz {

// The fuzzer's bytes, read front to back. Past the end every byte reads as 0, and every
// harness takes 0 as "nothing unusual", so a short input still makes a whole ordinary run
// and the seeds stay readable.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    std::uint8_t byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    // A number 0..n-1 (0 when n is 0).
    unsigned below(unsigned n) { return n == 0 ? 0 : byte() % n; }
    // Up to maxLength bytes, the length taken first.
    std::string text(std::size_t maxLength) {
        std::string out(below(static_cast<unsigned>(maxLength) + 1), '\0');
        for (char& c : out) {
            c = static_cast<char>(byte());
        }
        return out;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

}  // namespace tvx::fuzz
