#include "cli/cli.h"

#include <chrono>
#include <exception>
#include <memory>
#include <utility>

#include "cli/box_sync.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/record_commands.h"
#include "datadir/data_directory.h"
#include "datadir/data_install.h"
#include "datadir/settings.h"
#include "keeper/seen_before_watch.h"
#include "keeper/unfinished_runs.h"
#include "link/byte_trace.h"

namespace tvx::cli {
namespace {

constexpr ExitCodeText kExitCodes[] = {
    {ExitCode::Ok, "done"},
    {ExitCode::Unexpected, "unexpected internal error"},
    {ExitCode::BadInput,
     "bad input (option, vehicle, module, injector code): refused, nothing sent"},
    {ExitCode::PortFailed, "the serial port or the simulator could not be opened"},
    {ExitCode::NoBox, "no box: the interface box did not answer, or the line to it was lost"},
    {ExitCode::NoCar, "no car: the car or the chosen module did not answer"},
    {ExitCode::ReadFailed,
     "reading trouble codes or injector codes failed, or no live read succeeded"},
    {ExitCode::WriteFailed,
     "clearing trouble codes or programming an injector failed, or the read-back differs"},
    {ExitCode::Cancelled, "not confirmed: nothing was written"},
    {ExitCode::NotRecorded,
     "the injector codes read could not be kept safe first (record or journal): nothing was "
     "written"},
    {ExitCode::OldCodeRestored,
     "programming failed part-way; the old code was written back and read: the unit is as it "
     "was"},
    {ExitCode::UnitUncertain,
     "programming failed part-way; the unit holds a mixed code or could not be read: write "
     "the old code back with 'injectors restore'"},
    {ExitCode::NotVerified, "the code was written, but not verified: the read-back failed"},
    {ExitCode::RecordFailed,
     "the workshop record cannot be read or written, or this build keeps none (report, history, "
     "workshop, injectors restore)"},
    {ExitCode::OutputFailed,
     "live --csv or --record could not be written (disk full?): polling stopped; the file "
     "holds every whole cycle up to there"},
    {ExitCode::BoxLate,
     "the box answers late: answers came after their time-out and were set aside (see "
     "'doctor')"},
    {ExitCode::SyncFailed,
     "sync: the server cannot be reached or refused (push or pull did not go through), or "
     "'sync setup' found something wrong (nothing stored)"},
    // ---- doctor
    {ExitCode::DoctorPortMissing, "doctor: the serial port is not there"},
    {ExitCode::DoctorCannotOpen,
     "doctor: the serial port does not open (no permission, in use, not a serial port)"},
    {ExitCode::DoctorLineLost, "doctor: the line was lost during the test (device gone)"},
    {ExitCode::DoctorBoxSilent, "doctor: the box does not answer"},
    {ExitCode::DoctorNotTheBox, "doctor: something answers, but not the box"},
    {ExitCode::DoctorNoModule, "doctor: the box answers, no module of the car does"},
    {ExitCode::DoctorModulesAbsent, "doctor: some modules do not answer"},
    {ExitCode::DoctorBoxLate, "doctor: the box answers, but late (after the time-out)"},
};

// A listener of the session for as long as this lives (none when nullptr).
class Listening {
public:
    Listening(session::Session& session, session::SessionEvents* listener)
        : m_session(session), m_listener(listener) {
        if (m_listener != nullptr) {
            m_session.addListener(*m_listener);
        }
    }
    ~Listening() {
        if (m_listener != nullptr) {
            m_session.removeListener(*m_listener);
        }
    }
    Listening(const Listening&) = delete;
    Listening& operator=(const Listening&) = delete;

private:
    session::Session& m_session;
    session::SessionEvents* m_listener;
};

// The commands that run on the box once connected; the others run before connecting (see
// run()) or need no connection.
constexpr std::pair<CommandKind, ExitCode (*)(CommandContext&)> kBoxCommands[] = {
    {CommandKind::Scan, runScan},
    {CommandKind::DtcRead, runDtcRead},
    {CommandKind::DtcClear, runDtcClear},
    {CommandKind::Live, runLive},
    {CommandKind::InjectorsRead, runInjectorsRead},
    {CommandKind::InjectorsProgram, runInjectorsProgram},
    {CommandKind::InjectorsRestore, runInjectorsRestore},
};

ExitCode runOnTheBox(CommandContext& context) {
    for (const auto& [kind, run] : kBoxCommands) {
        if (kind == context.invocation.command) {
            return run(context);
        }
    }
    return ExitCode::Unexpected;
}

// Opens the byte trace when one is asked for; false (said on stderr) when it cannot be written.
bool openTrace(const Invocation& invocation, Console& console,
               std::unique_ptr<link::ByteTrace>& trace) {
    if (!invocation.common.tracePath) {
        return true;
    }
    trace = std::make_unique<link::ByteTrace>(*invocation.common.tracePath);
    if (!trace->isOpen()) {
        console.err << "tarvolinex-cli: cannot write the trace file "
                    << *invocation.common.tracePath << '\n';
        return false;
    }
    return true;
}

// Connects through the tester and runs the command, with what watches the session meanwhile:
// a car with an unfinished programming run is named as soon as its VIN is read (the
// injectors commands say it once they have read what the unit holds), and the car's earlier
// visits, here and at the workshop's other bays.
ExitCode connectAndRun(CommandContext& context, const std::filesystem::path& dataDirectory,
                       char language, std::int64_t startedAtMs) {
    Console& console = context.console;
    HeadlessTester& tester = context.tester;
    session::UnfinishedRunWatch unfinished(
        dataDirectory, [language] { return language; },
        [&console](const std::string& warning) {
            console.err << "tarvolinex-cli: " << warning << '\n';
        });
    const CommandKind command = context.invocation.command;
    const bool readsTheCodes = command == CommandKind::InjectorsRead ||
                               command == CommandKind::InjectorsProgram ||
                               command == CommandKind::InjectorsRestore;
    const Listening watching(tester.session(), readsTheCodes ? nullptr : &unfinished);
    session::SeenBeforeWatch seenBefore(dataDirectory, language, startedAtMs,
                                        [&console](const std::vector<std::string>& lines) {
                                            for (const std::string& line : lines) {
                                                console.err << "tarvolinex-cli: " << line << '\n';
                                            }
                                        });
    const Listening recalling(tester.session(), &seenBefore);

    console.progress("Connecting to " + context.line.description() +
                     ": box test, module scan, VIN ...");
    const Outcome connected = tester.connect(context.vehicle, context.line.demo());
    if (connected == Outcome::NoCar) {
        if (const ExitCode late = reportLateAnswers(tester.moduleProbe(), "connecting", console);
            late != ExitCode::Ok) {
            return late;
        }
    }
    if (connected != Outcome::Ok) {
        return reportOutcome(connected, "connecting", console);
    }
    return runOnTheBox(context);
}

ExitCode runConnected(const Invocation& invocation, Console& console, link::Clock& clock,
                      const Environment& environment) {
    const std::filesystem::path dataDirectory = commandDataDirectory(invocation);
    std::optional<VehicleChoice> vehicle;
    if (invocation.common.vehicle) {
        vehicle = findVehicle(*invocation.common.vehicle);
    }
    if (isSyncCommand(invocation.command)) {
        return runSync(invocation, console, dataDirectory, languageCode(invocation, dataDirectory));
    }
    if (!needsTheBox(invocation.command)) {
        return runRecordCommand(invocation, console, dataDirectory,
                                languageCode(invocation, dataDirectory));
    }
    if (const ExitCode refused = checkBeforeConnecting(invocation, vehicle, console);
        refused != ExitCode::Ok) {
        return refused;
    }
    // As the window does on its first start: a missing catalogue is copied in, a file
    // already there is kept, and a copy that fails is reported but stops nothing.
    if (!environment.shippedData.empty()) {
        session::reportInstall(session::installDataFiles(environment.shippedData, dataDirectory),
                               dataDirectory, "tarvolinex-cli", console.err, console.err);
    }
    std::unique_ptr<link::ByteTrace> trace;
    if (!openTrace(invocation, console, trace)) {
        return ExitCode::BadInput;
    }
    BoxLine::Opened opened = BoxLine::open(invocation.common, dataDirectory, clock);
    if (!opened.line) {
        console.err << "tarvolinex-cli: " << opened.error << '\n';
        return opened.failure;
    }
    const char language = languageCode(invocation, dataDirectory);
    const std::int64_t startedAtMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::system_clock::now().time_since_epoch())
                                         .count();
    HeadlessTester tester(opened.line->port(), clock, dataDirectory, language);
    tester.link().setTrace(trace.get());
    // Everything this run learns goes into the workshop record as it happens, and from
    // there to the shared history's server (its last push after the record's last write).
    BoxSync sharing(dataDirectory, language, console, environment.syncExitWait);
    CommandRecord record(tester, dataDirectory, language, console);
    sharing.start();
    CommandContext context{invocation,
                           console,
                           tester,
                           *opened.line,
                           clock,
                           environment.interrupted,
                           environment.handlesInterrupt,
                           vehicle,
                           record};
    return connectAndRun(context, dataDirectory, language, startedAtMs);
}

}  // namespace

