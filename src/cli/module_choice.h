#pragma once

#include <optional>
#include <string_view>

#include "session/session.h"

namespace tvx::cli {

// A module as the command line names it: PCM, TCM, ABS, AirBag, Cluster (any case).
// The injector control unit has its own commands and is not accepted here.
std::optional<session::Module> findModule(std::string_view name);

// The module's name as the command line and the output write it ("AirBag").
std::string_view moduleName(session::Module module);

// 1..5 for PCM .. Cluster: the module's index in Link::ModuleProtocol.
int moduleNumber(session::Module module);

// "PCM, TCM, ABS, AirBag, Cluster", for messages.
std::string_view moduleListText();

}  // namespace tvx::cli
