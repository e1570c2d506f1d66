#include "trend/witnessed_store.h"

#include <utility>

namespace tvx::trend {
namespace {

class WitnessedWriter final : public RecordingWriter {
public:
    WitnessedWriter(std::unique_ptr<RecordingWriter> inner,
                    std::unique_ptr<RecordingWriter> witness)
        : m_inner(std::move(inner)), m_witness(std::move(witness)) {}
    // A writer dropped without stop() (the program closing) still ends the witness's.
    ~WitnessedWriter() override { stopWitness(); }

    void addCycle(std::span<const Reading> readings) override {
        m_inner->addCycle(readings);
        if (m_witness) {
            m_witness->addCycle(readings);
        }
    }
    bool stop(std::string& error) override {
        stopWitness();
        return m_inner->stop(error);
    }
    bool failed() const override { return m_inner->failed(); }
    const std::string& id() const override { return m_inner->id(); }

private:
    // What the witness could not keep it says itself (the record's notices).
    void stopWitness() {
        if (m_witness) {
            std::string ignored;
            std::exchange(m_witness, nullptr)->stop(ignored);
        }
    }

    std::unique_ptr<RecordingWriter> m_inner;
    std::unique_ptr<RecordingWriter> m_witness;
};

}  // namespace

WitnessedRecordingStore::WitnessedRecordingStore(std::unique_ptr<RecordingStore> inner,
                                                 RecordingStore* witness)
    : m_inner(std::move(inner)), m_witness(witness) {}

std::unique_ptr<RecordingWriter> WitnessedRecordingStore::startLiveRecording(
    const session::LivePage& page, std::span<const Gauge> gauges, std::string& error) {
    std::unique_ptr<RecordingWriter> writer = m_inner->startLiveRecording(page, gauges, error);
    if (!writer || m_witness == nullptr) {
        return writer;
    }
    std::string witnessError;
    std::unique_ptr<RecordingWriter> witness =
        m_witness->startLiveRecording(page, gauges, witnessError);
    return std::make_unique<WitnessedWriter>(std::move(writer), std::move(witness));
}

RecordingRead WitnessedRecordingStore::readLiveRecording(const std::string& id) {
    return m_inner->readLiveRecording(id);
}

}  // namespace tvx::trend
