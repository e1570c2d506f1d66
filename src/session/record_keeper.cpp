#include "session/record_keeper.h"

#include <chrono>
#include <future>

#include "session/code_journal.h"
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

// The grid row as shown begins with the code; the catalogue's description follows it.
std::string descriptionOf(const std::string& row, const std::string& code) {
    std::string text = row.starts_with(code) ? row.substr(code.size()) : row;
    const auto first = text.find_first_not_of(' ');
    const auto last = text.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

std::array<std::string, 4> codesOf(const InjectorCodes& codes) {
    return {codes[1], codes[2], codes[3], codes[4]};
}

}  // namespace

std::int64_t wallClockMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

RecordKeeper::RecordKeeper(const std::filesystem::path& dataDirectory, Options options,
                           Notice onNotice)
    : m_path(dataDirectory / record::Record::kFileName),
      m_options(std::move(options)),
      m_onNotice(std::move(onNotice)) {
    m_language = m_options.language == "tr" ? '2' : '1';
    record::Record::Opened opened = record::Record::open(m_path, m_options.database);
    if (opened.movedAside) {
        tell("the record file was damaged; it is kept as " + opened.movedAside->string() +
             " and a new record begins");
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
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_writer.joinable()) {
        m_writer.join();
    }
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
    if (m_onNotice) {
        m_onNotice(text);
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
        try {
            job(*m_record, open);
        } catch (const record::DbError& error) {
            fail(record::Record::plainProblem(error));
        }
        std::lock_guard lock(m_mutex);
        m_busy = false;
    }
}

void RecordKeeper::flush() {
    std::unique_lock lock(m_mutex);
    if (!m_writer.joinable()) {
        return;
    }
    m_wake.notify_one();
    m_idle.wait(lock, [this] { return m_jobs.empty() && !m_busy; });
}

std::optional<std::int64_t> RecordKeeper::currentVisit() {
    std::promise<std::optional<std::int64_t>> answer;
    auto future = answer.get_future();
    post([&answer](record::Record&, Open& open) { answer.set_value(open.visit); });
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
    const std::string name(e.name);
    if (m_visitOpen && (name != m_vehicle || e.diesel != m_diesel)) {
        endVisit();  // another car
    }
    m_vehicle = name;
    m_diesel = e.diesel;
}

void RecordKeeper::modulesProbed(const ModuleProbe& e) {
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
    const auto protocols = m_protocols;
    const bool unit = m_injectorUnit;
    post([protocols, unit](record::Record& record, Open& open) {
        if (open.visit) {
            record.setVisitModules(*open.visit, protocols, unit);
        }
    });
}

void RecordKeeper::vinRead(const VinReading& e) {
    if (!e.read || !m_visitOpen) {
        return;
    }
    if (!m_visitVin.empty() && m_visitVin != e.vin) {
        // The same box on another car: a visit of its own, with the probe just made.
        endVisit();
        beginVisit(m_visitDemo);
        const auto protocols = m_protocols;
        const bool unit = m_injectorUnit;
        post([protocols, unit](record::Record& record, Open& open) {
            record.setVisitModules(*open.visit, protocols, unit);
        });
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
    const std::int64_t at = wallClockMs();
    post([at](record::Record& record, Open& open) {
        if (open.visit) {
            record.touchVisit(*open.visit, at);
        }
    });
}

// ---- trouble codes

void RecordKeeper::troubleCodesRead(const TroubleCodeRead& e) {
    if (!m_visitOpen) {
        beginVisit(e.demo);
    }
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
        if (i < e.rows.size()) {
            code.description = descriptionOf(e.rows[i], code.text);
        }
        read.codes.push_back(std::move(code));
    }
    post([read = std::move(read)](record::Record& record, Open& open) {
        if (open.visit) {
            record.addCodeRead(*open.visit, read);
        }
    });
}

void RecordKeeper::troubleCodesCleared(const TroubleCodeClear& e) {
    if (!m_visitOpen) {
        beginVisit(e.demo);
    }
    const std::int64_t at = wallClockMs();
    post([module = e.module, ok = e.ok, at](record::Record& record, Open& open) {
        if (open.visit) {
            record.addClear(*open.visit, module, at, ok);
        }
    });
}

// ---- injector codes

void RecordKeeper::injectorCodesRead(const InjectorRead& e) {
    if (!m_visitOpen) {
        beginVisit(e.demo);
    }
    record::InjectorRead read;
    read.at = wallClockMs();
    read.ok = e.ok;
    if (e.ok) {
        read.codes = codesOf(e.codes);
        if (!e.demo) {
            read.blocks = blocksOf(e.blocks);
        }
    }
    post([read = std::move(read)](record::Record& record, Open& open) {
        if (open.visit) {
            record.addInjectorRead(*open.visit, read);
        }
    });
}

