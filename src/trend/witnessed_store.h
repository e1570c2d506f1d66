#pragma once

#include <functional>
#include <memory>
#include <string>

#include "trend/recording_store.h"

namespace tvx::trend {

// A recording store that tells a witness (the workshop record) when each recording begins
// and ends, so the visit keeps the readings too, while the recording itself stays where
// `inner` keeps it (a file that can be replayed and exported). The witness is told only
// of recordings `inner` could begin; `ended` comes once per `began`, however it ends.
class WitnessedRecordingStore final : public RecordingStore {
public:
    struct Witness {
        std::function<void(const session::LivePage&)> began;
        std::function<void()> ended;
    };
    WitnessedRecordingStore(std::unique_ptr<RecordingStore> inner, Witness witness);

    std::unique_ptr<RecordingWriter> startLiveRecording(const session::LivePage& page,
                                                        std::span<const std::string_view> gauges,
                                                        std::string& error) override;
    RecordingRead readLiveRecording(const std::string& id) override;

private:
    std::unique_ptr<RecordingStore> m_inner;
    Witness m_witness;
};

}  // namespace tvx::trend
