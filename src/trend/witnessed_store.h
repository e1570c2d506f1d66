#pragma once

#include <memory>
#include <string>

#include "trend/recording_store.h"

namespace tvx::trend {

// A store whose recordings a witness (the workshop record) keeps too, cycle for cycle: the
// same readings with the same times from the one recorder that writes them, so both hold
// the same cycles and the same duration. The recording itself stays where `inner` keeps it
// (a file that can be replayed and exported); the witness is asked only for recordings
// `inner` could begin, and one it cannot begin leaves the recording to `inner` alone.
class WitnessedRecordingStore final : public RecordingStore {
public:
    // No witness (nullptr): the recordings go to `inner` alone.
    WitnessedRecordingStore(std::unique_ptr<RecordingStore> inner, RecordingStore* witness);

    std::unique_ptr<RecordingWriter> startLiveRecording(const session::LivePage& page,
                                                        std::span<const Gauge> gauges,
                                                        std::string& error) override;
    RecordingRead readLiveRecording(const std::string& id) override;

private:
    std::unique_ptr<RecordingStore> m_inner;
    RecordingStore* m_witness;
};

}  // namespace tvx::trend
