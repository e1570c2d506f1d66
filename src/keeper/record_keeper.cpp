#include "keeper/record_keeper.h"

#include <algorithm>
#include <chrono>
#include <future>
#include <utility>

#include "datadir/code_journal.h"
#include "keeper/record_live_store.h"
#include "session/live_columns.h"

namespace tvx::session {
namespace {

const char* requestName(InjectorRequest request) {
    switch (request) {
        case InjectorRequest::Start:
            return "start";
        case InjectorRequest::Open:
            return "open";
        case InjectorRequest::SelectSlot:
            return "select";
        case InjectorRequest::Write:
            return "write";
        case InjectorRequest::Store:
            return "store";
        case InjectorRequest::Close:
            return "close";
        case InjectorRequest::StartAgain:
            return "start again";
    }
    return "?";
}

std::vector<record::Block> blocksOf(const std::array<InjectorBlock, 9>& blocks) {
    std::vector<record::Block> result;
    for (int b = 1; b <= 8; ++b) {
        const InjectorBlock& block = blocks[static_cast<std::size_t>(b)];
        result.push_back({(std::uint32_t{block.address[0]} << 16) |
                              (std::uint32_t{block.address[1]} << 8) | block.address[2],
                          block.data});
    }
    return result;
}

std::array<std::string, 4> codesOf(const InjectorCodes& codes) {
    return {codes[1], codes[2], codes[3], codes[4]};
}

}  // namespace

// A programming run's start on its way to the record, shared by the guard that waits for it
// and the writer that writes it. The guard may stop waiting (time-out, the tester closing);
// the run is then written only when the journal guards it and it goes ahead (`late`).
struct RecordKeeper::GuardTicket {
    enum class State { Waiting, Writing, Written, Failed, Abandoned };
    std::mutex mutex;
    std::condition_variable changed;
    State state = State::Waiting;

    void settle(State to) {
        {
            std::lock_guard lock(mutex);
            state = to;
        }
        changed.notify_all();
    }
};

namespace {
// The keeper whose writer thread is the calling thread, if any.
thread_local const RecordKeeper* t_writerOf = nullptr;
}  // namespace

RecordKeeper::RecordKeeper(const std::filesystem::path& dataDirectory, Options options,
                           Notice onNotice)
    : m_path(dataDirectory / record::Record::kFileName),
      m_options(std::move(options)),
      m_onNotice(std::move(onNotice)),
      m_journal(dataDirectory),
      m_liveStore(std::make_unique<RecordLiveStore>(*this)) {
    m_language = m_options.language == "tr" ? '2' : '1';
    record::Record::Opened opened = record::Record::open(m_path, m_options.database);
    if (opened.movedAside) {
        tell("the record file was damaged (" + opened.damage + "); it is kept as " +
             opened.movedAside->string() + " with a note of why, and a new record begins with " +
             std::to_string(opened.rowsKept) + " rows that could still be read from it");
    }
    if (!opened.record) {
        fail(opened.problem);
        return;
    }
    m_record = std::move(opened.record);
    m_writer = std::thread([this] { writerLoop(); });
}

RecordKeeper::~RecordKeeper() {
    stopLiveRecording();
    endVisit();
    waitIdle();
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_writer.joinable()) {
        m_writer.join();
    }
    tellHeld();
}

bool RecordKeeper::kept() const {
    std::lock_guard lock(m_mutex);
    return m_problem.empty();
}

std::string RecordKeeper::problem() const {
    std::lock_guard lock(m_mutex);
    return m_problem;
}

void RecordKeeper::setLanguage(char languageCode) {
    m_language = languageCode;
}

void RecordKeeper::tell(const std::string& text) {
    if (m_options.noticesOnSessionThread && t_writerOf == this) {
        {
            std::lock_guard lock(m_mutex);
            m_heldNotices.push_back(text);
        }
        m_idle.notify_all();
        return;
    }
    if (!m_onNotice) {
        return;
    }
    try {
        m_onNotice(text);
    } catch (...) {
        // Whoever shows notices failed to; the record goes on regardless.
    }
}

void RecordKeeper::tellHeld() {
    std::deque<std::string> held;
    {
        std::lock_guard lock(m_mutex);
        held.swap(m_heldNotices);
    }
    for (const std::string& text : held) {
        tell(text);
    }
}

void RecordKeeper::fail(const std::string& problem) {
    {
        std::lock_guard lock(m_mutex);
        if (!m_problem.empty()) {
            return;
        }
        m_problem = problem.empty() ? "the record file cannot be used" : problem;
        m_jobs.clear();
    }
    m_idle.notify_all();
    tell("the workshop record is not kept: " + this->problem());
}

