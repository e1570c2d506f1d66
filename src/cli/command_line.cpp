#include "cli/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <filesystem>

#include "cli/exit_code.h"
#include "cli/module_choice.h"
#include "cli/vehicle_choice.h"
#include "trend/replay_engine.h"

namespace tvx::cli {
namespace {

std::string exitCodeFooter() {
    std::string text = "Exit codes:\n";
    for (const ExitCodeText& row : exitCodeTexts()) {
        text += "  " + std::to_string(toInt(row.code)) + "  " + std::string(row.meaning) + "\n";
    }
    return text;
}

const CLI::Validator kVehicleName(
    [](const std::string& name) -> std::string {
        if (findVehicle(name)) {
            return {};
        }
        return "unknown vehicle \"" + name + "\"; the vehicles are\n" + vehicleListText();
    },
    "NAME", "vehicle");

// A whole number in plain decimal digits within [low, high]: "0x10", "+3", "1e2" and "-5" are
// refused, never read as another number nor clamped into the range.
CLI::Validator wholeNumber(long long low, long long high) {
    const std::string range = std::to_string(low) + " to " + std::to_string(high);
    return CLI::Validator(
        [low, high, range](const std::string& text) -> std::string {
            const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
            const std::string_view digits =
                text.starts_with('-') ? std::string_view(text).substr(1) : std::string_view(text);
            if (digits.empty() || !std::all_of(digits.begin(), digits.end(), isDigit)) {
                return "\"" + text + "\" is not a whole number in decimal digits (" + range + ")";
            }
            long long value = 0;
            const auto [end, error] =
                std::from_chars(text.data(), text.data() + text.size(), value);
            if (error != std::errc{} || value < low || value > high) {
                return "\"" + text + "\" is out of range: give a number from " + range;
            }
            return {};
        },
        "N", "whole number " + range);
}

// A number in plain decimal ("2", "0.5") within [low, high]: no exponent, no "nan" or "inf".
CLI::Validator decimalNumber(double low, double high, const std::string& range) {
    return CLI::Validator(
        [low, high, range](const std::string& text) -> std::string {
            const std::size_t point = text.find('.');
            const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
            const std::string whole = text.substr(0, point);
            const std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
            const bool plain = !whole.empty() && whole.size() <= 9 &&
                               std::all_of(whole.begin(), whole.end(), isDigit) &&
                               std::all_of(fraction.begin(), fraction.end(), isDigit) &&
                               (point == std::string::npos || !fraction.empty());
            if (!plain) {
                return "\"" + text + "\" is not a number in decimal digits (" + range + ")";
            }
            const double value = std::strtod(text.c_str(), nullptr);
            if (value < low || value > high) {
                return "\"" + text + "\" is out of range: give a number from " + range;
            }
            return {};
        },
        "S", "decimal number " + range);
}

// A folder no file system can hold is refused before anything is opened or sent.
const CLI::Validator kFolderName(
    [](const std::string& text) -> std::string {
        constexpr std::size_t kLongestName = 255;  // NAME_MAX on Linux, the same on Windows
        for (const auto& part : std::filesystem::path(text)) {
            const std::string name = part.string();
            if (name.size() > kLongestName) {
                return "the folder name \"" + name.substr(0, 24) + "...\" has " +
                       std::to_string(name.size()) + " characters; a file system allows at most " +
                       std::to_string(kLongestName);
            }
        }
        return {};
    },
    "DIR", "folder");

const CLI::Validator kModuleName(
    [](const std::string& name) -> std::string {
        if (findModule(name)) {
            return {};
        }
        return "unknown module \"" + name + "\"; one of " + std::string(moduleListText());
    },
    "MODULE", "module");

void addCommonOptions(CLI::App& app, CommonOptions& common, std::string& simulate) {
    auto* port = app.add_option("--port", common.portDevice,
                                "Serial device of the box (/dev/ttyUSB0, /dev/pts/4, COM3)")
                     ->type_name("DEVICE");
    auto* com = app.add_option("--com", common.comNumber, "COM port number 1..8 of the box")
                    ->type_name("N")
                    ->check(wholeNumber(1, 8));
    auto* sim = app.add_option("--simulate", simulate,
                               "Run against a simulated box and car: petrol-car (the default), "
                               "diesel-van, or a JSON scenario file")
                    ->type_name("[VEHICLE|SCENARIO]")
                    ->expected(0, 1);
    auto* demo = app.add_flag("--demo", common.demo,
                              "Demonstration mode: invented values, nothing sent to any port");
    port->excludes(com, sim, demo);
    com->excludes(sim, demo);
    sim->excludes(demo);
    app.add_option("--vehicle", common.vehicle,
                   "The vehicle as the window lists it, e.g. \"FOCUS 1.8 TDCI\" (case and "
                   "repeated blanks do not matter)")
        ->check(kVehicleName);
    app.add_option("--lang", common.language,
                   "Language of trouble-code texts and screens: en or tr (default: the "
                   "settings file's)")
        ->transform(CLI::IsMember({"en", "tr"}, CLI::ignore_case));
    app.add_option("--data-dir", common.dataDir,
                   "Directory of the settings file and the trouble-code catalogues")
        ->type_name("DIR")
        ->check(kFolderName);
    app.add_option("--trace", common.tracePath, "Log every byte on the line to FILE")
        ->type_name("FILE");
}

// Each subcommand that runs something, with the command it stands for.
using Commands = std::vector<std::pair<const CLI::App*, CommandKind>>;

// A subcommand of PARENT that runs KIND.
CLI::App* addCommand(CLI::App& parent, Commands& commands, CommandKind kind, std::string name,
                     std::string description) {
    CLI::App* command = parent.add_subcommand(std::move(name), std::move(description));
    commands.emplace_back(command, kind);
    return command;
}

// Options of COMMAND that each set one text of the invocation.
struct TextOption {
    const char* name;
    std::optional<std::string> Invocation::*text;
    const char* description;
};
void addTextOptions(CLI::App& command, Invocation& inv, std::initializer_list<TextOption> options) {
    for (const TextOption& option : options) {
        command.add_option(option.name, inv.*option.text, option.description)->type_name("TEXT");
    }
}

void addModuleArgument(CLI::App& command, Invocation& inv) {
    command.add_option("MODULE", inv.module, "PCM, TCM, ABS, AirBag or Cluster")
        ->required()
        ->check(kModuleName);
}

void addInjectorArgument(CLI::App& command, Invocation& inv) {
    command.add_option("N", inv.injector, "Injector number 1..4")
        ->required()
        ->check(wholeNumber(1, 4));
}

void addWriteConfirmation(CLI::App& command, Invocation& inv) {
    command.add_flag("-y,--yes", inv.yes,
                     "Do not ask for confirmation nor wait for Enter at the ignition prompts");
}

// VISIT or --last: which of them was given is checked once parsed.
void addVisitChoice(CLI::App& command, Invocation& inv) {
    command.add_option("VISIT", inv.visit, "The visit's number (see 'history')")
        ->type_name("VISIT")
        ->check(wholeNumber(1, LLONG_MAX));
    command.add_flag("--last", inv.last, "The latest visit");
}

void addTesterCommands(CLI::App& app, Invocation& inv, Commands& commands) {
    addCommand(app, commands, CommandKind::Scan, "scan",
               "Test the box, list the protocol of every module and read the VIN");

    auto* dtc = app.add_subcommand("dtc", "Trouble codes of one module");
    dtc->require_subcommand(1);
    auto* dtcRead =
        addCommand(*dtc, commands, CommandKind::DtcRead, "read",
                   "Read the stored codes with their catalogue texts (takes about 3 s)");
    addModuleArgument(*dtcRead, inv);
    auto* dtcClear = addCommand(*dtc, commands, CommandKind::DtcClear, "clear",
                                "Clear the stored codes (asks first)");
    addModuleArgument(*dtcClear, inv);
    dtcClear->add_flag("-y,--yes", inv.yes, "Do not ask for confirmation");

    auto* live =
        addCommand(app, commands, CommandKind::Live, "live",
                   "Poll the vehicle's live-data page as the window does, one row per cycle");
    live->add_option("--csv", inv.csv, "Write the rows to FILE as CSV instead of a table")
        ->type_name("FILE");
    live->add_option("--duration", inv.durationS, "Stop after S seconds (0.001 to 1000000)")
        ->type_name("S")
        ->check(decimalNumber(0.001, 1e6, "0.001 to 1000000"));
    live->add_option("--cycles", inv.cycles, "Stop after N polling cycles")
        ->type_name("N")
        ->check(wholeNumber(1, INT_MAX));
    live->add_option("--record", inv.record,
                     "Record every reading with its time to FILE (CSV, for `replay`), "
                     "besides the table or --csv")
        ->type_name("FILE");
    live->add_option("--only", inv.only,
                     "Poll only these values, faster (fast mode): names as in the CSV header, "
                     "separated by commas")
        ->type_name("NAME[,NAME...]");
    live->add_option("--module", inv.liveModule,
                     "pcm (the vehicle's page, needs --vehicle) or cluster")
        ->transform(CLI::IsMember({"pcm", "cluster"}, CLI::ignore_case))
        ->capture_default_str();
}

void addInjectorCommands(CLI::App& app, Invocation& inv, Commands& commands) {
    auto* injectors = app.add_subcommand(
        "injectors", "Injector correction codes (diesel models with an injector control unit)");
    injectors->require_subcommand(1);
    addCommand(*injectors, commands, CommandKind::InjectorsRead, "read",
               "Read the four injector codes");
    auto* injProgram = addCommand(
        *injectors, commands, CommandKind::InjectorsProgram, "program",
        "Program one injector's code: ignition off/on prompts, confirmation, then a read-back");
    addInjectorArgument(*injProgram, inv);
    injProgram->add_option("CODE", inv.code, "The new code: 16 hexadecimal digits")->required();
    addWriteConfirmation(*injProgram, inv);

    // ---- the workshop record
    auto* injRestore = addCommand(
        *injectors, commands, CommandKind::InjectorsRestore, "restore",
        "Write back the last code the injector was known to hold whole before the runs that "
        "followed it (never a mixed code, nor one a restore wrote); the same confirmation and "
        "ignition steps as programming");
    addInjectorArgument(*injRestore, inv);
    injRestore
        ->add_option("--visit", inv.visit,
                     "Weigh the car's runs up to this visit's last one (see 'history'); "
                     "default: every run on this VIN")
        ->type_name("ID")
        ->check(wholeNumber(1, LLONG_MAX));
    injRestore
        ->add_option("--run", inv.run,
                     "Write back the code from before this run (see 'injectors runs N'); "
                     "refused when that code may be mixed")
        ->type_name("ID")
        ->check(wholeNumber(1, LLONG_MAX))
        ->excludes("--visit");
    addWriteConfirmation(*injRestore, inv);

    auto* injRuns = addCommand(
        *injectors, commands, CommandKind::InjectorsRuns, "runs",
        "List an injector's programming runs from the record (no box needed): how each ended "
        "and the code restore would write back");
    addInjectorArgument(*injRuns, inv);
    injRuns->add_option("--vin", inv.vin, "Only the runs on this VIN")->type_name("VIN");
}

void addRecordCommands(CLI::App& app, Invocation& inv, Commands& commands) {
    auto* report =
        addCommand(app, commands, CommandKind::Report, "report",
                   "Write a visit's report for the customer (no box needed); --lang tr in Turkish");
    addVisitChoice(*report, inv);
    auto* html =
        report->add_option("--html", inv.htmlPath, "Write it as HTML to FILE")->type_name("FILE");
    auto* jsonOut =
        report->add_option("--json", inv.jsonPath, "Write it as JSON to FILE")->type_name("FILE");
    auto* pdf = report->add_option("--pdf", inv.pdfPath, "Write it as a PDF (A4) to FILE")
                    ->type_name("FILE");
    html->excludes(jsonOut)->excludes(pdf);
    jsonOut->excludes(pdf);

    auto* history =
        addCommand(app, commands, CommandKind::History, "history",
                   "List the recorded visits, newest first, with their trouble-code counts "
                   "(--demo: the demonstration visits)");
    history->add_option("--vin", inv.vin, "Only the visits of this VIN (or part of it)")
        ->type_name("VIN");

    auto* workshop =
        addCommand(app, commands, CommandKind::Workshop, "workshop",
                   "Show the workshop that heads the reports, or set it (kept in workshop.txt "
                   "in the data directory)");
    workshop->add_option("NAME", inv.workshop, "The new name");
    addTextOptions(*workshop, inv,
                   {{"--address", &Invocation::address, "The address under the name"},
                    {"--phone", &Invocation::phone, "The phone number"}});
    workshop
        ->add_option("--logo", inv.logo,
                     "A PNG or JPEG picture beside the name (copied into the data directory; "
                     "\"\" removes it)")
        ->type_name("FILE");

    auto* notes = addCommand(
        app, commands, CommandKind::Notes, "notes",
        "Show a visit's notes, or set them: plate, customer, odometer, the mechanic's findings "
        "and recommendation; they appear in 'history' and the report");
    addVisitChoice(*notes, inv);
    addTextOptions(*notes, inv,
                   {{"--plate", &Invocation::plate, "The number plate"},
                    {"--customer", &Invocation::customer, "The customer's name"}});
    notes->add_option("--odometer", inv.odometerKm, "The odometer as read by the mechanic")
        ->type_name("KM")
        ->check(wholeNumber(0, 9999999));
    addTextOptions(
        *notes, inv,
        {{"--findings", &Invocation::findings, "What the mechanic found"},
         {"--recommendation", &Invocation::recommendation, "What the mechanic recommends"}});
}

// Port discovery, the connection doctor and recorded live data played back.
void addLineCommands(CLI::App& app, Invocation& inv, Commands& commands) {
    addCommand(app, commands, CommandKind::Ports, "ports",
               "List the serial ports of this computer, the COM number of each and what it is");
    auto* doctor = addCommand(
        app, commands, CommandKind::Doctor, "doctor",
        "Find why the box does not connect: the port, its opening, the box's presence test and "
        "the module probe, stage by stage, with what to do (nothing else is sent)");
    doctor
        ->add_option("--save", inv.supportFile,
                     "Also write a support file (JSON): version, system, ports, settings, the "
                     "line's last events, the screens and the findings")
        ->type_name("FILE");
    // Without the box: nothing is sent.
    auto* replay = addCommand(
        app, commands, CommandKind::Replay, "replay",
        "Play back a recording (live --record) or a live --csv log: a table at the recorded "
        "pace, or the CSV at once; no box is needed and nothing is sent");
    replay->add_option("RECORDING", inv.recording, "The recording's CSV file")->required();
    replay->add_flag("--csv", inv.replayCsv, "Print the recording as CSV to stdout at once");
    replay
        ->add_option("--speed", inv.replaySpeed,
                     "Play the table S times as fast, 0.1 to 100 (default 1)")
        ->type_name("S")
        ->check(decimalNumber(trend::ReplayEngine::kSlowest, trend::ReplayEngine::kFastest,
                              "0.1 to 100"));
}

// The shared history on PostgreSQL.
void addSyncCommands(CLI::App& app, Invocation& inv, Commands& commands) {
    auto* sync = app.add_subcommand(
        "sync", "The workshop's shared history on a PostgreSQL server (no box needed)");
    sync->require_subcommand(1);
    auto* syncSetup = addCommand(
        *sync, commands, CommandKind::SyncSetup, "setup",
        "Check the connection, create or update the server's history where the role may, check "
        "the role's rights and store the setting (sync.txt in the data directory; never a "
        "password: libpq reads it from the pgpass file or PGPASSWORD)");
    syncSetup
        ->add_option("CONNINFO", inv.conninfo,
                     "libpq's connection string or URI, e.g. \"host=db.example port=5432 "
                     "dbname=tvx user=bay_n1 sslmode=verify-full\" or \"service=workshop\"")
        ->required();
    syncSetup->add_option("--workshop", inv.syncWorkshop, "The workshop's name")
        ->type_name("NAME")
        ->required();
    syncSetup->add_option("--bay", inv.bay, "This PC's name among the workshop's bays")
        ->type_name("NAME")
        ->required();
    addCommand(*sync, commands, CommandKind::SyncStatus, "status",
               "What waits to be sent, the last push and pull, and the server's state");
    addCommand(*sync, commands, CommandKind::SyncNow, "now",
               "Push what waits and pull the other bays' visits "
               "once (exit 0 when both went through)");
    addCommand(*sync, commands, CommandKind::SyncOff, "off",
               "Stop sharing (the setting goes; the record keeps what waits for later)");
}

// What the parser cannot say of one option alone; a message on ERR when it is wrong.
bool choicesComplete(const Invocation& inv, std::ostream& err) {
    if (inv.command == CommandKind::Report &&
        (inv.last == inv.visit.has_value() || (!inv.htmlPath && !inv.jsonPath && !inv.pdfPath))) {
        err << "tarvolinex-cli report: give either VISIT or --last, and --pdf FILE, --html "
               "FILE or --json FILE\n";
        return false;
    }
    if (inv.command == CommandKind::Notes && inv.last == inv.visit.has_value()) {
        err << "tarvolinex-cli notes: give either VISIT or --last\n";
        return false;
    }
    return true;
}

}  // namespace

bool needsTheBox(CommandKind command) {
    return command != CommandKind::Report && command != CommandKind::History &&
           command != CommandKind::Workshop && command != CommandKind::Notes &&
           command != CommandKind::Replay && command != CommandKind::InjectorsRuns &&
           !isSyncCommand(command);
}

ParseResult parseCommandLine(const std::vector<std::string>& args, std::ostream& out,
                             std::ostream& err) {
    CLI::App app{
        "Tarvolinex command-line tester: the window's scan, trouble codes, live data and "
        "injector codes, for the terminal and for scripts.\nResults go to stdout, progress "
        "and questions to stderr.",
        "tarvolinex-cli"};
    app.footer(exitCodeFooter());
    app.require_subcommand(1);
    app.fallthrough();  // common options may also come after the command

    Invocation inv;
    std::string simulate;
    addCommonOptions(app, inv.common, simulate);
    Commands commands;
    addTesterCommands(app, inv, commands);
    addInjectorCommands(app, inv, commands);
    addRecordCommands(app, inv, commands);
    addLineCommands(app, inv, commands);
    addSyncCommands(app, inv, commands);

    std::vector<const char*> argv{"tarvolinex-cli"};
    for (const std::string& arg : args) {
        argv.push_back(arg.c_str());
    }
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error, out, err);
        return {std::nullopt, code == 0 ? 0 : toInt(ExitCode::BadInput)};
    }

    if (app.count("--simulate") > 0) {
        inv.common.simulate = simulate;
    }
    for (const auto& [command, kind] : commands) {
        if (command->parsed()) {
            inv.command = kind;
            break;
        }
    }
    if (!choicesComplete(inv, err)) {
        return {std::nullopt, toInt(ExitCode::BadInput)};
    }
    return {inv, 0};
}

}  // namespace tvx::cli
