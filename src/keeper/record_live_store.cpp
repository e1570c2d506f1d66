#include "keeper/record_live_store.h"

namespace tvx::session {
namespace {

class RecordWriter final : public trend::RecordingWriter {
public:
    explicit RecordWriter(RecordKeeper& keeper) : m_keeper(keeper) {}
    void addCycle(std::span<const trend::Reading> readings) override {
        m_keeper.addLiveCycle(readings);
    }
    // What the record could not keep it says in its own notices.
    bool stop(std::string&) override {
        m_keeper.stopLiveRecording();
        return true;
    }
    const std::string& id() const override { return m_id; }

private:
    RecordKeeper& m_keeper;
    std::string m_id = "the record";
};

}  // namespace

std::unique_ptr<trend::RecordingWriter> RecordLiveStore::startLiveRecording(const LivePage& page,
                                                                            std::span<const Gauge>,
                                                                            std::string&) {
    m_keeper.startLiveRecording(page);
    return std::make_unique<RecordWriter>(m_keeper);
}

trend::RecordingRead RecordLiveStore::readLiveRecording(const std::string&) {
    return {std::nullopt, "the record's recordings are read from its visits", 0};
}

}  // namespace tvx::session
