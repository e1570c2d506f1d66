#pragma once

#include <memory>
#include <span>
#include <string>

#include "keeper/record_keeper.h"
#include "trend/recording_store.h"

namespace tvx::session {

// The record as the witness of the program's recording store: each recording the one live
// recorder writes goes into the visit too, cycle for cycle (RecordKeeper::liveStore()).
class RecordLiveStore final : public trend::RecordingStore {
public:
    explicit RecordLiveStore(RecordKeeper& keeper) : m_keeper(keeper) {}

    std::unique_ptr<trend::RecordingWriter> startLiveRecording(const LivePage& page,
                                                               std::span<const Gauge> gauges,
                                                               std::string& error) override;
    // The record's recordings are read from its visits, not by id.
    trend::RecordingRead readLiveRecording(const std::string& id) override;

private:
    RecordKeeper& m_keeper;
};

}  // namespace tvx::session
