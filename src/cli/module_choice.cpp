#include "cli/module_choice.h"

#include <algorithm>
#include <cctype>

namespace tvx::cli {
namespace {

using session::Module;

struct ModuleName {
    Module module;
    std::string_view name;
};
constexpr ModuleName kNames[] = {
    {Module::Pcm, "PCM"},       {Module::Tcm, "TCM"},         {Module::Abs, "ABS"},
    {Module::AirBag, "AirBag"}, {Module::Cluster, "Cluster"}, {Module::Icu, "ICU"},
};

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

std::optional<Module> findModule(std::string_view name) {
    for (const ModuleName& row : kNames) {
        if (row.module != Module::Icu && sameIgnoringCase(row.name, name)) {
            return row.module;
        }
    }
    return std::nullopt;
}

std::string_view moduleName(Module module) {
    for (const ModuleName& row : kNames) {
        if (row.module == module) {
            return row.name;
        }
    }
    return "?";
}

int moduleNumber(Module module) {
    return static_cast<int>(module) + 1;
}

std::string_view moduleListText() {
    return "PCM, TCM, ABS, AirBag, Cluster";
}

}  // namespace tvx::cli
