#include <string>

#include "cli/commands.h"
#include "cli/live_choice.h"
#include "link/injector_codes.h"

namespace tvx::cli {
namespace {

std::string codeProblemText(session::CodeProblem problem, std::size_t length) {
    switch (problem) {
        case session::CodeProblem::NotRead:
            return "is only dashes: type the injector's 16-digit code";
        case session::CodeProblem::TooShort:
        case session::CodeProblem::TooLong:
            return "has " + std::to_string(length) +
                   " characters: it needs exactly 16 hexadecimal digits";
        case session::CodeProblem::BadCharacter:
            return "has a character other than 0-9 and A-F";
        case session::CodeProblem::None:
            break;
    }
    return "is not a code";
}

ExitCode refuse(Console& console, const std::string& message) {
    console.err << "tarvolinex-cli: " << message << "; nothing was sent\n";
    return ExitCode::BadInput;
}

}  // namespace

ExitCode checkBeforeConnecting(const Invocation& invocation,
                               const std::optional<VehicleChoice>& vehicle, Console& console) {
    const bool injectors = invocation.command == CommandKind::InjectorsRead ||
                           invocation.command == CommandKind::InjectorsProgram ||
                           invocation.command == CommandKind::InjectorsRestore;
    if (invocation.command == CommandKind::Live && invocation.liveModule != "cluster" && !vehicle) {
        return refuse(console,
                      "live data needs --vehicle NAME: the page polled depends on the vehicle "
                      "(or use --module cluster)");
    }
    if (invocation.command == CommandKind::Live && invocation.only) {
        const session::LivePage* page =
            invocation.liveModule == "cluster"
                ? &session::clusterPage()
                : session::livePageForModel(vehicle->diesel, vehicle->index);
        if (page != nullptr) {
            const ColumnChoice choice =
                chooseColumns(*page, *invocation.only,
                              languageCode(invocation, commandDataDirectory(invocation)));
            if (!choice.error.empty()) {
                return refuse(console, choice.error);
            }
        }
    }
    if (invocation.record && invocation.common.demo) {
        return refuse(console,
                      "demonstration values are not recorded: a replay of them could be taken "
                      "for a car's");
    }
    if (injectors) {
        if (!vehicle) {
            return refuse(console,
                          "injector codes need --vehicle NAME (a diesel model with an "
                          "injector control unit)");
        }
        if (!session::vehicleHasInjectorUnit(vehicle->diesel, vehicle->index)) {
            return refuse(console,
                          "the " + std::string(vehicle->name) + " has no injector control unit");
        }
        if (invocation.common.demo) {
            return refuse(console, "demonstration mode has no injector control unit to talk to");
        }
    }
    if (invocation.command == CommandKind::InjectorsProgram) {
        const session::CodeCheck check = session::checkInjectorCode(invocation.code);
        if (check.problem != session::CodeProblem::None) {
            return refuse(console, "injector code \"" + invocation.code + "\" " +
                                       codeProblemText(check.problem, invocation.code.size()));
        }
    }
    return ExitCode::Ok;
}

ExitCode reportOutcome(Outcome outcome, std::string_view what, Console& console) {
    struct Report {
        Outcome outcome;
        ExitCode code;
        const char* text;
    };
    static constexpr Report kReports[] = {
        {Outcome::Ok, ExitCode::Ok, ""},
        {Outcome::NoBox, ExitCode::NoBox,
         "the interface box does not answer: check that it is plugged into the car and the "
         "port, and that the ignition is on"},
        {Outcome::NoCar, ExitCode::NoCar,
         "the car does not answer: turn the ignition key on and try again"},
        {Outcome::ModuleAbsent, ExitCode::NoCar,
         "the module is absent: the module scan found no such module on this car"},
        {Outcome::ModuleSilent, ExitCode::NoCar, "the module does not answer"},
        {Outcome::LineLost, ExitCode::NoBox,
         "the line to the box was lost: check the cable and the box, then try again"},
        {Outcome::ReadFailed, ExitCode::ReadFailed,
         "the read failed: check the connection and read again"},
        {Outcome::WriteFailed, ExitCode::WriteFailed,
         "it failed: check the connection and try again"},
        {Outcome::CodeRefused, ExitCode::BadInput, "the code was refused; nothing was written"},
        {Outcome::Cancelled, ExitCode::Cancelled, "stopped by the operator"},
        {Outcome::NoPage, ExitCode::BadInput, "there is no live-data page for it"},
    };
    for (const Report& report : kReports) {
        if (report.outcome == outcome) {
            if (outcome != Outcome::Ok) {
                console.err << "tarvolinex-cli: " << what << ": " << report.text << '\n';
            }
            return report.code;
        }
    }
    return ExitCode::Unexpected;
}

}  // namespace tvx::cli
