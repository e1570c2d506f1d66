#include "box_protocol.h"
#include "requests.h"
#include "trouble_code_form.h"

namespace tvx::link {
namespace {

std::uint16_t codeAt(const std::array<std::uint8_t, 256>& reply, std::size_t high,
                     std::size_t low) {
    return static_cast<std::uint16_t>(reply[high] * 256 + reply[low]);
}

// Where a form-B reply carries its codes (high byte, low byte). The engine controller's
// second code has a byte between its two halves, so it is read from 10 and 12.
struct CodePlace {
    std::size_t high;
    std::size_t low;
};
constexpr CodePlace kFormBPlaces[] = {{6, 7}, {10, 12}, {14, 15}};

}  // namespace

void Requests::ReadTroubleCodes(int module) {
    if (m_link.DemoMode) {
        TroubleCodes = {0, 0x0100, 0x0200, 0x0300};
        return;
    }
    const auto form = troubleCodeForm(module, m_link.ModuleProtocol);
    // Every failure empties the list, so codes of an earlier read are never shown as
    // this module's.
    TroubleCodes = {0, 0, 0, 0};
    if (!form) {
        m_link.ReplyFailed = 1;
        return;
    }
    const auto& reply = m_link.ReplyBuffer;
    if (*form == TroubleCodeForm::B) {
        const std::array<std::uint8_t, 6> frame{31, 4, 0x18, 0x00, 0xFF, 0x00};
        if (m_link.Exchange(frame) != frame[0]) {
            m_link.ReplyFailed = 1;
            return;
        }
        if (m_link.ReplyFailed != 0) {
            return;
        }
        if (reply[4] == kNegativeResponse) {
            // A refusal is no list of codes: its reason byte would read as a code.
            m_link.ReplyFailed = 1;
            return;
        }
        const std::size_t codes = reply[3] == kEngineControllerAddress ? 3 : 1;
        for (std::size_t slot = 1; slot <= codes; ++slot) {
            const CodePlace& place = kFormBPlaces[slot - 1];
            TroubleCodes[slot] = codeAt(reply, place.high, place.low);
        }
        m_link.ReplyFailed = 0;
        return;
    }
    const std::uint8_t command = *form == TroubleCodeForm::A ? 21 : 11;
    const std::array<std::uint8_t, 3> frame{command, 1, 0x13};
    if (m_link.Exchange(frame) != command) {
        m_link.ReplyFailed = 1;
        return;
    }
    if (m_link.ReplyFailed != 0) {
        return;
    }
    if (reply[4] != kPositiveRead) {
        m_link.ReplyFailed = 1;
        return;
    }
    TroubleCodes[1] = codeAt(reply, 5, 6);
    TroubleCodes[2] = codeAt(reply, 7, 8);
    TroubleCodes[3] = codeAt(reply, 9, 10);
    m_link.ReplyFailed = 0;
}

void Requests::ClearTroubleCodes(int module) {
    if (m_link.DemoMode) {
        return;
    }
    const auto form = troubleCodeForm(module, m_link.ModuleProtocol);
    if (!form) {
        m_link.ReplyFailed = 1;
        return;
    }
    std::uint8_t echo = 0;
    std::uint8_t command = 0;
    if (*form == TroubleCodeForm::B) {
        const std::array<std::uint8_t, 5> frame{31, 3, 0x14, 0xFF, 0x00};
        command = frame[0];
        echo = m_link.Exchange(frame);
    } else {
        command = *form == TroubleCodeForm::A ? 21 : 11;
        const std::array<std::uint8_t, 3> frame{command, 1, 0x14};
        echo = m_link.Exchange(frame);
    }
    if (echo != command) {
        m_link.ReplyFailed = 1;
        return;
    }
    if (m_link.ReplyFailed != 0) {
        return;
    }
    m_link.ReplyFailed = m_link.ReplyBuffer[4] == kPositiveClear ? 0 : 1;
}

std::string Requests::FormatTroubleCode(std::uint16_t code) {
    static constexpr char kLetters[] = {'P', 'C', 'B', 'U'};
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text(5, ' ');
    text[0] = kLetters[code >> 14];
    const unsigned digits = code & 0x3FFF;
    for (int i = 0; i < 4; ++i) {
        text[static_cast<std::size_t>(1 + i)] = kDigits[(digits >> (12 - 4 * i)) & 0xF];
    }
    CodeText = text;
    return text;
}

}  // namespace tvx::link
