#pragma once

#include <optional>
#include <string>

namespace tvx::cli {

enum class CommandKind {
    Scan,
    DtcRead,
    DtcClear,
    Live,
    InjectorsRead,
    InjectorsProgram,
    InjectorsRuns,  // no box needed
    // The workshop record (no box needed, except for restore).
    InjectorsRestore,
    Report,
    History,
    Workshop,
    Notes,
    // ---- Connection doctor and port discovery: they open the port themselves.
    Ports,
    Doctor,
    // Recorded live data played back: no box.
    Replay,
    // The shared history on a PostgreSQL server: no box.
    SyncSetup,
    SyncStatus,
    SyncNow,
    SyncOff,
};

inline bool isSyncCommand(CommandKind command) {
    return command == CommandKind::SyncSetup || command == CommandKind::SyncStatus ||
           command == CommandKind::SyncNow || command == CommandKind::SyncOff;
}

// Whether a command talks to the box (the record's commands, but restore, do not).
bool needsTheBox(CommandKind command);

// The options every command takes: where the box is, which car, which language.
struct CommonOptions {
    std::optional<std::string> portDevice;  // --port DEVICE
    std::optional<int> comNumber;           // --com N, 1..8
    std::optional<std::string> simulate;    // --simulate [VEHICLE|SCENARIO]; "" = the default car
    std::optional<std::string> vehicle;     // --vehicle NAME, a name of the window's lists
    std::optional<std::string> language;    // --lang en|tr
    std::optional<std::string> dataDir;     // --data-dir DIR
    std::optional<std::string> tracePath;   // --trace FILE
    bool demo = false;                      // --demo
};

// One parsed command line.
struct Invocation {
    CommonOptions common;
    CommandKind command = CommandKind::Scan;
    std::string module;              // dtc read|clear MODULE
    bool yes = false;                // dtc clear, injectors program: no confirmation asked
    std::optional<std::string> csv;  // live --csv FILE
    std::optional<double> durationS;
    std::optional<int> cycles;
    std::string liveModule = "pcm";   // live --module pcm|cluster
    std::optional<std::string> only;  // live --only NAME[,NAME...]: fast mode's values
    int injector = 0;                 // injectors program N CODE, injectors restore N
    std::string code;
    // The workshop record.
    std::optional<long long> visit;       // report VISIT, injectors restore --visit ID
    std::optional<long long> run;         // injectors restore --run ID
    bool last = false;                    // report --last
    std::optional<std::string> htmlPath;  // report --html FILE
    std::optional<std::string> jsonPath;  // report --json FILE
    std::optional<std::string> pdfPath;   // report --pdf FILE
    std::optional<std::string> vin;       // history --vin VIN, injectors runs --vin VIN
    std::optional<std::string> workshop;  // workshop [NAME]
    std::optional<std::string> address;   // workshop --address TEXT
    std::optional<std::string> phone;     // workshop --phone TEXT
    std::optional<std::string> logo;      // workshop --logo FILE ("" removes it)
    // notes VISIT|--last: what the mechanic enters about a visit
    std::optional<std::string> plate;
    std::optional<std::string> customer;
    std::optional<long long> odometerKm;
    std::optional<std::string> findings;
    std::optional<std::string> recommendation;
    std::optional<std::string> supportFile;  // doctor --save FILE
    // Recording and replay of live data.
    std::optional<std::string> record;  // live --record FILE
    std::string recording;              // replay RECORDING
    bool replayCsv = false;             // replay --csv
    double replaySpeed = 1.0;           // replay --speed S
    // sync setup CONNINFO --workshop NAME --bay NAME
    std::string conninfo;
    std::string syncWorkshop;
    std::string bay;
};

}  // namespace tvx::cli
