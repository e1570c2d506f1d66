#include "trouble_code_form.h"

namespace tvx::link {

std::optional<TroubleCodeForm> troubleCodeForm(int module,
                                               const std::array<std::uint8_t, 6>& protocols) {
    using enum TroubleCodeForm;
    if (module < 1 || module > 5) {
        return std::nullopt;
    }
    const int protocol = protocols[module <= 2 ? 1 : static_cast<std::size_t>(module)];
    if (protocol == 2) {
        return B;
    }
    if (protocol == 1) {
        return (module == 3 || module == 4) ? C : A;
    }
    if (protocol == 3 && module == 5) {
        return C;
    }
    return std::nullopt;
}

std::optional<std::uint8_t> parameterCommand(int module,
                                             const std::array<std::uint8_t, 6>& protocols) {
    if (module < 1 || module > 5) {
        return std::nullopt;
    }
    switch (protocols[static_cast<std::size_t>(module)]) {
        case 1:
            return (module == 3 || module == 4) ? 12 : 22;
        case 2:
            return 32;
        case 3:
            if (module == 5) {
                return 12;
            }
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

}  // namespace tvx::link