void RecordKeeper::post(Job job) {
    {
        std::lock_guard lock(m_mutex);
        if (!m_problem.empty() || !m_record) {
            return;
        }
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

void RecordKeeper::writerLoop() {
    t_writerOf = this;
    Open open;
    while (true) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_idle.notify_all();
            m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_jobs.empty()) {
                return;  // stopping, and everything is written
            }
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
            m_busy = true;
        }
        write(job, open);
        std::lock_guard lock(m_mutex);
        m_busy = false;
    }
}

// Pauses between two tries of a locked record; false once the record failed meanwhile.
bool RecordKeeper::waitBeforeRetry(unsigned pauseMs) {
    std::unique_lock lock(m_mutex);
    m_wake.wait_for(lock, std::chrono::milliseconds(pauseMs),
                    [this] { return !m_problem.empty(); });
    return m_problem.empty();
}

void RecordKeeper::write(const Job& job, Open& open) {
    unsigned pauseMs = 10;
    while (true) {
        try {
            if (m_options.beforeEachWrite) {
                m_options.beforeEachWrite();
            }
            job(*m_record, open);
            if (m_lock.waiting) {
                tell("the workshop record is free again; what was held back is written" +
                     (m_lock.givenUp > 0 ? " (" + std::to_string(m_lock.givenUp) +
                                               " entries of the wait are not recorded)"
                                         : std::string()));
                m_lock = {};
            }
            return;
        } catch (const record::DbError& error) {
            if (!record::Record::isBusy(error)) {
                if (record::Record::isDamage(error)) {
                    record::Record::suspectDamage(m_path, error.what());
                    fail(record::Record::plainProblem(error) +
                         "; the next time the tester starts it checks the file, moves it aside "
                         "and keeps what can still be read");
                } else {
                    fail(record::Record::plainProblem(error));
                }
                return;
            }
            const auto now = std::chrono::steady_clock::now();
            if (!m_lock.waiting) {
                m_lock.waiting = true;
                m_lock.giveUpAt = now + std::chrono::milliseconds(m_options.busyBudgetMs);
                tell(
                    "the workshop record is locked by another program; what happens is held "
                    "back and written once it is free");
            }
            if (now >= m_lock.giveUpAt) {
                // The wait's budget is spent: the writes of this spell are each tried once.
                if (m_lock.givenUp++ == 0) {
                    tell("the workshop record stayed locked by another program for " +
                         std::to_string(m_options.busyBudgetMs / 1000) +
                         " s; entries are not recorded until it is free");
                }
                return;
            }
            if (!waitBeforeRetry(pauseMs)) {
                return;
            }
            pauseMs = std::min(pauseMs * 2, 1000u);
        } catch (const std::exception& error) {
            if (!std::exchange(m_unexpectedTold, true)) {
                tell(std::string("an entry of the workshop record could not be written (") +
                     error.what() + "); the record goes on");
            }
            return;
        } catch (...) {
            if (!std::exchange(m_unexpectedTold, true)) {
                tell(
                    "an entry of the workshop record could not be written (an unknown error); "
                    "the record goes on");
            }
            return;
        }
    }
}

void RecordKeeper::waitIdle() {
    while (true) {
        {
            std::unique_lock lock(m_mutex);
            if (!m_writer.joinable()) {
                return;
            }
            m_wake.notify_one();
            m_idle.wait(lock,
                        [this] { return (m_jobs.empty() && !m_busy) || !m_heldNotices.empty(); });
            if (m_heldNotices.empty()) {
                return;
            }
        }
        tellHeld();
    }
}

void RecordKeeper::flush() {
    waitIdle();
    tellHeld();
}

std::optional<std::int64_t> RecordKeeper::currentVisit() {
    auto answer = std::make_shared<std::promise<std::optional<std::int64_t>>>();
    auto future = answer->get_future();
    post([answer](record::Record&, Open& open) { answer->set_value(open.visit); });
    flush();
    if (future.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        return std::nullopt;  // the record failed before it was asked
    }
    return future.get();
}

// ---- visits

void RecordKeeper::beginVisit(bool demo) {
    m_visitOpen = true;
    m_visitDemo = demo;
    m_visitVin.clear();
    record::VisitStart start{wallClockMs(), demo, m_vehicle, m_diesel,
                             m_language == '2' ? "tr" : "en"};
    post([start](record::Record& record, Open& open) {
        open = Open{};
        open.visit = record.beginVisit(start);
    });
}