bool RecordKeeper::beforeFirstWrite(const ProgrammingPlan& plan, std::string& whyNot) {
    if (!kept()) {
        whyNot = problem();
        return false;
    }
    if (!m_visitOpen) {
        beginVisit(false);
    }
    record::ProgrammingRun run;
    run.injector = plan.injector;
    run.startedAt = wallClockMs();
    run.codeBefore = plan.oldCode;
    run.codeNew = plan.newCode;
    run.restore = plan.restore;
    run.codesRead = codesOf(plan.codesRead);
    run.blocks = blocksOf(plan.blocks);
    auto done = std::make_shared<std::promise<bool>>();
    auto future = done->get_future();
    post([run, done](record::Record& record, Open& open) {
        try {
            if (!open.visit) {
                throw record::DbError(0, "no visit to record the run in");
            }
            open.run = record.beginProgrammingRun(*open.visit, run);
            done->set_value(true);
        } catch (...) {
            done->set_value(false);
            throw;
        }
    });
    if (future.wait_for(std::chrono::milliseconds(m_options.guardTimeoutMs)) !=
        std::future_status::ready) {
        whyNot = "the workshop record did not answer in time";
        return false;
    }
    if (!future.get()) {
        whyNot = problem().empty() ? "the workshop record cannot be written" : problem();
        return false;
    }
    return true;
}

bool RecordKeeper::canKeep(std::string& whyNot) {
    if (!kept()) {
        whyNot = problem();
        return false;
    }
    return true;
}

void RecordKeeper::programmingStep(const ProgrammingStep& e) {
    record::ProgrammingStepRow step{wallClockMs(), e.half, requestName(e.request), e.ok, e.restore};
    post([step](record::Record& record, Open& open) {
        if (open.run) {
            record.addProgrammingStep(*open.run, step);
        }
    });
}

void RecordKeeper::programmingEnded(const ProgrammingEnd& e) {
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

void RecordKeeper::startLiveRecording(const LivePage& page) {
    stopLiveRecording();
    std::vector<record::Channel> channels;
    std::lock_guard lock(m_liveMutex);
    m_livePage = &page;
    m_channelGauges.clear();
    for (const LiveColumn& column : liveColumns(page)) {
        channels.push_back({static_cast<int>(m_channelGauges.size()), column.gauge,
                            std::string(column.name), std::string(column.unit)});
        m_channelGauges.push_back(column.gauge);
    }
    m_firstReadingMs = -1;
    const int pageNumber = stateNumber(page.pollState);
    const std::int64_t at = wallClockMs();
    post([channels, pageNumber, at](record::Record& record, Open& open) {
        if (open.visit) {
            open.recording = record.beginRecording(*open.visit, pageNumber, at, channels);
        }
    });
}

void RecordKeeper::stopLiveRecording() {
    std::lock_guard lock(m_liveMutex);
    if (m_livePage == nullptr) {
        return;
    }
    flushReadings();
    m_livePage = nullptr;
    const std::int64_t at = wallClockMs();
    post([at](record::Record& record, Open& open) {
        if (open.recording) {
            record.endRecording(*open.recording, at);
            open.recording.reset();
        }
    });
}

bool RecordKeeper::liveRecording() const {
    std::lock_guard lock(m_liveMutex);
    return m_livePage != nullptr;
}

// Called with m_liveMutex held.
void RecordKeeper::flushReadings() {
    if (m_pending.empty()) {
        return;
    }
    post([readings = std::move(m_pending)](record::Record& record, Open& open) {
        if (open.recording) {
            record.addReadings(*open.recording, readings);
        }
    });
    m_pending.clear();
}

void RecordKeeper::livePageStarted(const LivePageStart& e) {
    bool other = false;
    {
        std::lock_guard lock(m_liveMutex);
        other = m_livePage != nullptr && m_livePage != e.page;
    }
    if (other) {
        stopLiveRecording();
    }
}

void RecordKeeper::liveReading(const LiveReading& e) {
    std::lock_guard lock(m_liveMutex);
    if (m_livePage == nullptr || e.page != m_livePage->pollState) {
        return;
    }
    int channel = -1;
    for (std::size_t i = 0; i < m_channelGauges.size(); ++i) {
        if (m_channelGauges[i] == e.gauge) {
            channel = static_cast<int>(i);
            break;
        }
    }
    if (channel < 0) {
        return;
    }
    const auto now = static_cast<std::int64_t>(e.timeMs);
    if (m_firstReadingMs < 0) {
        m_firstReadingMs = now;
    }
    m_pending.push_back({now - m_firstReadingMs, channel,
                         e.failed ? std::optional<double>() : std::optional<double>(e.value)});
}

void RecordKeeper::liveCycleEnded(const LiveCycle&) {
    std::lock_guard lock(m_liveMutex);
    flushReadings();
}

}  // namespace tvx::session
