#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "trend/witnessed_store.h"

namespace tvx::trend {
namespace {

// A store that writes nowhere and can be told to refuse.
class MemoryStore final : public RecordingStore {
public:
    bool refuse = false;
    int writersStopped = 0;

    std::unique_ptr<RecordingWriter> startLiveRecording(const session::LivePage&,
                                                        std::span<const std::string_view>,
                                                        std::string& error) override {
        if (refuse) {
            error = "disk full";
            return nullptr;
        }
        return std::make_unique<Writer>(*this);
    }
    RecordingRead readLiveRecording(const std::string&) override { return {}; }

private:
    class Writer final : public RecordingWriter {
    public:
        explicit Writer(MemoryStore& store) : m_store(store) {}
        void addCycle(std::span<const Reading>) override {}
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

struct Told {
    std::vector<std::string> events;
    const session::LivePage* page = nullptr;
    WitnessedRecordingStore::Witness witness() {
        return {[this](const session::LivePage& began) {
                    events.push_back("began");
                    page = &began;
                },
                [this] { events.push_back("ended"); }};
    }
};

TEST(WitnessedStore, TellsEachBeginningAndEndOnceAndLeavesTheRecordingToTheStore) {
    auto inner = std::make_unique<MemoryStore>();
    MemoryStore& memory = *inner;
    Told told;
    WitnessedRecordingStore store(std::move(inner), told.witness());
    const session::LivePage& page = session::clusterPage();
    std::string error;

    auto writer = store.startLiveRecording(page, {}, error);
    ASSERT_NE(writer, nullptr) << error;
    EXPECT_EQ(writer->id(), "memory");
    ASSERT_TRUE(writer->stop(error));
    writer.reset();  // stopped already: not told again
    EXPECT_EQ(memory.writersStopped, 1);
    EXPECT_EQ(told.events, (std::vector<std::string>{"began", "ended"}));
    EXPECT_EQ(told.page, &page);

    // A recording dropped without stop() (the program closing) still ends the witness's.
    told.events.clear();
    writer = store.startLiveRecording(page, {}, error);
    writer.reset();
    EXPECT_EQ(told.events.size(), 2u);
    EXPECT_EQ(told.events.back(), "ended");
}

TEST(WitnessedStore, ARecordingTheStoreCannotBeginIsNeverTold) {
    auto inner = std::make_unique<MemoryStore>();
    inner->refuse = true;
    Told told;
    WitnessedRecordingStore store(std::move(inner), told.witness());
    std::string error;
    EXPECT_EQ(store.startLiveRecording(session::clusterPage(), {}, error), nullptr);
    EXPECT_EQ(error, "disk full");
    EXPECT_TRUE(told.events.empty());
}

}  // namespace
}  // namespace tvx::trend