void RecordKeeper::endVisit() {
    if (!m_visitOpen) {
        return;
    }
    m_visitOpen = false;
    const std::int64_t at = wallClockMs();
    post([at](record::Record& record, Open& open) {
        if (open.visit) {
            record.touchVisit(*open.visit, at);
        }
        open = Open{};
    });
}

void RecordKeeper::vehicleChosen(const VehicleChoice& e) {
    tellHeld();  // what the writer had to say, on this thread
    const std::string name(e.name);
    if (m_visitOpen && (name != m_vehicle || e.diesel != m_diesel)) {
        endVisit();  // another car
    }
    m_vehicle = name;
    m_diesel = e.diesel;
}

void RecordKeeper::modulesProbed(const ModuleProbe& e) {
    tellHeld();
    if (!e.carAnswered) {
        return;
    }
    if (!m_visitOpen || m_visitDemo != e.demo) {
        endVisit();
        beginVisit(e.demo);
    }
    for (std::size_t module = 1; module <= 5; ++module) {
        m_protocols[module] = e.protocols[module];
    }
    m_injectorUnit = e.injectorUnitOffered;
    postModules();
}

void RecordKeeper::vinRead(const VinReading& e) {
    tellHeld();
    if (!e.read || !m_visitOpen) {
        return;
    }
    if (!m_visitVin.empty() && m_visitVin != e.vin) {
        // The same box on another car: a visit of its own, with the probe just made.
        endVisit();
        beginVisit(m_visitDemo);
        postModules();
    }
    const bool first = m_visitVin.empty();
    m_visitVin = e.vin;
    post([vin = e.vin, first, within = m_options.continueWithinMs](record::Record& record,
                                                                   Open& open) {
        if (!open.visit) {
            return;
        }
        if (first) {
            open.visit = record.continueVisit(*open.visit, vin, wallClockMs(), within);
        } else {
            record.setVisitVin(*open.visit, vin);
        }
    });
}

void RecordKeeper::lineLost() {
    tellHeld();
    const std::int64_t at = wallClockMs();
    postToVisit([at](record::Record& record, std::int64_t visit) { record.touchVisit(visit, at); });
}

void RecordKeeper::postToVisit(VisitJob job) {
    post([job = std::move(job)](record::Record& record, Open& open) {
        if (open.visit) {
            job(record, *open.visit);
        }
    });
}

void RecordKeeper::visitEvent(bool demo) {
    tellHeld();
    if (!m_visitOpen) {
        beginVisit(demo);
    }
}

void RecordKeeper::postModules() {
    postToVisit([protocols = m_protocols, unit = m_injectorUnit](record::Record& record,
                                                                 std::int64_t visit) {
        record.setVisitModules(visit, protocols, unit);
    });
}

// ---- trouble codes

void RecordKeeper::troubleCodesRead(const TroubleCodeRead& e) {
    visitEvent(e.demo);
    record::CodeRead read;
    read.module = e.module;
    read.at = wallClockMs();
    read.ok = e.ok;
    read.count = e.count;
    read.catalogueMissing = e.catalogueMissing;
    read.language = e.languageCode == '2' ? "tr" : "en";
    for (std::size_t i = 0; i < e.codes.size(); ++i) {
        record::TroubleCode code;
        code.code = e.codes[i];
        code.text = i < e.codeTexts.size() ? e.codeTexts[i] : std::string();
        if (i < e.descriptions.size()) {
            code.description = e.descriptions[i];
        }
        read.codes.push_back(std::move(code));
    }
    postToVisit([read = std::move(read)](record::Record& record, std::int64_t visit) {
        record.addCodeRead(visit, read);
    });
}

void RecordKeeper::troubleCodesCleared(const TroubleCodeClear& e) {
    visitEvent(e.demo);
    const std::int64_t at = wallClockMs();
    postToVisit([module = e.module, ok = e.ok, at](record::Record& record, std::int64_t visit) {
        record.addClear(visit, module, at, ok);
    });
}

// ---- injector codes

void RecordKeeper::injectorCodesRead(const InjectorRead& e) {
    visitEvent(e.demo);
    record::InjectorRead read;
    read.at = wallClockMs();
    read.ok = e.ok;
    if (e.ok) {
        read.codes = codesOf(e.codes);
        if (!e.demo) {
            read.blocks = blocksOf(e.blocks);
        }
    }
    postToVisit([read = std::move(read)](record::Record& record, std::int64_t visit) {
        record.addInjectorRead(visit, read);
    });
}

