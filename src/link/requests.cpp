#include "requests.h"

#include <algorithm>

#include "box_protocol.h"
#include "decoder_table.h"
#include "trouble_code_form.h"

namespace tvx::link {
namespace {

constexpr std::uint16_t kOdometerMiles = 0x6182;
constexpr std::uint16_t kOdometerTenths = 0x6180;
constexpr double kDemoOdometerKm = 234567.0;
constexpr std::uint16_t kVinFirst = 0xE300;
constexpr std::uint16_t kModeCommandTimeoutMs = 3000;

}  // namespace

Requests::Requests(Link& link) : m_link(link), m_random(std::random_device{}()) {}

void Requests::ReadParameter(std::uint16_t identifier, int module) {
    const auto command = parameterCommand(module, m_link.ModuleProtocol);
    if (!command) {
        // Nothing can be asked of a module with this protocol. PidRecord keeps the last good
        // reply, but the read failed: a caller must not show the old bytes as a new value.
        m_link.ReplyFailed = 1;
        return;
    }
    const std::uint8_t high = static_cast<std::uint8_t>(identifier >> 8);
    const std::uint8_t low = static_cast<std::uint8_t>(identifier & 0xFF);
    const std::array<std::uint8_t, 3> frame{*command, high, low};
    const std::uint8_t echo = m_link.Exchange(frame);
    if (echo != *command) {
        PidRecord.fill(0);
        m_link.ReplyFailed = 1;
        return;
    }
    if (m_link.ReplyFailed != 0) {
        return;  // count or data time-out: PidRecord stays as it was
    }
    const auto& reply = m_link.ReplyBuffer;
    if (reply[4] == kPositiveParameterReply && reply[5] == high && reply[6] == low) {
        std::copy(reply.begin() + 4, reply.begin() + 11, PidRecord.begin());
        m_link.ReplyFailed = 0;
    } else {
        m_link.ReplyFailed = 1;
    }
}

void Requests::Decode(Decoder decoder) {
    const DecoderRow& row = decoderRow(decoder);
    if (m_link.DemoMode) {
        m_link.ReadTimedOut = 0;
        if (row.demoFixed || row.demoRange == 0) {
            RawValue = static_cast<std::uint16_t>(row.demoRange);
        } else {
            std::uniform_int_distribution<std::uint32_t> pick(0, row.demoRange - 1);
            RawValue = static_cast<std::uint16_t>(pick(m_random));
        }
        EngValue = engineeringValue(row, RawValue);
        ValueText = row.demoText != nullptr ? std::string(row.demoText)
                                            : FormatValue(EngValue, row.width, row.decimals);
        return;
    }
    ReadParameter(row.identifier, row.module);
    const std::uint8_t a = PidRecord[3];
    const std::uint8_t b = PidRecord[4];
    RawValue = row.raw == RawForm::TwoBytes ? static_cast<std::uint16_t>(a * 256 + b) : a;
    // Converted even after a failed read; the caller shows it only when ReplyFailed is 0.
    EngValue = engineeringValue(row, RawValue);
    ValueText = FormatValue(EngValue, row.width, row.decimals);
}

void Requests::ReadSwitchStates() {
    if (m_link.DemoMode) {
        std::uniform_int_distribution<int> pick(0, 254);
        StatusFlags = static_cast<std::uint8_t>(pick(m_random));
        return;
    }
    ReadParameter(kSwitchStatesIdentifier, 1);
    StatusFlags = PidRecord[3];
}

std::uint16_t Requests::odometerIdentifier() const {
    return m_link.ModuleProtocol[5] == 1 ? kOdometerMiles : kOdometerTenths;
}

void Requests::ReadOdometer() {
    constexpr int kWidth = 7;
    constexpr int kDecimals = 1;
    if (m_link.DemoMode) {
        EngValue = kDemoOdometerKm;
        ValueText = FormatValue(EngValue, kWidth, kDecimals);
        return;
    }
    if (m_link.ModuleProtocol[5] == 1) {
        ReadParameter(kOdometerMiles, 5);
        const std::uint32_t bits = (std::uint32_t{PidRecord[3]} << 24) |
                                   (std::uint32_t{PidRecord[4]} << 16) |
                                   (std::uint32_t{PidRecord[5]} << 8) | PidRecord[6];
        const auto value = static_cast<std::int32_t>(bits);
        EngValue = value * 1.60933 / 500.0;
    } else {
        ReadParameter(kOdometerTenths, 5);
        const std::uint32_t value =
            (std::uint32_t{PidRecord[3]} << 16) | (std::uint32_t{PidRecord[4]} << 8) | PidRecord[5];
        EngValue = value / 10.0;
    }
    ValueText = FormatValue(EngValue, kWidth, kDecimals);
}

bool Requests::sendModeCommand(std::initializer_list<std::uint8_t> bytes) {
    m_link.PurgePort();
    for (const std::uint8_t byte : bytes) {
        m_link.SendByte(byte);
    }
    m_link.ReplyBuffer[0] = m_link.ReceiveByte(kModeCommandTimeoutMs);
    return m_link.ReadTimedOut == 0;
}

bool Requests::ReadVin() {
    if (m_link.DemoMode) {
        return false;
    }
    const std::uint8_t protocol = m_link.ModuleProtocol[1];
    if (protocol == 1) {
        if (!sendModeCommand({20, 16})) {
            return false;
        }
        ReadParameter(kVinFirst, 1);
    } else if (protocol == 2) {
        if (!sendModeCommand({30, 7, 224})) {
            return false;
        }
        ReadParameter(kVinFirst, 1);
        if (m_link.ReplyBuffer[4] != kPositiveParameterReply) {
            if (!sendModeCommand({30, 7, 32})) {
                return false;
            }
            ReadParameter(kVinFirst, 1);
            if (m_link.ReplyBuffer[4] != kPositiveParameterReply) {
                return false;
            }
        }
    } else {
        return false;
    }
    // The text changes only when all five reads came back good, so a lost reply never
    // leaves a number made of stale characters.
    if (m_link.ReplyFailed != 0) {
        return false;
    }
    std::string vin(17, '-');
    vin[0] = static_cast<char>(PidRecord[6]);
    for (int k = 0; k < 4; ++k) {
        ReadParameter(static_cast<std::uint16_t>(kVinFirst + 1 + k), 1);
        if (m_link.ReplyFailed != 0) {
            return false;
        }
        for (int i = 0; i < 4; ++i) {
            vin[static_cast<std::size_t>(4 * k + 1 + i)] =
                static_cast<char>(PidRecord[static_cast<std::size_t>(3 + i)]);
        }
    }
    VinText = vin;
    return true;
}

}  // namespace tvx::link
