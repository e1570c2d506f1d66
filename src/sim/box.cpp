#include "box.h"

#include <algorithm>

#include "link/box_protocol.h"

namespace tvx::sim {
namespace {

constexpr std::uint64_t kRequestGapMs = 100;
constexpr std::uint8_t kTesterAddress = 0xF1;
constexpr std::uint8_t kHeaderFormat = 0x80;
// Why a module refuses a request (the last byte of its refusal).
enum Refusal : std::uint8_t {
    kServiceNotSupported = 0x11,
    kSequenceError = 0x24,
    kOutOfRange = 0x31,
};
constexpr std::uint8_t kCodeStatus = 0xE0;  // status byte of a stored trouble code
constexpr unsigned kLateProbeMs = 3500;     // half a second after the tester gives up
constexpr unsigned kAdapterLatencyMs = 16;  // the common adapter chip's default timer

unsigned holdOf(const Fault& fault) {
    return fault.amount == 0 ? kAdapterLatencyMs : fault.amount;
}

// Address each module answers from (the third header byte of its replies).
constexpr std::array<std::uint8_t, 7> kModuleAddress{
    0x00, link::kEngineControllerAddress, 0x18, 0x28, 0x58, 0x60, 0x7A};

// The start-up dialogue of each protocol that opens a module: the request's bytes, of which
// the box answers with the last.
struct Opening {
    std::array<std::uint8_t, 3> bytes;
    std::size_t length;
    int module;
};
constexpr Opening kOpenings[] = {
    {{0x14, 0x10}, 2, kPcm},          {{0x14, 0x60}, 2, kCluster},
    {{0x0A, 0x28}, 2, kAbs},          {{0x0A, 0x58}, 2, kAirBag},
    {{0x0A, 0x60}, 2, kCluster},      {{0x1E, 0x07, 0xE0}, 3, kPcm},
    {{0x1E, 0x07, 0xE1}, 3, kTcm},    {{0x1E, 0x07, 0x60}, 3, kAbs},
    {{0x1E, 0x07, 0x37}, 3, kAirBag}, {{0x1E, 0x07, 0x20}, 3, kCluster},
};

bool isParameterCommand(std::uint8_t byte) {
    return byte == 22 || byte == 32 || byte == 12;
}
bool isModuleProbe(std::uint8_t byte) {
    return byte >= link::kFirstModuleProbeByte &&
           byte < link::kFirstModuleProbeByte + link::kProbedModules;
}
bool isServiceCommand(std::uint8_t byte) {
    return byte == 21 || byte == 31 || byte == 11;
}

}  // namespace

Box::Box(Scenario scenario)
    : m_scenario(std::move(scenario)), m_signals(m_scenario), m_faults(m_scenario.faults) {
    for (int module = kPcm; module <= kCluster; ++module) {
        m_codes[static_cast<std::size_t>(module)] =
            m_scenario.modules[static_cast<std::size_t>(module)].troubleCodes;
    }
    for (std::size_t injector = 0; injector < 4; ++injector) {
        std::copy(m_scenario.injectorCodes[injector].begin(),
                  m_scenario.injectorCodes[injector].end(),
                  m_injectorMemory.begin() + static_cast<std::ptrdiff_t>(injector * 8));
    }
}

void Box::addFault(const Fault& fault) {
    m_faults.push_back(fault);
}

void Box::clearFaults() {
    m_faults.clear();
}

const std::vector<std::uint16_t>& Box::storedCodes(int module) const {
    static const std::vector<std::uint16_t> kNone;
    if (module < kPcm || module > kCluster) {
        return kNone;
    }
    return m_codes[static_cast<std::size_t>(module)];
}

std::array<std::uint8_t, 8> Box::injectorCode(int injector) const {
    std::array<std::uint8_t, 8> code{};
    if (injector >= 1 && injector <= 4) {
        const auto first = m_injectorMemory.begin() + (injector - 1) * 8;
        std::copy(first, first + 8, code.begin());
    }
    return code;
}

bool Box::moduleAbsent(int module) const {
    if (module == kIcu) {
        return !m_scenario.injectorUnit;
    }
    return module < kPcm || module > kCluster ||
           m_scenario.modules[static_cast<std::size_t>(module)].protocol == 0;
}

std::size_t Box::expectedLength() const {
    const std::uint8_t first = m_frame[0];
    if (first == 0x14 || first == 0x0A) {
        return 2;
    }
    if (first == 0x1E || isParameterCommand(first)) {
        return 3;
    }
    if (isServiceCommand(first)) {
        return m_frame.size() < 2 ? 0 : 2u + m_frame[1];
    }
    return 1;  // presence test, module probe, or a stray byte
}

BoxOutput Box::receive(std::uint8_t byte, std::uint64_t nowMs) {
    if (!m_started) {
        m_started = true;
        m_startMs = nowMs;
    }
    if (m_lineClosed) {
        return {};
    }
    if (!m_frame.empty() && nowMs - m_lastByteMs > kRequestGapMs) {
        m_frame.clear();  // the rest of that request never came
    }
    m_lastByteMs = nowMs;
    m_frame.push_back(byte);
    const std::size_t length = expectedLength();
    if (length == 0 || m_frame.size() < length) {
        return {};
    }
    return finishRequest(nowMs);
}

BoxOutput Box::finishRequest(std::uint64_t nowMs) {
    std::vector<std::uint8_t> request;
    request.swap(m_frame);
    if (m_requests.size() >= kRequestLogLimit) {
        // A simulator left running for hours keeps the recent requests, not all of them.
        m_requests.erase(m_requests.begin(),
                         m_requests.begin() + static_cast<std::ptrdiff_t>(kRequestLogLimit / 2));
    }
    m_requests.push_back(request);
    Answer reply = answer(request, nowMs);
    return applyFaults(request, std::move(reply));
}

Box::Answer Box::openingAnswer(const std::vector<std::uint8_t>& request) {
    for (const Opening& opening : kOpenings) {
        if (request.size() >= opening.length &&
            std::equal(opening.bytes.begin(), opening.bytes.begin() + opening.length,
                       request.begin())) {
            return openModule(opening.module, opening.bytes[opening.length - 1]);
        }
    }
    return {};  // no module opens so
}

Box::Answer Box::answer(const std::vector<std::uint8_t>& request, std::uint64_t nowMs) {
    const std::uint8_t first = request[0];
    if (first == link::kPresenceByte) {
        return {{link::kPresenceByte}, false, 0};
    }
    if (isModuleProbe(first)) {
        const int module = first - link::kFirstModuleProbeByte + 1;
        if (moduleAbsent(module)) {
            return {};
        }
        return {{m_scenario.modules[static_cast<std::size_t>(module)].protocol}, false, module};
    }
    if (first == 0x14 || first == 0x0A || first == 0x1E) {
        return openingAnswer(request);
    }
    if (isParameterCommand(first)) {
        const auto identifier = static_cast<std::uint16_t>(request[1] * 256 + request[2]);
        return parameterRead(first, identifier, nowMs);
    }
    if (isServiceCommand(first) && request.size() > 2) {
        return service(first, std::vector<std::uint8_t>(request.begin() + 2, request.end()));
    }
    return {};
}

Box::Answer Box::openModule(int module, std::uint8_t replyByte) {
    if (moduleAbsent(module)) {
        return {};
    }
    m_selected = module;
    return {{replyByte}, false, module};
}

Box::Answer Box::framed(std::uint8_t command, int module, std::vector<std::uint8_t> payload) const {
    Answer reply;
    reply.framed = true;
    reply.module = module;
    reply.bytes.reserve(5 + payload.size());
    reply.bytes.push_back(command);
    reply.bytes.push_back(static_cast<std::uint8_t>(3 + payload.size()));
    reply.bytes.push_back(kHeaderFormat);
    reply.bytes.push_back(kTesterAddress);
    reply.bytes.push_back(kModuleAddress[static_cast<std::size_t>(module)]);
    for (const std::uint8_t byte : payload) {
        reply.bytes.push_back(byte);
    }
    return reply;
}

Box::Answer Box::refused(std::uint8_t command, int module, std::uint8_t serviceId,
                         std::uint8_t reason) const {
    return framed(command, module, {link::kNegativeResponse, serviceId, reason});
}

Box::Answer Box::parameterRead(std::uint8_t command, std::uint16_t identifier,
                               std::uint64_t nowMs) {
    const auto high = static_cast<std::uint8_t>(identifier >> 8);
    const auto low = static_cast<std::uint8_t>(identifier & 0xFF);
    if (identifier == 0xC905) {
        // Address query of the injector control unit: the end of its code area.
        if (moduleAbsent(kIcu)) {
            return {};
        }
        const std::uint32_t end = m_scenario.injectorEndAddress;
        return framed(
            command, kIcu,
            {link::kPositiveParameterReply, high, low, 0x00, static_cast<std::uint8_t>(end >> 16),
             static_cast<std::uint8_t>(end >> 8), static_cast<std::uint8_t>(end)});
    }
    const int module = m_selected;
    if (moduleAbsent(module)) {
        return {};
    }
    if (identifier == 0x0200) {
        const auto count = static_cast<std::uint8_t>(
            std::min<std::size_t>(m_codes[static_cast<std::size_t>(module)].size(), 255));
        return framed(command, module, {link::kPositiveParameterReply, high, low, count, 0, 0, 0});
    }
    if (identifier >= 0xE300 && identifier <= 0xE304) {
        std::string vin = m_scenario.vin;
        vin.resize(17, ' ');
        std::array<std::uint8_t, 4> data{};
        if (identifier == 0xE300) {
            data[3] = static_cast<std::uint8_t>(vin[0]);
        } else {
            const std::size_t first = 1 + 4 * static_cast<std::size_t>(identifier - 0xE301);
            for (std::size_t i = 0; i < 4; ++i) {
                data[i] = static_cast<std::uint8_t>(vin[first + i]);
            }
        }
        return framed(
            command, module,
            {link::kPositiveParameterReply, high, low, data[0], data[1], data[2], data[3]});
    }
    const std::uint64_t sinceStartMs =
        m_scenario.steadyAtSeconds
            ? static_cast<std::uint64_t>(*m_scenario.steadyAtSeconds * 1000.0)
            : nowMs - m_startMs;
    const auto data = m_signals.read(identifier, sinceStartMs);
    if (!data) {
        return refused(command, module, 0x22, kOutOfRange);
    }
    return framed(
        command, module,
        {link::kPositiveParameterReply, high, low, (*data)[0], (*data)[1], (*data)[2], (*data)[3]});
}

Box::Answer Box::service(std::uint8_t command, const std::vector<std::uint8_t>& request) {
    const std::uint8_t serviceId = request[0];
    switch (serviceId) {
        case 0x13:
        case 0x18:
        case 0x14:
            return troubleCodes(command, serviceId);
        case 0x10:
        case 0xB1:
        case 0x23:
        case 0x34:
        case 0x36:
        case 0x37:
            return injectorService(command, request);
        default:
            if (moduleAbsent(m_selected)) {
                return {};
            }
            return refused(command, m_selected, serviceId, kServiceNotSupported);
    }
}

Box::Answer Box::troubleCodes(std::uint8_t command, std::uint8_t serviceId) {
    const int module = m_selected;
    if (moduleAbsent(module)) {
        return {};
    }
    auto& codes = m_codes[static_cast<std::size_t>(module)];
    const std::size_t shown = std::min<std::size_t>(codes.size(), 3);
    if (serviceId == 0x14) {
        codes.clear();  // cleared codes stay cleared
        return framed(command, module, {link::kPositiveClear, 0xFF, 0x00});
    }
    if (serviceId == 0x13) {
        std::vector<std::uint8_t> payload{link::kPositiveRead, 0, 0, 0, 0, 0, 0};
        for (std::size_t i = 0; i < shown; ++i) {
            payload[1 + 2 * i] = static_cast<std::uint8_t>(codes[i] >> 8);
            payload[2 + 2 * i] = static_cast<std::uint8_t>(codes[i] & 0xFF);
        }
        return framed(command, module, std::move(payload));
    }
    // Read by status: the number of codes, then four bytes per code: code high, code low,
    // status, reserved; the second code of the engine controller puts its status byte
    // between the code's two bytes (reply indices 10, 11, 12), as the tester reads it.
    std::vector<std::uint8_t> payload{0x58, static_cast<std::uint8_t>(shown)};
    for (std::size_t i = 0; i < shown; ++i) {
        const auto high = static_cast<std::uint8_t>(codes[i] >> 8);
        const auto low = static_cast<std::uint8_t>(codes[i] & 0xFF);
        if (i == 1 && module == kPcm) {
            payload.insert(payload.end(), {high, kCodeStatus, low, 0x00});
        } else {
            payload.insert(payload.end(), {high, low, kCodeStatus, 0x00});
        }
    }
    return framed(command, module, std::move(payload));
}

std::uint8_t* Box::injectorByte(std::uint32_t address) {
    const std::uint32_t end = m_scenario.injectorEndAddress;
    const std::uint32_t start = end - static_cast<std::uint32_t>(m_injectorMemory.size());
    if (address < start || address >= end) {
        return nullptr;
    }
    return &m_injectorMemory[address - start];
}

Box::Answer Box::injectorService(std::uint8_t command, const std::vector<std::uint8_t>& request) {
    if (moduleAbsent(kIcu)) {
        return {};
    }
    const std::uint8_t serviceId = request[0];
    auto address = [&](std::size_t first) -> std::optional<std::uint32_t> {
        if (request.size() < first + 3) {
            return std::nullopt;
        }
        const std::uint32_t value = (std::uint32_t{request[first]} << 16) |
                                    (std::uint32_t{request[first + 1]} << 8) | request[first + 2];
        if (injectorByte(value) == nullptr || injectorByte(value + 3) == nullptr) {
            return std::nullopt;
        }
        return value;
    };
    switch (serviceId) {
        case 0x10:
            return framed(command, kIcu, {0x50});
        case 0xB1:
            return framed(command, kIcu, {0xF1, request.size() > 1 ? request[1] : std::uint8_t{0}});
        case 0x23: {
            const auto from = address(1);
            if (!from) {
                return refused(command, kIcu, serviceId, kOutOfRange);
            }
            std::vector<std::uint8_t> payload{0x63, request[2], request[3]};
            for (std::uint32_t i = 0; i < 4; ++i) {
                payload.push_back(*injectorByte(*from + i));
            }
            return framed(command, kIcu, std::move(payload));
        }
        case 0x34: {
            const auto to = address(4);
            if (!to) {
                return refused(command, kIcu, serviceId, kOutOfRange);
            }
            m_downloadAddress = to;
            m_downloadData.reset();
            return framed(command, kIcu, {0x74, 0x04});
        }
        case 0x36:
            if (!m_downloadAddress || request.size() < 5) {
                return refused(command, kIcu, serviceId, kSequenceError);
            }
            m_downloadData =
                std::array<std::uint8_t, 4>{request[1], request[2], request[3], request[4]};
            return framed(command, kIcu, {0x76});
        case 0x37:
            if (!m_downloadAddress || !m_downloadData) {
                return refused(command, kIcu, serviceId, kSequenceError);
            }
            if (!keepsOldCode()) {
                for (std::uint32_t i = 0; i < 4; ++i) {
                    *injectorByte(*m_downloadAddress + i) = (*m_downloadData)[i];
                }
            }
            m_downloadAddress.reset();
            m_downloadData.reset();
            return framed(command, kIcu, {0x77});
        default:
            return refused(command, kIcu, serviceId, kServiceNotSupported);
    }
}

// Whether a keeps-old-code fault takes this store; it is used up like the other faults.
bool Box::keepsOldCode() {
    const int request = m_injectorRequests + 1;  // counted once the answer leaves the box
    for (auto& fault : m_faults) {
        if (fault.kind != FaultKind::KeepsOldCode || fault.count == 0 || fault.identifier ||
            (fault.module != 0 && fault.module != kIcu) ||
            (fault.injectorRequest != 0 && fault.injectorRequest != request)) {
            continue;
        }
        if (fault.count > 0) {
            --fault.count;
        }
        return true;
    }
    return false;
}

std::vector<std::uint8_t> Box::noise(unsigned count) {
    std::vector<std::uint8_t> bytes;
    for (unsigned i = 0; i < count; ++i) {
        m_noise = m_noise * 1664525u + 1013904223u;  // small LCG: repeatable noise
        bytes.push_back(static_cast<std::uint8_t>(m_noise >> 24));
    }
    return bytes;
}

bool Box::faultActs(const Fault& fault, const std::vector<std::uint8_t>& request,
                    const Answer& answer, std::optional<std::uint16_t> identifier) const {
    if (fault.count == 0 || fault.kind == FaultKind::KeepsOldCode) {
        return false;  // used up, or acted on when the unit stored
    }
    if ((fault.identifier && fault.identifier != identifier) ||
        (fault.module != 0 && fault.module != answer.module)) {
        return false;
    }
    if (fault.injectorRequest != 0 &&
        (answer.module != kIcu || fault.injectorRequest != m_injectorRequests)) {
        return false;
    }
    const bool needsFrame = fault.kind == FaultKind::CountZero || fault.kind == FaultKind::CutShort;
    if (needsFrame && !answer.framed) {
        return false;
    }
    return fault.kind != FaultKind::LateProbe || isModuleProbe(request[0]);
}

bool Box::applyFault(const Fault& fault, BoxOutput& out) {
    switch (fault.kind) {
        case FaultKind::SilentBox:
        case FaultKind::SilentModule:
            out.bytes.clear();
            return true;
        case FaultKind::LineClosed:
            m_lineClosed = true;
            out.bytes.clear();
            out.closeLine = true;
            return true;
        case FaultKind::WrongEcho:
            out.bytes[0] = static_cast<std::uint8_t>(out.bytes[0] ^ 0x40);
            break;
        case FaultKind::CountZero:
            out.bytes.resize(2);
            out.bytes[1] = 0;
            break;
        case FaultKind::CutShort:
            out.bytes.resize(std::min<std::size_t>(out.bytes.size(), 2 + fault.amount));
            break;
        case FaultKind::ExtraDelay:
            out.delayMs += fault.amount;
            break;
        case FaultKind::LateProbe:
            out.delayMs += fault.amount == 0 ? kLateProbeMs : fault.amount;
            break;
        case FaultKind::KeepsOldCode:  // acted on when the unit stores, never here
            break;
        case FaultKind::BurstHold:
            out.holdMs = holdOf(fault);
            break;
        case FaultKind::Garbage:
            out.bytes = noise(fault.amount == 0 ? 4 : fault.amount);
            break;
        case FaultKind::StaleBytes: {
            // Bytes of a data part never begin a reply (the high bit is set).
            std::vector<std::uint8_t> stale = noise(fault.amount == 0 ? 3 : fault.amount);
            for (std::uint8_t& byte : stale) {
                byte |= 0x80;
            }
            out.bytes.insert(out.bytes.begin(), stale.begin(), stale.end());
            break;
        }
    }
    return false;
}

BoxOutput Box::applyFaults(const std::vector<std::uint8_t>& request, Answer reply) {
    BoxOutput out;
    out.bytes = std::move(reply.bytes);
    if (out.bytes.empty()) {
        return out;  // the box stays silent anyway; faults wait for a request it answers
    }
    if (reply.module == kIcu) {
        ++m_injectorRequests;
    }
    const bool parameterRead = isParameterCommand(request[0]) && request.size() == 3;
    const auto identifier =
        parameterRead ? std::optional<std::uint16_t>(request[1] * 256 + request[2]) : std::nullopt;
    for (auto& fault : m_faults) {
        if (!faultActs(fault, request, reply, identifier)) {
            continue;
        }
        if (fault.count > 0) {
            --fault.count;
        }
        if (applyFault(fault, out)) {
            return out;
        }
    }
    std::erase_if(m_faults, [](const Fault& fault) { return fault.count == 0; });
    return out;
}

unsigned Box::burstHoldMs() const {
    for (const Fault& fault : m_faults) {
        if (fault.kind == FaultKind::BurstHold) {
            return holdOf(fault);
        }
    }
    return 0;
}

}  // namespace tvx::sim