bool RecordKeeper::journalInstead(const ProgrammingPlan& plan, const std::string& why,
                                  std::string& whyNot) {
    std::string journalWhyNot;
    if (!m_journal.beforeFirstWrite(plan, journalWhyNot)) {
        whyNot = why + ", and " + journalWhyNot;
        return false;
    }
    tell("the workshop record cannot take this programming run now (" + why +
         "); the codes read are kept safe in the injector code journal " +
         m_journal.path().string() + " instead");
    m_journalGuardsRun = true;
    return true;
}

bool RecordKeeper::beforeFirstWrite(const ProgrammingPlan& plan, std::string& whyNot) {
    if (!goOn(plan.keepGoing)) {
        whyNot = "the tester is closing";
        return false;
    }
    if (!kept()) {
        return journalInstead(plan, problem(), whyNot);
    }
    if (!m_visitOpen) {
        beginVisit(false);
    }
    const std::shared_ptr<GuardTicket> ticket = postRunStart(plan);
    return awaitRunStart(*ticket, plan, whyNot);
}

std::shared_ptr<RecordKeeper::GuardTicket> RecordKeeper::postRunStart(const ProgrammingPlan& plan) {
    record::ProgrammingRun run;
    run.injector = plan.injector;
    run.startedAt = wallClockMs();
    run.codeBefore = plan.oldCode;
    run.codeNew = plan.newCode;
    run.restore = plan.restore;
    run.codesRead = codesOf(plan.codesRead);
    run.blocks = blocksOf(plan.blocks);
    auto ticket = std::make_shared<GuardTicket>();
    using State = GuardTicket::State;
    post([run, ticket](record::Record& record, Open& open) {
        {
            std::lock_guard lock(ticket->mutex);
            if (ticket->state == State::Abandoned) {
                return;  // refused meanwhile: the run never happened
            }
        }
        if (!open.visit) {
            ticket->settle(State::Failed);
            return;
        }
        try {
            const std::int64_t id = record.beginProgrammingRun(*open.visit, run, [&ticket] {
                std::lock_guard lock(ticket->mutex);
                if (ticket->state == State::Abandoned) {
                    return false;
                }
                ticket->state = State::Writing;
                return true;
            });
            if (id > 0) {
                open.run = id;
                ticket->settle(State::Written);
            }
        } catch (const record::DbError& error) {
            if (!record::Record::isBusy(error)) {
                ticket->settle(State::Failed);
            }
            throw;
        }
    });
    return ticket;
}

bool RecordKeeper::awaitRunStart(GuardTicket& ticket, const ProgrammingPlan& plan,
                                 std::string& whyNot) {
    using State = GuardTicket::State;
    // Waits in short slices: the tester closing ends the wait at once.
    const auto giveUpAt =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(m_options.guardTimeoutMs);
    std::unique_lock lock(ticket.mutex);
    while (ticket.state == State::Waiting || ticket.state == State::Writing) {
        const bool closing = !goOn(plan.keepGoing);
        const bool late = std::chrono::steady_clock::now() >= giveUpAt;
        if (ticket.state == State::Waiting && (closing || late || !kept())) {
            if (closing) {
                ticket.state = State::Abandoned;
                whyNot = "the tester is closing";
                return false;
            }
            // The journal guards the run while the ticket is held: the writer either writes
            // the run late (it goes ahead) or never (it is refused).
            const std::string why =
                kept() ? "it is locked by another program and did not answer in time" : problem();
            if (journalInstead(plan, why, whyNot)) {
                return true;
            }
            ticket.state = State::Abandoned;
            return false;
        }
        ticket.changed.wait_for(lock, std::chrono::milliseconds(50));
    }
    if (ticket.state != State::Written) {
        lock.unlock();
        return journalInstead(plan, problem().empty() ? "it cannot be written" : problem(), whyNot);
    }
    return true;
}

bool RecordKeeper::canKeep(std::string& whyNot) {
    if (kept()) {
        return true;
    }
    // The journal guards a run the record cannot take.
    std::string journalWhyNot;
    if (m_journal.canKeep(journalWhyNot)) {
        return true;
    }
    whyNot = problem() + ", and " + journalWhyNot;
    return false;
}

void RecordKeeper::programmingStep(const ProgrammingStep& e) {
    tellHeld();
    record::ProgrammingStepRow step{wallClockMs(), e.half, requestName(e.request), e.ok, e.restore};
    post([step](record::Record& record, Open& open) {
        if (open.run) {
            record.addProgrammingStep(*open.run, step);
        }
    });
}

