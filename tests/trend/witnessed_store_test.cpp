#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "trend/witnessed_store.h"

namespace tvx::trend {
namespace {

// A store that keeps in memory what it is given and can be told to refuse.
class MemoryStore final : public RecordingStore {
public:
    bool refuse = false;
    int begun = 0;
    int writersStopped = 0;
    std::vector<std::vector<std::uint64_t>> cycles;  // the times of each cycle's readings
    const session::LivePage* page = nullptr;

    std::unique_ptr<RecordingWriter> startLiveRecording(const session::LivePage& began,
                                                        std::span<const Gauge>,
                                                        std::string& error) override {
        if (refuse) {
            error = "disk full";
            return nullptr;
        }
        ++begun;
        page = &began;
        return std::make_unique<Writer>(*this);
    }
    RecordingRead readLiveRecording(const std::string&) override { return {}; }

private:
    class Writer final : public RecordingWriter {
    public:
        explicit Writer(MemoryStore& store) : m_store(store) {}
        void addCycle(std::span<const Reading> readings) override {
            std::vector<std::uint64_t>& times = m_store.cycles.emplace_back();
            for (const Reading& reading : readings) {
                times.push_back(reading.timeMs);
            }
        }
        bool stop(std::string&) override {
            ++m_store.writersStopped;
            return true;
        }
        const std::string& id() const override { return m_id; }

    private:
        MemoryStore& m_store;
        std::string m_id = "memory";
    };
};

std::vector<Reading> cycleAt(std::uint64_t first, std::uint64_t second) {
    std::vector<Reading> readings(2);
    readings[0].timeMs = first;
    readings[1].timeMs = second;
    return readings;
}

TEST(WitnessedStore, TheWitnessKeepsTheSameCyclesAndEndsOnceWithTheRecording) {
    auto inner = std::make_unique<MemoryStore>();
    MemoryStore& files = *inner;
    MemoryStore record;
    WitnessedRecordingStore store(std::move(inner), &record);
    const session::LivePage& page = session::clusterPage();
    std::string error;

    auto writer = store.startLiveRecording(page, {}, error);
    ASSERT_NE(writer, nullptr) << error;
    EXPECT_EQ(writer->id(), "memory");
    writer->addCycle(cycleAt(0, 40));
    writer->addCycle(cycleAt(300, 340));
    ASSERT_TRUE(writer->stop(error));
    writer.reset();  // stopped already: not stopped again
    EXPECT_EQ(files.cycles, (std::vector<std::vector<std::uint64_t>>{{0, 40}, {300, 340}}));
    EXPECT_EQ(record.cycles, files.cycles);
    EXPECT_EQ(files.writersStopped, 1);
    EXPECT_EQ(record.writersStopped, 1);
    EXPECT_EQ(record.page, &page);

    // A recording dropped without stop() (the program closing) still ends the witness's.
    writer = store.startLiveRecording(page, {}, error);
    writer.reset();
    EXPECT_EQ(record.begun, 2);
    EXPECT_EQ(record.writersStopped, 2);
}

TEST(WitnessedStore, ARecordingTheStoreCannotBeginIsNeverWitnessed) {
    auto inner = std::make_unique<MemoryStore>();
    inner->refuse = true;
    MemoryStore record;
    WitnessedRecordingStore store(std::move(inner), &record);
    std::string error;
    EXPECT_EQ(store.startLiveRecording(session::clusterPage(), {}, error), nullptr);
    EXPECT_EQ(error, "disk full");
    EXPECT_EQ(record.begun, 0);
}

TEST(WitnessedStore, AWitnessThatCannotBeginLeavesTheRecordingToTheStore) {
    auto inner = std::make_unique<MemoryStore>();
    MemoryStore& files = *inner;
    MemoryStore record;
    record.refuse = true;
    WitnessedRecordingStore store(std::move(inner), &record);
    std::string error;
    auto writer = store.startLiveRecording(session::clusterPage(), {}, error);
    ASSERT_NE(writer, nullptr) << error;
    writer->addCycle(cycleAt(0, 40));
    EXPECT_TRUE(writer->stop(error));
    EXPECT_EQ(files.cycles.size(), 1u);
    EXPECT_TRUE(record.cycles.empty());
}

}  // namespace
}  // namespace tvx::trend
