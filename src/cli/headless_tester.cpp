#include "cli/headless_tester.h"

namespace tvx::cli {
namespace {

// No operation of the tester takes this many steps; more means a session that never
// settles, which is reported instead of hanging.
constexpr int kMaxSteps = 100000;

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::string promptText(const session::Prompt& prompt) {
    std::string text;
    for (const std::string& line : prompt.lines) {
        const std::string part = trimmed(line);
        if (part.empty()) {
            continue;
        }
        if (!text.empty()) {
            text += " / ";
        }
        text += part;
    }
    return text;
}

HeadlessTester::HeadlessTester(link::SerialPort& port, link::Clock& clock,
                               std::filesystem::path dataDirectory, char languageCode)
    : m_link(port, clock),
      m_requests(m_link),
      m_journal(dataDirectory),
      m_session(m_link, m_requests, clock, m_view, std::move(dataDirectory)),
      m_languageCode(languageCode) {
    m_session.setProgrammingGuard(&m_journal);
    m_session.addListener(*this);
}

HeadlessTester::~HeadlessTester() {
    m_session.removeListener(*this);
}

void HeadlessTester::modulesProbed(const session::ModuleProbe& e) {
    m_heard.probe = e;
    m_probe = e;
}

void HeadlessTester::injectorCodesRead(const session::InjectorRead& e) {
    m_heard.injectors = e;
    if (e.ok) {
        m_injectors = e;
    }
}

void HeadlessTester::programmingStep(const session::ProgrammingStep& e) {
    if (e.request == session::InjectorRequest::Write) {
        m_heard.written = true;
    }
}

void HeadlessTester::countdownStarted(const session::Countdown& e) {
    if (m_prompts != nullptr && m_prompts->countdown) {
        m_prompts->countdown(e.seconds);
    }
}

void HeadlessTester::settle() {
    for (int i = 0; i < kMaxSteps && !m_session.isWaiting(); ++i) {
        m_session.step();
    }
}

Outcome HeadlessTester::connectionOutcome() const {
    if (m_heard.lineLost) {
        return Outcome::LineLost;
    }
    if (m_heard.box && !m_heard.box->answered) {
        return Outcome::NoBox;
    }
    return m_heard.probe && m_heard.probe->carAnswered ? Outcome::Ok : Outcome::NoCar;
}

Outcome HeadlessTester::connect(const std::optional<VehicleChoice>& vehicle, bool demo) {
    m_session.LanguageCode = m_languageCode;
    if (vehicle) {
        if (vehicle->diesel) {
            m_session.selectDiesel(vehicle->index);
        } else {
            m_session.selectPetrol(vehicle->index);
        }
    }
    listen();
    if (demo) {
        m_session.demo();
        settle();
        return connectionOutcome();
    }
    // The port is open and the vehicle chosen: the session starts at the prompt to plug the
    // box in, and OK there connects exactly as in the window.
    m_session.startAtPlugTheBox();
    settle();
    m_session.ok();
    settle();
    return connectionOutcome();
}

Outcome HeadlessTester::openModule(session::Module module) {
    if (module != session::Module::Icu &&
        m_probe.protocols[static_cast<std::size_t>(session::linkModuleNumber(module))] == 0) {
        return Outcome::ModuleAbsent;
    }
    return runCommand([&] { m_session.selectModule(module); },
                      [this] { return m_heard.opened && m_heard.opened->answered; },
                      Outcome::ModuleSilent);
}

Outcome HeadlessTester::runCommand(const std::function<void()>& command,
                                   const std::function<bool()>& succeeded, Outcome failed) {
    listen();
    command();
    settle();
    if (m_heard.lineLost) {
        return Outcome::LineLost;
    }
    return succeeded() ? Outcome::Ok : failed;
}

HeadlessTester::DtcList HeadlessTester::readDtc() {
    DtcList list;
    listen();
    m_session.readDtc();
    settle();
    if (m_heard.lineLost) {
        list.outcome = Outcome::LineLost;
        return list;
    }
    if (!m_heard.codes || !m_heard.codes->ok) {
        list.outcome = Outcome::ReadFailed;
        return list;
    }
    const session::TroubleCodeRead& read = *m_heard.codes;
    list.count = read.count;
    list.codes = read.codeTexts;
    list.rows = read.rows;
    list.catalogueMissing = read.catalogueMissing;
    return list;
}

Outcome HeadlessTester::clearDtc() {
    return runCommand([this] { m_session.clearDtc(); },
                      [this] { return m_heard.clear && m_heard.clear->ok; }, Outcome::WriteFailed);
}

const session::LivePage* HeadlessTester::startLive() {
    listen();
    m_session.live();
    // The dispatch chooses the page, its entry lays it out; then the polling state follows.
    for (int i = 0; i < 3 && m_heard.page == nullptr && !m_session.isWaiting(); ++i) {
        m_session.step();
    }
    m_page = m_heard.page;
    return m_page;
}

bool HeadlessTester::pollCycle(std::vector<session::LiveReading>& readings) {
    readings.clear();
    if (m_page == nullptr) {
        return false;
    }
    listen();
    m_heard.readings.swap(readings);  // reuses the caller's storage
    for (int i = 0; i < kMaxSteps && !m_heard.cycle && !m_session.isWaiting(); ++i) {
        m_session.step();
    }
    readings.swap(m_heard.readings);
    const bool polling = m_heard.cycle && m_heard.cycle->complete && !m_heard.lineLost;
    if (!polling) {
        m_page = nullptr;
    }
    return polling;
}

Outcome HeadlessTester::readInjectors() {
    return runCommand([this] { m_session.readInjectors(); },
                      [this] { return m_heard.injectors && m_heard.injectors->ok; },
                      Outcome::ReadFailed);
}

HeadlessTester::Programming HeadlessTester::programInjector(int slot, const std::string& code,
                                                            const ProgrammingPrompts& prompts,
                                                            bool restore) {
    Programming result;
    listen();
    m_prompts = &prompts;
    struct Forget {
        const ProgrammingPrompts*& prompts;
        ~Forget() { prompts = nullptr; }
    } forget{m_prompts};

    if (restore) {
        m_session.restoreInjectors();
    } else {
        m_session.programInjectors();
    }
    for (int i = 0; i < kMaxSteps; ++i) {
        settle();
        result.sent = m_heard.written;
        result.end = m_heard.programmed;
        if (m_heard.lineLost) {
            result.outcome = Outcome::LineLost;
            return result;
        }
        if (m_heard.programmed) {
            using Result = session::ProgrammingEnd::Result;
            switch (m_heard.programmed->result) {
                case Result::Finished:
                    result.outcome = Outcome::Ok;
                    break;
                case Result::Failed:
                case Result::NotVerified:
                case Result::NotRecorded:
                    result.outcome = Outcome::WriteFailed;
                    break;
                case Result::Refused:
                    result.outcome = Outcome::CodeRefused;
                    break;
            }
            return result;
        }
        if (!m_heard.prompt) {
            break;  // waiting, but not for the operator: the sequence went astray
        }
        const session::Prompt prompt = *m_heard.prompt;
        m_heard.prompt.reset();
        using Kind = session::Prompt::Kind;
        switch (prompt.kind) {
            case Kind::IgnitionOff:
            case Kind::IgnitionOn:
                if (!prompts.ignition(promptText(prompt))) {
                    result.outcome = Outcome::Cancelled;
                    return result;
                }
                break;
            case Kind::EnterCode:
                m_session.injectorPanelClick(slot);
                m_session.injectorOk(slot, code);
                break;
            case Kind::Confirm:
                if (!prompts.confirm(promptText(prompt))) {
                    result.outcome = Outcome::Cancelled;
                    return result;
                }
                break;
        }
        m_session.ok();
    }
    result.outcome = Outcome::WriteFailed;
    return result;
}

Outcome HeadlessTester::backToModuleMenu() {
    listen();
    m_session.ok();
    settle();
    return connectionOutcome();
}

}  // namespace tvx::cli
