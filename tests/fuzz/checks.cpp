#include "checks.h"

#include "session/screens.h"

namespace tvx::fuzz {

bool displayLineAllowed(int line, std::string_view text) {
    if (line < 1 || line > 4) {
        return false;
    }
    if (characters(text) == session::kLineWidth) {
        return true;
    }
    if (line == 4) {
        return false;
    }
    using session::ScreenId;
    for (ScreenId id : {ScreenId::ModulePcm, ScreenId::ModuleTcm, ScreenId::ModuleAbs,
                        ScreenId::ModuleAirBag, ScreenId::ModuleCluster, ScreenId::ModuleIcu}) {
        for (char language : {'1', '2'}) {
            const char* shown = session::screenLines(session::screen(id), language)[line - 1];
            if (shown != nullptr && text == shown && characters(text) == session::kLineWidth + 1) {
                return true;
            }
        }
    }
    return false;
}

bool isInjectorCode(std::string_view text) {
    if (text.size() != 16) {
        return false;
    }
    for (const char c : text) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
        if (!hex) {
            return false;
        }
    }
    return true;
}

}  // namespace tvx::fuzz
