#include "trend/witnessed_store.h"

#include <utility>

namespace tvx::trend {
namespace {

class WitnessedWriter final : public RecordingWriter {
public:
    WitnessedWriter(std::unique_ptr<RecordingWriter> inner, std::function<void()> ended)
        : m_inner(std::move(inner)), m_ended(std::move(ended)) {}
    // A writer dropped without stop() (the program closing) still ends the witness's.
    ~WitnessedWriter() override { tellEnded(); }

    void addCycle(std::span<const Reading> readings) override { m_inner->addCycle(readings); }
    bool stop(std::string& error) override {
        tellEnded();
        return m_inner->stop(error);
    }
    bool failed() const override { return m_inner->failed(); }
    const std::string& id() const override { return m_inner->id(); }

private:
    void tellEnded() {
        if (m_ended) {
            std::exchange(m_ended, {})();
        }
    }

    std::unique_ptr<RecordingWriter> m_inner;
    std::function<void()> m_ended;
};

}  // namespace

WitnessedRecordingStore::WitnessedRecordingStore(std::unique_ptr<RecordingStore> inner,
                                                 Witness witness)
    : m_inner(std::move(inner)), m_witness(std::move(witness)) {}

std::unique_ptr<RecordingWriter> WitnessedRecordingStore::startLiveRecording(
    const session::LivePage& page, std::span<const std::string_view> gauges, std::string& error) {
    std::unique_ptr<RecordingWriter> writer = m_inner->startLiveRecording(page, gauges, error);
    if (!writer) {
        return nullptr;
    }
    if (m_witness.began) {
        m_witness.began(page);
    }
    return std::make_unique<WitnessedWriter>(std::move(writer), m_witness.ended);
}

RecordingRead WitnessedRecordingStore::readLiveRecording(const std::string& id) {
    return m_inner->readLiveRecording(id);
}

}  // namespace tvx::trend
