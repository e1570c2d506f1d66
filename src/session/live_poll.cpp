#include "session/live_poll.h"

#include <array>

#include "link/decoder_table.h"
#include "session/session_controls.h"

namespace tvx::session {

namespace {

// Reads one value and reports it with the fields it fills.
void readOne(const LiveRead& read, link::Requests& requests, link::Clock& clock,
             const OnLiveValue& onValue) {
    link::Link& link = requests.link();
    std::array<LiveShown, 3> fields{};
    std::size_t count = 1;
    LiveValue value;
    value.read = &read;
    switch (read.kind) {
        case LiveRead::Kind::Decode:
            requests.Decode(read.decoder);
            value.identifier = link::decoderRow(read.decoder).identifier;
            fields[0] = {read.gauge, requests.ValueText, requests.EngValue};
            break;
        case LiveRead::Kind::SwitchStates: {
            requests.ReadSwitchStates();
            value.identifier = link::Requests::kSwitchStatesIdentifier;
            const unsigned flags = requests.StatusFlags;
            const std::string_view texts[] = {clutchText(flags), brakeText(flags),
                                              aircoText(flags)};
            for (std::size_t i = 0; i < 3; ++i) {
                fields[i] = {controls::kSwitchStateGauges[i], std::string(texts[i]),
                             texts[i] == " ON" ? 1.0 : 0.0};
            }
            count = 3;
            break;
        }
        case LiveRead::Kind::Odometer:
            requests.ReadOdometer();
            value.identifier = requests.odometerIdentifier();
            fields[0] = {read.gauge, requests.ValueText, requests.EngValue};
            break;
    }
    // Demo values never fail; an earlier failure must not hide them.
    value.failed = !link.DemoMode && link.ReplyFailed != 0;
    value.timeMs = clock.nowMs();
    value.shown = std::span<const LiveShown>(fields.data(), count);
    onValue(value);
}

}  // namespace

LivePoll pollLivePage(const LivePage& page, link::Requests& requests, link::Clock& clock,
                      std::size_t from, const OnLiveValue& onValue, const KeepGoing& keepGoing,
                      const LiveFocus& focus) {
    const std::size_t end = page.reads.size();
    if (from >= end) {
        from = 0;
    }
    if (from == 0 && requests.link().DemoMode) {
        clock.sleepMs(page.demoPauseMs);
    }
    for (std::size_t i = focus.nextPolled(page, from); i < end;) {
        if (page.pauseBeforeEachMs != 0) {
            clock.sleepMs(page.pauseBeforeEachMs);
        }
        readOne(page.reads[i], requests, clock, onValue);
        const std::size_t next = focus.nextPolled(page, i + 1);
        if (next < end && !goOn(keepGoing)) {
            return {next, false};
        }
        i = next;
    }
    return {0, true};
}

}  // namespace tvx::session
