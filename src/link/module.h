#pragma once

namespace tvx::session {

// The module speed buttons of the window, in button order. Modules 1..5 of the link are
// Pcm..Cluster; the injector control unit has no probe of its own.
enum class Module { Pcm, Tcm, Abs, AirBag, Cluster, Icu };

// 1..5 for Pcm..Cluster, 0 for the injector control unit.
constexpr int linkModuleNumber(Module module) {
    return module == Module::Icu ? 0 : static_cast<int>(module) + 1;
}

}  // namespace tvx::session
