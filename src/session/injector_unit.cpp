#include "session/injector_unit.h"

#include <algorithm>

namespace tvx::session {

namespace {

constexpr unsigned kAfterStartMs = 50;
constexpr unsigned kAroundRoutineMs = 300;

// Runs the steps in order while each succeeds; a pause step always succeeds.
class Sequence {
public:
    Sequence(link::Clock& clock, const KeepGoing& keepGoing)
        : m_clock(clock), m_keepGoing(keepGoing) {}
    template <typename Request>
    Sequence& then(Request&& request) {
        m_ok = m_ok && goOn(m_keepGoing) && request();
        return *this;
    }
    Sequence& pause(unsigned ms) {
        if (m_ok) {
            m_clock.sleepMs(ms);
        }
        return *this;
    }
    bool ok() const { return m_ok; }

private:
    link::Clock& m_clock;
    const KeepGoing& m_keepGoing;
    bool m_ok = true;
};

}  // namespace

bool readInjectorUnit(link::Requests& requests, link::Clock& clock, InjectorUnitRead& result,
                      const KeepGoing& keepGoing) {
    Sequence sequence(clock, keepGoing);
    sequence.then([&] { return requests.StartDiagnosticMode(); })
        .pause(kAfterStartMs)
        .then([&] { return requests.Routine(0); })
        .pause(kAroundRoutineMs)
        .then([&] {
            const bool answered = requests.AddressQuery();
            result.reportedAddress = requests.AddressHeld;
            return answered;
        })
        .pause(kAroundRoutineMs)
        .then([&] { return requests.Routine(1); });
    std::array<std::uint8_t, 3> address = result.reportedAddress;
    for (int read = 1; read <= 8; ++read) {
        sequence.then([&] {
            address = previousBlockAddress(address);
            if (!requests.ReadMemory(address)) {
                return false;
            }
            result.blocks[read].address = address;
            const auto& reply = requests.link().ReplyBuffer;
            std::copy_n(reply.begin() + 7, 4, result.blocks[read].data.begin());
            return true;
        });
    }
    sequence.pause(kAroundRoutineMs);
    if (sequence.ok()) {
        result.codes = codesOfBlocks(result.blocks);
    }
    sequence.then([&] { return requests.StartDiagnosticMode(); });
    return sequence.ok();
}

UnitWrite writeInjectorHalves(link::Requests& requests, link::Clock& clock,
                              const std::array<InjectorBlock, 9>& blocks, int injector,
                              const std::array<std::uint8_t, 8>& code, Halves halves,
                              const KeepGoing& keepGoing, const OnUnitStep& onStep) {
    UnitWrite result;
    if (injector < 1 || injector > 4) {
        return result;
    }
    // Slots 0..3 are the first halves of injectors 1..4, slots 4..7 their second halves.
    const std::array<const InjectorBlock*, 3> block{nullptr, &blocks[firstHalfRead(injector)],
                                                    &blocks[secondHalfRead(injector)]};
    // Each request is told to onStep as it went.
    auto told = [&onStep](int half, InjectorRequest request, auto&& send) {
        return [&onStep, half, request, send] {
            const bool ok = send();
            if (onStep) {
                onStep(UnitStep{half, request, ok});
            }
            return ok;
        };
    };
    using R = InjectorRequest;
    Sequence sequence(clock, keepGoing);
    sequence.then(told(0, R::Start, [&] { return requests.StartDiagnosticMode(); }))
        .pause(kAfterStartMs)
        .then(told(0, R::Open, [&] { return requests.Routine(0); }))
        .pause(kAroundRoutineMs);
    for (int half = 1; half <= 2; ++half) {
        if (!(half == 1 ? halves.first : halves.second)) {
            continue;
        }
        const auto h = static_cast<std::size_t>(half);
        const std::array<std::uint8_t, 4> bytes{code[4 * (h - 1)], code[4 * (h - 1) + 1],
                                                code[4 * (h - 1) + 2], code[4 * (h - 1) + 3]};
        sequence
            .then(told(half, R::SelectSlot,
                       [&] { return requests.RequestDownload(block[h]->address); }))
            .then(told(half, R::Write,
                       [&, h] {
                           result.writeSent[h] = true;
                           return requests.TransferData(bytes);
                       }))
            .then(told(half, R::Store, [&, h] {
                result.stored[h] = requests.TransferExit();
                return result.stored[h];
            }));
    }
    sequence.then(told(0, R::Close, [&] { return requests.Routine(1); }))
        .pause(kAroundRoutineMs)
        .then(told(0, R::StartAgain, [&] { return requests.StartDiagnosticMode(); }));
    result.ok = sequence.ok();
    return result;
}

bool programInjectorUnit(link::Requests& requests, link::Clock& clock,
                         const std::array<InjectorBlock, 9>& blocks, int injector,
                         const std::array<std::uint8_t, 8>& code, const KeepGoing& keepGoing,
                         const OnUnitStep& onStep) {
    return writeInjectorHalves(requests, clock, blocks, injector, code, Halves{}, keepGoing, onStep)
        .ok;
}

std::array<std::uint8_t, 8> codeBytesOfBlocks(const std::array<InjectorBlock, 9>& blocks,
                                              int injector) {
    std::array<std::uint8_t, 8> bytes{};
    if (injector < 1 || injector > 4) {
        return bytes;
    }
    std::copy_n(blocks[firstHalfRead(injector)].data.begin(), 4, bytes.begin());
    std::copy_n(blocks[secondHalfRead(injector)].data.begin(), 4, bytes.begin() + 4);
    return bytes;
}

InjectorCodes codesOfBlocks(const std::array<InjectorBlock, 9>& blocks) {
    InjectorCodes codes = blankInjectorCodes();
    for (int n = 1; n <= 4; ++n) {
        codes[n] = injectorCodeText(codeBytesOfBlocks(blocks, n));
    }
    return codes;
}

}  // namespace tvx::session