char languageCode(const Invocation& invocation, const std::filesystem::path& dataDirectory) {
    if (invocation.common.language) {
        return *invocation.common.language == "tr" ? '2' : '1';  // already lower case
    }
    // The window's language, when it has saved one.
    return session::readSettings(session::settingsPath(dataDirectory)).settings.languageCode;
}

std::filesystem::path commandDataDirectory(const Invocation& invocation) {
    return session::dataDirectory(
        invocation.common.dataDir ? std::optional<std::filesystem::path>(*invocation.common.dataDir)
                                  : std::nullopt);
}

std::span<const ExitCodeText> exitCodeTexts() {
    return kExitCodes;
}

int run(const std::vector<std::string>& args, Console& console, const Environment& environment) {
    try {
        const ParseResult parsed = parseCommandLine(args, console.out, console.err);
        if (!parsed.invocation) {
            return parsed.exitCode;
        }
        link::SteadyClock wallClock;
        link::Clock& clock = environment.clock != nullptr ? *environment.clock : wallClock;
        // ---- Port discovery and the doctor open the port themselves, without a session.
        if (parsed.invocation->command == CommandKind::Ports) {
            return toInt(runPorts(*parsed.invocation, console));
        }
        if (parsed.invocation->command == CommandKind::Doctor) {
            return toInt(runDoctor(*parsed.invocation, console, clock));
        }
        // ----
        if (parsed.invocation->command == CommandKind::Replay) {
            return toInt(runReplay(*parsed.invocation, console, clock, environment.interrupted,
                                   environment.handlesInterrupt));
        }
        return toInt(runConnected(*parsed.invocation, console, clock, environment));
    } catch (const std::exception& error) {
        console.err << "tarvolinex-cli: unexpected error: " << error.what() << '\n';
        return toInt(ExitCode::Unexpected);
    }
}

}  // namespace tvx::cli
