#include "session/screens.h"

#include <array>

#include "session/session_view.h"

namespace tvx::session {

namespace {

constexpr const char* B = "                        ";     // the blank line
constexpr const char* KEEP = nullptr;                     // line left as it is
constexpr const char* B25 = "                         ";  // blank of the module screens

// clang-format off
const Screen kScreens[] = {
    {ScreenId::Splash,
     {"**  tarvolinex 7340   **", "   Diagnostic Tester    ", B, "      2026  v.2.03      "},
     {"**  tarvolinex 7340   **", "   Diagnostic Tester    ", B, "      2026  v.2.03      "},
     kGreen},
    {ScreenId::SelectComAndLanguage,
     {" SELECT COM AND LANGUAGE", " ***********************", B, B},
     {" COM PORT VE DiL SECiNiZ", " ***********************", B, B},
     kGreen},
    {ScreenId::PortInUse,
     {"  COM PORT IN USE OR    ", "  NOT EXIST             ", B, B},
     {"  COM PORT KULLANIMDA   ", "  VEYA YOK              ", B, B},
     kRed},
    {ScreenId::SettingsNotSaved,
     {"   SETTINGS NOT SAVED   ", "  THE DATA FOLDER CANNOT", "  BE WRITTEN: LANGUAGE  ", "  STAYS AS IT WAS       "},
     {" AYARLAR KAYDEDiLEMEDi  ", "  VERi KLASORUNE        ", "  YAZILAMIYOR: DiL      ", "  DEGiSMEDi             "},
     kRed},
    {ScreenId::SelectCarType,
     {"  SELECT THE CAR TYPE   ", "  *******************   ", B, B},
     {"  ARAC TiPiNi SECiNiZ   ", "  *******************   ", B, B},
     kGreen},
    {ScreenId::Connecting,
     {"      CONNECTING        ", "    ****************    ", B, B},
     {"      BAGLANIYOR        ", "    ****************    ", B, B},
     kGreen},
    {ScreenId::ConnectionFailed,
     {"   CONNECTION FAILED    ", " ********************** ", "  PLEASE TURN KEY ON    ", B},
     {"   BAGLANTI YAPILAMADI  ", " ********************** ", "  KONTAK ANAHTARINI AC  ", B},
     kRed},
    {ScreenId::PlugTheBox,
     {" CONNECT KESTRON 7340 TO", " THR OBD PLUG OF THE CAR", " AND CLICK OK           ", B},
     {" KESTRON 7340 U ARACIN  ", " OBD GiRiSiNE TAKINIZ   ", " VE OK YE TIKLAYINIZ    ", B},
     kGreen},
    {ScreenId::SelectEcu,
     {"     SELECT THE ECU     ", "     **************     ", B, B},
     {"     BEYiN SECiNiZ      ", "     *************      ", B, B},
     kGreen},
    {ScreenId::ConnectionFailure,
     {"   CONNECTION FAILURE   ", "   ******************   ", B, B},
     {"    BAGLANTI HATASI     ", "    ***************     ", B, B},
     kRed},
    {ScreenId::LineLost,
     {"  LINE TO THE BOX LOST  ", "  CHECK CABLE AND BOX,  ", "  PLUG IT IN AGAIN AND  ", "  CLICK BACK            "},
     {"  KUTU BAGLANTISI KOPTU ", "  KABLOYU VE KUTUYU     ", "  KONTROL EDiP TAKINIZ, ", "  GERi YE TIKLAYINIZ    "},
     kRed},
    {ScreenId::ReadingDtcs,
     {"      READING DTCS      ", "      ************      ", B, B},
     {" ARIZA KODLARI OKUNUYOR ", " ********************** ", B, B},
     kYellow},
    {ScreenId::DeletingDtcs,
     {"      DELETING DTCS     ", "      *************     ", B, B},
     {"ARIZA KODLARI SiLiNiYOR ", "*********************** ", B, B},
     kYellow},
    {ScreenId::DtcNotFound,
     {"      DTC NOT FOUND     ", "      *************     ", B, B},
     {" ARACINIZDA KAYITLI BiR ", " ARIZA KODU BULUNAMADI  ", B, B},
     kGreen},
    {ScreenId::CatalogueMissing,
     {"PLEASE COPY DTC5820E.TXT", "UNDER THE SAME DIRECTORY", B, B},
     {" DTC5820.TXT DOSYASINI  ", " TARVOLiNEX iLE AYNI    ", " KLASORE KOPYALAYINIZ   ", B},
     kRed},
    {ScreenId::DtcReadFailed,
     {"    DTC READ FAILED     ", "    ***************     ", "  CHECK THE CONNECTION  ", "  AND READ AGAIN        "},
     {" ARIZA KODLARI OKUNAMADI", " ********************** ", "  BAGLANTIYI KONTROL    ", "  EDiP TEKRAR OKUYUNUZ  "},
     kRed},
    {ScreenId::DtcClearFailed,
     {"    DTC CLEAR FAILED    ", "    ****************    ", "  CODES ARE NOT DELETED ", "  CHECK AND TRY AGAIN   "},
     {"ARIZA KODLARI SiLiNEMEDi", "************************", "  BAGLANTIYI KONTROL    ", "  EDiP TEKRAR DENEYiNiZ "},
     kRed},
    {ScreenId::IgnitionOff,
     {" TURN THE IGNITION KEY  ", " OFF  AND CLICK OK      ", B, B},
     {"    KONTAK ANAHTARINI   ", "       KAPATINIZ VE     ", "   OK TUSUNA TIKLAYINIZ ", B},
     kGreen},
    {ScreenId::PleaseWait,
     {"      PLEASE WAIT       ", "      ***********       ", B, KEEP},
     {"    LUTFEN BEKLEYiNiZ   ", "    *****************   ", B, KEEP},
     std::nullopt},
    {ScreenId::IgnitionOn,
     {" TURN THE IGNITION KEY  ", " ON AND CLICK OK        ", B, B},
     {"    KONTAK ANAHTARINI   ", "         ACINIZ VE      ", "   OK TUSUNA TIKLAYINIZ ", B},
     kGreen},
    {ScreenId::SelectInjector,
     {" SELECT INJECTOR AND    ", " ENTER / MODIFY DATA    ", B, B},
     {" ENJEKTOR SECIN VE YENI ", " KODLARI GIRIN          ", B, B},
     std::nullopt},
    {ScreenId::AreYouSure,
     {"   INJECTORS WILL BE    ", "      REPROGRAMMED      ", B, "      ARE YOU SURE ?    "},
     {"  ENJEKTORLER YENiDEN   ", "      PROGRAMLANACAK    ", B, "      EMiNMiSiNiZ ?     "},
     std::nullopt},
    {ScreenId::ProgrammingFinished,
     {"  PROGRAMMING FINISHED  ", "  ********************  ", B, B},
     {"  ENJEKTOR PROGRAMLAMA  ", "       TAMAMLANDI       ", B, B},
     kGreen},
    {ScreenId::InjectorReadFailed,
     {"  INJECTOR READ FAILED  ", "  NOTHING WAS WRITTEN,  ", "  THE UNIT IS UNCHANGED.", "  CHECK LINK, READ AGAIN"},
     {"  ENJEKTOR KODLARI      ", "  OKUNAMADI. HiCBiR SEY ", "  YAZILMADI, UNiTE AYNI.", "  BAGLANTIYA BAKIN      "},
     kRed},
    {ScreenId::ProgrammingFailed,
     {"  PROGRAMMING FAILED    ", "  ON INJECTOR #         ", "  NOTHING WAS WRITTEN.  ", "  CHECK LINK, TRY AGAIN "},
     {"  PROGRAMLAMA BASARISIZ ", "  ENJEKTOR #            ", "  HiCBiR SEY YAZILMADI. ", "  BAGLANTIYA BAKIN      "},
     kRed},
    {ScreenId::CodeNotRead,
     {"  INJECTOR # CODE WAS   ", "  NOT READ: READ THE    ", "  CODES FIRST           ", "  NOTHING WAS WRITTEN   "},
     {"  ENJEKTOR # KODU       ", "  OKUNMADI: ONCE        ", "  KODLARI OKUYUNUZ      ", "  HiCBiR SEY YAZILMADI  "},
     kRed},
    {ScreenId::CodeTooShort,
     {"  INJECTOR # CODE IS    ", "  TOO SHORT: IT NEEDS   ", "  16 HEX DIGITS         ", "  NOTHING WAS WRITTEN   "},
     {"  ENJEKTOR # KODU       ", "  EKSiK: 16 HANE        ", "  OLMALIDIR             ", "  HiCBiR SEY YAZILMADI  "},
     kRed},
    {ScreenId::CodeTooLong,
     {"  INJECTOR # CODE IS    ", "  TOO LONG: IT NEEDS    ", "  16 HEX DIGITS         ", "  NOTHING WAS WRITTEN   "},
     {"  ENJEKTOR # KODU       ", "  FAZLA: 16 HANE        ", "  OLMALIDIR             ", "  HiCBiR SEY YAZILMADI  "},
     kRed},
    {ScreenId::CodeBadCharacter,
     {"  INJECTOR # CODE HAS   ", "  A WRONG CHARACTER:    ", "  ONLY 0-9 AND A-F      ", "  NOTHING WAS WRITTEN   "},
     {"  ENJEKTOR # KODUNDA    ", "  HATALI KARAKTER VAR:  ", "  SADECE 0-9 VE A-F     ", "  HiCBiR SEY YAZILMADI  "},
     kRed},
    // What became of a programming run that did not simply finish. In the mixed-code
    // screen HHHHHHHH takes a half of the code read back and SSSS what that half is.
    {ScreenId::CodesNotKept,
     {"  OLD CODES NOT SAVED   ", "  THE RECORD CANNOT BE  ", "  WRITTEN: NOTHING WAS  ", "  PROGRAMMED            "},
     {"  ESKi KODLAR           ", "  KAYDEDiLEMEDi: HiCBiR ", "  SEY PROGRAMLANMADI    ", B},
     kRed},
    {ScreenId::OldCodeRestored,
     {"  PROGRAMMING FAILED ON ", "  INJECTOR #. ITS OLD   ", "  CODE IS WRITTEN BACK  ", "  AND READ: UNCHANGED   "},
     {"  ENJEKTOR # PROGRAMLAMA", "  BASARISIZ. ESKi KOD   ", "  GERi YAZILDI VE       ", "  OKUNDU: DEGiSMEDi     "},
     kRed},
    {ScreenId::NewCodeAfterFailure,
     {"  INJECTOR # HOLDS THE  ", "  NEW CODE (READ BACK)  ", "  THE LAST STEP FAILED: ", "  TURN THE KEY OFF, ON  "},
     {"  ENJEKTOR # YENi KODU  ", "  TASIYOR (OKUNDU)      ", "  SON ADIM BASARISIZ:   ", "  KONTAGI KAPATIP ACIN  "},
     kRed},
    {ScreenId::MixedCode,
     {"  INJECTOR # MIXED CODE ", "  1ST HALF HHHHHHHH SSSS", "  2ND HALF HHHHHHHH SSSS", "  RESTORE THE OLD CODE  "},
     {"  ENJEKTOR # KARISIK KOD", "  1. YARI HHHHHHHH SSSS ", "  2. YARI HHHHHHHH SSSS ", "  ESKi KODU GERi YAZIN  "},
     kRed},
    {ScreenId::UnitNotReadAfterFailure,
     {"  PROGRAMMING FAILED ON ", "  INJECTOR # AFTER THE  ", "  WRITE; UNIT NOT READ. ", "  RESTORE THE OLD CODE  "},
     {"  ENJEKTOR # PROGRAMLAMA", "  YAZMADA KESiLDi; UNiTE", "  OKUNAMADI. ESKi KODU  ", "  GERi YAZIN            "},
     kRed},
    {ScreenId::WrittenNotVerified,
     {"  INJECTOR # WRITTEN,   ", "  NOT VERIFIED: THE     ", "  READ-BACK FAILED.     ", "  CHECK: READ INJECTOR  "},
     {"  ENJEKTOR # YAZILDI,   ", "  DOGRULANAMADI: GERi   ", "  OKUMA BASARISIZ.      ", "  ENJEKTOR OKU iLE BAKIN"},
     kRed},
    {ScreenId::UnitKeptOldCode,
     {"  INJECTOR # STILL HOLDS", "  ITS OLD CODE: THE UNIT", "  DID NOT TAKE THE NEW  ", "  ONE                   "},
     {"  ENJEKTOR # ESKi KODU  ", "  TASIYOR: UNiTE YENi   ", "  KODU ALMADI           ", B},
     kRed},
    // The module lines are one character wider than the display; it shows the first 24.
    {ScreenId::ModulePcm, {B25, B25, "  PCM                    ", KEEP}, {B25, B25, "  PCM                    ", KEEP}, std::nullopt},
    {ScreenId::ModuleTcm, {B25, B25, "  TCM                    ", KEEP}, {B25, B25, "  TCM                    ", KEEP}, std::nullopt},
    {ScreenId::ModuleAbs, {B25, B25, "  ABS                    ", KEEP}, {B25, B25, "  ABS                    ", KEEP}, std::nullopt},
    {ScreenId::ModuleAirBag, {B25, B25, "  AIRBAG                 ", KEEP}, {B25, B25, "  AIRBAG                 ", KEEP}, std::nullopt},
    {ScreenId::ModuleCluster, {B25, B25, "  CLUSTER                ", KEEP}, {B25, B25, "  CLUSTER                ", KEEP}, std::nullopt},
    {ScreenId::ModuleIcu, {B25, B25, "  ICU                    ", KEEP}, {B25, B25, "  ICU                    ", KEEP}, std::nullopt},
};
// clang-format on

}  // namespace

std::span<const Screen> allScreens() {
    return kScreens;
}

const Screen& screen(ScreenId id) {
    for (const Screen& s : kScreens) {
        if (s.id == id) {
            return s;
        }
    }
    return kScreens[0];
}

const std::array<const char*, 4>& screenLines(const Screen& s, char languageCode) {
    return languageCode == '2' ? s.turkish : s.english;
}

std::string_view undefinedDtcText(char languageCode) {
    return languageCode == '2' ? " TANIMSIZ ARIZA KODU     " : " UNDEFINED DTC           ";
}

std::string undefinedCodeRow(std::string_view codeText, char languageCode) {
    return std::string(codeText) + std::string(undefinedDtcText(languageCode));
}

std::string_view halfText(HalfIs half, char languageCode) {
    const bool turkish = languageCode == '2';
    switch (half) {
        case HalfIs::New:
            return turkish ? "YENi" : "NEW ";
        case HalfIs::Old:
            return turkish ? "ESKi" : "OLD ";
        case HalfIs::Neither:
            break;
    }
    return "????";
}

std::string codeBeforeText(const std::string& code, char languageCode) {
    return (languageCode == '2' ? "önceki: " : "before: ") + code;
}

}  // namespace tvx::session
