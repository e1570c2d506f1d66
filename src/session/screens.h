#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace tvx::session {

// Every screen the session shows on the four-line display.
enum class ScreenId {
    Splash,
    SelectComAndLanguage,
    PortInUse,
    SettingsNotSaved,
    SelectCarType,
    Connecting,
    ConnectionFailed,
    PlugTheBox,
    SelectEcu,
    ConnectionFailure,
    LineLost,
    ReadingDtcs,
    DeletingDtcs,
    DtcNotFound,
    CatalogueMissing,
    DtcReadFailed,
    DtcClearFailed,
    IgnitionOff,
    PleaseWait,
    IgnitionOn,
    SelectInjector,
    AreYouSure,
    ProgrammingFinished,
    InjectorReadFailed,
    ProgrammingFailed,
    CodeNotRead,
    CodeTooShort,
    CodeTooLong,
    CodeBadCharacter,
    CodesNotKept,
    OldCodeRestored,
    NewCodeAfterFailure,
    MixedCode,
    UnitNotReadAfterFailure,
    WrittenNotVerified,
    UnitKeptOldCode,
    ModulePcm,
    ModuleTcm,
    ModuleAbs,
    ModuleAirBag,
    ModuleCluster,
    ModuleIcu,
};

// One screen in both languages. A line that is nullptr is left as the display has it.
// `colour` is the on-colour set with the screen; none keeps the current colour. In the
// injector code screens a '#' stands for the injector number.
struct Screen {
    ScreenId id;
    std::array<const char*, 4> english;
    std::array<const char*, 4> turkish;
    std::optional<std::uint32_t> colour;
};

std::span<const Screen> allScreens();
const Screen& screen(ScreenId id);
// The lines of a screen in the language `languageCode` ('2' Turkish, anything else
// English).
const std::array<const char*, 4>& screenLines(const Screen& screen, char languageCode);

inline constexpr std::size_t kLineWidth = 24;
inline constexpr std::string_view kBlankLine = "                        ";
// The countdown line; characters 13 and 14 (1-based) take the seconds left.
inline constexpr std::string_view kCountdownTemplate = "         00:xx          ";

// Text pieces that are not whole screens.
std::string_view undefinedDtcText(char languageCode);  // follows the code in a grid row
// The grid row of a code that is not in the catalogue: the code and the undefined-code text
// of the language.
std::string undefinedCodeRow(std::string_view codeText, char languageCode);
// What a half of a code read back is, four characters for the mixed-code screen.
enum class HalfIs { New, Old, Neither };
std::string_view halfText(HalfIs half, char languageCode);
// The caption beside an injector's edit box: the code the unit held before editing.
std::string codeBeforeText(const std::string& code, char languageCode);

}  // namespace tvx::session