void RecordKeeper::programmingEnded(const ProgrammingEnd& e) {
    tellHeld();
    if (m_journalGuardsRun) {
        // How the run ended goes beside its start, so a restore can tell it finished.
        m_journalGuardsRun = false;
        if (!m_journal.runEnded(e)) {
            tell(
                "how the programming run ended could not be added to the injector code "
                "journal " +
                m_journal.path().string());
        }
    }
    record::ProgrammingRun end;
    end.endedAt = wallClockMs();
    end.result = programmingResultName(e.result);
    end.unitHolds = unitHoldsName(e);
    end.codeAfter = e.readBack;
    end.restoreTried = e.restoreTried;
    post([end](record::Record& record, Open& open) {
        if (open.run) {
            record.endProgrammingRun(*open.run, end);
            open.run.reset();
        }
    });
}

// ---- live recordings

// Stopping the page recorded before and starting this one is one step under one lock:
// another thread starting meanwhile would leave a recording that never ends.
void RecordKeeper::startLiveRecording(const LivePage& page) {
    std::vector<record::Channel> channels;
    std::lock_guard lock(m_liveMutex);
    stopLiveRecordingLocked();
    m_livePage = &page;
    m_channelGauges.clear();
    for (const LiveColumn& column : liveColumns(page)) {
        // The record keeps the gauge by its control's name.
        channels.push_back({static_cast<int>(m_channelGauges.size()),
                            std::string(gaugeName(column.gauge)), std::string(column.name),
                            std::string(column.unit)});
        m_channelGauges.push_back(column.gauge);
    }
    m_liveCycles = 0;
    m_liveLastMs = 0;
    const int pageNumber = stateNumber(page.pollState);
    const std::int64_t at = wallClockMs();
    post([channels, pageNumber, at](record::Record& record, Open& open) {
        if (open.recording) {
            record.endRecording(*open.recording, at);  // never two open at once
            open.recording.reset();
        }
        if (open.visit) {
            open.recording = record.beginRecording(*open.visit, pageNumber, at, channels);
        }
    });
}

void RecordKeeper::addLiveCycle(std::span<const trend::Reading> cycle) {
    std::vector<record::Reading> readings;
    std::lock_guard lock(m_liveMutex);
    if (m_livePage == nullptr) {
        return;
    }
    for (const trend::Reading& reading : cycle) {
        const auto channel =
            std::find(m_channelGauges.begin(), m_channelGauges.end(), reading.gauge);
        if (channel == m_channelGauges.end()) {
            continue;
        }
        readings.push_back(
            {static_cast<std::int64_t>(reading.timeMs),
             static_cast<int>(channel - m_channelGauges.begin()),
             reading.failed ? std::optional<double>() : std::optional<double>(reading.value)});
    }
    if (!cycle.empty()) {
        m_liveLastMs = cycle.front().timeMs;  // the cycle's time, as the recorder counts it
    }
    ++m_liveCycles;
    post([readings = std::move(readings)](record::Record& record, Open& open) {
        if (open.recording) {
            record.addReadings(*open.recording, readings);
        }
    });
}

void RecordKeeper::stopLiveRecording() {
    std::lock_guard lock(m_liveMutex);
    stopLiveRecordingLocked();
}

void RecordKeeper::stopLiveRecordingLocked() {
    if (m_livePage == nullptr) {
        return;
    }
    m_livePage = nullptr;
    const std::int64_t at = wallClockMs();
    const std::int64_t cycles = m_liveCycles;
    const auto durationMs = static_cast<std::int64_t>(m_liveLastMs);
    post([at, cycles, durationMs](record::Record& record, Open& open) {
        if (open.recording) {
            record.endRecording(*open.recording, at, cycles, durationMs);
            open.recording.reset();
        }
    });
}

bool RecordKeeper::liveRecording() const {
    std::lock_guard lock(m_liveMutex);
    return m_livePage != nullptr;
}

void RecordKeeper::livePageStarted(const LivePageStart&) {
    tellHeld();
}

// The cluster's odometer whenever its page reads it, recorded or not: the visit keeps the last.
void RecordKeeper::keepOdometer(double km) {
    post([km](record::Record& record, Open& open) {
        if (open.visit && open.odometer != std::pair{*open.visit, km}) {
            record.setVisitOdometerRead(*open.visit, km);
            open.odometer = std::pair{*open.visit, km};
        }
    });
}

void RecordKeeper::liveReading(const LiveReading& e) {
    if (e.kind == LiveRead::Kind::Odometer && !e.failed) {
        keepOdometer(e.value);
    }
}

void RecordKeeper::liveCycleEnded(const LiveCycle&) {
    tellHeld();
}

}  // namespace tvx::session
