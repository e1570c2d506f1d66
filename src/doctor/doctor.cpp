#include "doctor/doctor.h"

#include <algorithm>
#include <cstdio>

#include "doctor/port_hint.h"
#include "doctor/printable_text.h"
#include "plain/filled_in.h"

namespace tvx::session {
namespace {

// One advice, by stage and the case within it. {port}, {ports}, {holder}, {group},
// {reason}, {bytes}, {present}, {absent}, {source}, {module} are filled in.
enum class Case {
    General,
    NoPortsAtAll,
    Permission,
    PermissionNoGroup,
    Busy,
    BusyUnknown,
    NotSerial,
    OpenOther,
    Expected,
    Unexplained,
};

struct Advice {
    DoctorStage stage;
    Case which;
    const char* english;
    const char* turkish;
};

constexpr Advice kAdvice[] = {
    {DoctorStage::AllGood, Case::General,
     "The box and every module answered on {port}: the connection is fine.",
     "{port} üzerinde kutu ve bütün beyinler cevap verdi: bağlantı sağlam."},
    {DoctorStage::AllGood, Case::Expected,
     "The box answered on {port}, and so did {present}. {absent}: none on this vehicle, as "
     "{source} says, so this is normal.",
     "{port} üzerinde kutu ve {present} cevap verdi. {absent}: {source} bu araçta olmadığını "
     "söylüyor, bu normaldir."},
    {DoctorStage::PortMissing, Case::General,
     "The serial port {port} is not there. Serial ports present: {ports}. Plug in the box's "
     "cable or USB adapter, or choose one of these ports.",
     "{port} seri portu yok. Mevcut seri portlar: {ports}. Kutunun kablosunu veya USB "
     "çeviricisini takın ya da bu portlardan birini seçin."},
    {DoctorStage::PortMissing, Case::NoPortsAtAll,
     "The serial port {port} is not there, and this computer has no serial port at all. Plug "
     "in the box's USB adapter (or its cable), then try again.",
     "{port} seri portu yok ve bu bilgisayarda hiç seri port bulunmuyor. Kutunun USB "
     "çeviricisini (veya kablosunu) takıp yeniden deneyin."},
    {DoctorStage::CannotOpen, Case::Permission,
     "{port} is there, but this user may not use it. Join the group {group} once: "
     "sudo usermod -aG {group} $USER  then log out and in again (or restart).",
     "{port} mevcut, ama bu kullanıcının onu kullanma izni yok. Bir kez {group} grubuna "
     "katılın: sudo usermod -aG {group} $USER  sonra oturumu kapatıp yeniden açın (veya "
     "yeniden başlatın)."},
    {DoctorStage::CannotOpen, Case::PermissionNoGroup,
     "{port} is there, but this user may not use it ({reason}). Ask the administrator for "
     "access to the serial port.",
     "{port} mevcut, ama bu kullanıcının onu kullanma izni yok ({reason}). Seri port için "
     "yöneticiden izin isteyin."},
    {DoctorStage::CannotOpen, Case::Busy,
     "{port} is in use by {holder}. Close that program (or the other tester), then try again.",
     "{port} şu program tarafından kullanılıyor: {holder}. O programı (veya diğer test "
     "cihazını) kapatıp yeniden deneyin."},
    {DoctorStage::CannotOpen, Case::BusyUnknown,
     "{port} is in use by another program (the system does not say which). Close the other "
     "serial programs or testers, then try again.",
     "{port} başka bir program tarafından kullanılıyor (sistem hangisi olduğunu söylemiyor). "
     "Diğer seri port programlarını veya test cihazlarını kapatıp yeniden deneyin."},
    {DoctorStage::CannotOpen, Case::NotSerial,
     "{port} is not a serial port ({reason}). Choose the port the box is plugged into. Serial "
     "ports present: {ports}.",
     "{port} bir seri port değil ({reason}). Kutunun takılı olduğu portu seçin. Mevcut seri "
     "portlar: {ports}."},
    {DoctorStage::CannotOpen, Case::OpenOther,
     "{port} could not be opened ({reason}). Unplug the box's adapter, plug it in again and "
     "retry.",
     "{port} açılamadı ({reason}). Kutunun çeviricisini çıkarıp yeniden takın ve tekrar "
     "deneyin."},
    {DoctorStage::LineLost, Case::General,
     "The line to the box on {port} was lost: the device went away (USB adapter unplugged, "
     "cable loose). Plug it in firmly again and retry.",
     "{port} üzerindeki kutu bağlantısı koptu: aygıt kayboldu (USB çevirici çıktı, kablo "
     "gevşek). Sağlamca yeniden takıp tekrar deneyin."},
    {DoctorStage::BoxSilent, Case::General,
     "Nothing answers on {port}: the box is silent. Check that it gets power from the car's "
     "OBD socket (its lamp is lit; some cars power the socket only with the ignition on), that "
     "its cable to the computer is plugged in at both ends, and that {port} is the port the "
     "box is on.",
     "{port} üzerinde hiçbir şey cevap vermiyor: kutu sessiz. Kutunun aracın OBD soketinden "
     "enerji aldığını (lambası yanıyor; bazı araçlarda soket yalnız kontak açıkken enerjilidir), "
     "bilgisayar kablosunun iki ucunun da takılı olduğunu ve kutunun {port} portunda olduğunu "
     "kontrol edin."},
    {DoctorStage::NotTheBox, Case::General,
     "Something answers on {port}, but not the box: it sent {bytes}, which the box never "
     "sends. Another device is on this port, or the wrong port is chosen. Serial ports "
     "present: {ports}.",
     "{port} üzerinde bir şey cevap veriyor ama kutu değil: kutunun asla göndermediği {bytes} "
     "geldi. Bu portta başka bir aygıt var ya da yanlış port seçildi. Mevcut seri portlar: "
     "{ports}."},
    {DoctorStage::NoModule, Case::General,
     "The box answers on {port}, but no module of the car does. Turn the ignition on, and "
     "check that the box sits firmly in the OBD socket.",
     "{port} üzerinde kutu cevap veriyor, ama aracın hiçbir beyni cevap vermiyor. Kontağı "
     "açın ve kutunun OBD soketine tam oturduğunu kontrol edin."},
    {DoctorStage::ModulesAbsent, Case::Unexplained,
     "The box and {present} answer on {port}; {absent} do not. If this vehicle has them, turn "
     "the ignition on and check the OBD plug; many vehicles have no such module on the "
     "diagnostic line.",
     "{port} üzerinde kutu ve {present} cevap veriyor; {absent} vermiyor. Araçta bu beyinler "
     "varsa kontağı açın ve OBD fişini kontrol edin; birçok araçta bu beyinler teşhis "
     "hattında yoktur."},
    {DoctorStage::BoxLate, Case::General,
     "The box on {port} answers late: the answers to {late} came after the tester had "
     "stopped waiting. A late "
     "answer cannot be told apart from the answer to the next request, so it was set aside "
     "and nothing was taken from it. Check that the box sits firmly in the OBD socket and gets "
     "steady power (ignition on, battery charged), unplug it for ten seconds and retry; if it "
     "stays late, the box needs servicing.",
     "{port} üzerindeki kutu geç cevap veriyor: {late} cevapları test cihazı beklemeyi "
     "bıraktıktan sonra geldi. Geç gelen cevap bir sonraki isteğin cevabından ayırt edilemez; bu "
     "yüzden bir "
     "kenara kondu ve hiçbir şey alınmadı. Kutunun OBD soketine tam oturduğunu ve düzgün "
     "enerji aldığını (kontak açık, akü dolu) kontrol edin, kutuyu on saniye çıkarıp yeniden "
     "deneyin; hâlâ geç kalıyorsa kutunun servise gitmesi gerekir."},
    {DoctorStage::ModuleSilent, Case::General,
     "The {module} did not answer its opening bytes. Turn the ignition on, check that the box "
     "sits firmly in the OBD socket, and press the module again.",
     "{module} açılış baytlarına cevap vermedi. Kontağı açın, kutunun OBD soketine tam "
     "oturduğunu kontrol edin ve beyin düğmesine yeniden basın."},
};

// Each stage's name (in the command line's and the support file's words) and the diagnosis
// on the display, at most 24 characters a line (filled with blanks).
struct DisplayScreen {
    DoctorStage stage;
    const char* name;
    std::array<const char*, 4> english;
    std::array<const char*, 4> turkish;
};

constexpr DisplayScreen kScreens[] = {
    {DoctorStage::AllGood,
     "all-good",
     {" CONNECTION OK", "", "", ""},
     {" BAGLANTI TAMAM", "", "", ""}},
    {DoctorStage::PortMissing,
     "port-missing",
     {" SERIAL PORT NOT FOUND", " PLUG IN THE BOX CABLE", " OR CHOOSE ANOTHER PORT", ""},
     {" SERi PORT BULUNAMADI", " KUTU KABLOSUNU TAKIN", " VEYA BASKA PORT SECiN", ""}},
    {DoctorStage::CannotOpen,
     "cannot-open",
     {" SERIAL PORT WILL NOT", " OPEN: IN USE OR NO", " PERMISSION (SEE HINT)", ""},
     {" SERi PORT ACILMIYOR:", " KULLANIMDA VEYA iZiN", " YOK (iPUCUNA BAKINIZ)", ""}},
    {DoctorStage::LineLost,
     "line-lost",
     {" LINE TO THE BOX LOST", " PLUG THE CABLE OR USB", " ADAPTER IN AGAIN", ""},
     {" KUTU BAGLANTISI KOPTU", " KABLOYU VEYA USB", " CEViRiCiYi YENiDEN TAK", ""}},
    {DoctorStage::BoxSilent,
     "box-silent",
     {" THE BOX IS SILENT", " CHECK OBD SOCKET POWER", " AND THE CABLE TO THE PC", ""},
     {" KUTU CEVAP VERMiYOR", " OBD SOKET ENERJiSiNi", " VE PC KABLOSUNU KONTROL", " EDiNiZ"}},
    {DoctorStage::NotTheBox,
     "not-the-box",
     {" ANOTHER DEVICE ANSWERS", " NOT THE KESTRON 7340", " WRONG PORT? CHOOSE THE",
      " PORT OF THE BOX"},
     {" BASKA BiR AYGIT CEVAP", " VERiYOR, KUTU DEGiL", " YANLIS PORT OLABiLiR", ""}},
    {DoctorStage::NoModule,
     "no-module",
     {" BOX OK, NO MODULE", " TURN THE IGNITION ON", " CHECK THE OBD PLUG IS", " SEATED FIRMLY"},
     {" KUTU TAMAM, BEYiN YOK", " KONTAGI ACINIZ", " OBD FiSiNiN TAM", " OTURDUGUNU KONTROL EDiN"}},
    {DoctorStage::ModulesAbsent,
     "modules-absent",
     {" SOME MODULES ABSENT:", "{absent}", "", ""},
     {" BAZI BEYiNLER YOK:", "{absent}", "", ""}},
    {DoctorStage::BoxLate,
     "box-late",
     {" THE BOX ANSWERS LATE", " ANSWERS SET ASIDE", " CHECK THE OBD PLUG AND",
      " POWER, THEN RETRY"},
     {" KUTU GEC CEVAP VERiYOR", " CEVAPLAR ALINMADI", " OBD FiSiNi VE ENERJiYi",
      " KONTROL EDiP TEKRARLA"}},
    {DoctorStage::ModuleSilent,
     "module-silent",
     {" MODULE DOES NOT ANSWER", " TURN THE IGNITION ON", " AND CHECK THE OBD PLUG", ""},
     {" BEYiN CEVAP VERMiYOR", " KONTAGI ACINIZ VE OBD", " FiSiNi KONTROL EDiNiZ", ""}},
};

constexpr bool everyStageShown() {
    for (int stage = 0; stage <= static_cast<int>(DoctorStage::BoxLate); ++stage) {
        bool shown = false;
        for (const DisplayScreen& screen : kScreens) {
            shown = shown || static_cast<int>(screen.stage) == stage;
        }
        if (!shown) {
            return false;
        }
    }
    return true;
}
static_assert(everyStageShown(), "every doctor stage needs its name and screen");

constexpr const char* kModuleNames[] = {"", "PCM", "TCM", "ABS", "AirBag", "Cluster"};

struct Fill {
    const char* key;
    std::string value;
};

std::string displayLine(std::string text) {
    text.resize(24, ' ');
    return text;
}

std::string joined(const std::vector<std::string>& items, const char* separator) {
    std::string text;
    for (const std::string& item : items) {
        text += (text.empty() ? "" : separator) + item;
    }
    return text;
}

std::string portList(const std::vector<link::PortInfo>& ports, char languageCode) {
    if (ports.empty()) {
        return languageCode == '2' ? "hiç yok" : "none";
    }
    std::vector<std::string> items;
    for (const link::PortInfo& port : ports) {
        std::string item = printableText(port.device);
        const std::string com = link::comName(port.comIndex);
        if (!com.empty() && com != port.device) {
            item = com + " = " + item;
        }
        items.push_back(item + " (" + link::describePort(port, languageCode) + ")");
    }
    return joined(items, "; ");
}

std::string byteList(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    for (std::uint8_t byte : bytes) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%s0x%02X", text.empty() ? "" : " ", byte);
        text += hex;
    }
    return text.empty() ? "nothing" : text;
}

Case caseOf(const DoctorObservations& seen, DoctorStage stage,
            const std::vector<std::string>& absent, bool expected) {
    switch (stage) {
        case DoctorStage::PortMissing:
            return seen.present.empty() ? Case::NoPortsAtAll : Case::General;
        case DoctorStage::CannotOpen:
            switch (seen.openError.failure) {
                case link::OpenFailure::Permission:
                    return usableGroup(seen.openError.group) ? Case::Permission
                                                             : Case::PermissionNoGroup;
                case link::OpenFailure::Busy:
                    return seen.openError.holder.empty() ? Case::BusyUnknown : Case::Busy;
                case link::OpenFailure::NotSerialPort:
                    return Case::NotSerial;
                default:
                    return Case::OpenOther;
            }
        case DoctorStage::AllGood:
            return absent.empty() ? Case::General : Case::Expected;
        case DoctorStage::ModulesAbsent:
            return expected ? Case::Expected : Case::Unexplained;
        default:
            return Case::General;
    }
}

DoctorStage stageOf(const DoctorObservations& seen, const std::vector<std::string>& absent,
                    bool expected) {
    if (!seen.opened) {
        return seen.openError.failure == link::OpenFailure::Missing ? DoctorStage::PortMissing
                                                                    : DoctorStage::CannotOpen;
    }
    switch (seen.presence) {
        case PresenceResult::LineFailed:
            return DoctorStage::LineLost;
        case PresenceResult::Silent:
            return seen.presenceLate ? DoctorStage::BoxLate : DoctorStage::BoxSilent;
        case PresenceResult::WrongByte:
        case PresenceResult::ExtraBytes:
            return DoctorStage::NotTheBox;
        case PresenceResult::NotRun:
        case PresenceResult::Answered:
            break;
    }
    if (seen.probeLineFailed) {
        return DoctorStage::LineLost;
    }
    if (seen.probeRun) {
        // The box reports a protocol of 1, 2 or 3; anything else (an echo of the probe
        // byte, noise) comes from another device.
        const bool foreign = std::any_of(seen.protocols.begin() + 1, seen.protocols.end(),
                                         [](std::uint8_t p) { return p > 3; });
        if (foreign) {
            return DoctorStage::NotTheBox;
        }
        if (std::any_of(seen.late.begin(), seen.late.end(), [](bool late) { return late; })) {
            return DoctorStage::BoxLate;
        }
        if (absent.size() == 5) {
            return DoctorStage::NoModule;
        }
        if (!absent.empty()) {
            return expected ? DoctorStage::AllGood : DoctorStage::ModulesAbsent;
        }
    }
    if (seen.silentModule) {
        return DoctorStage::ModuleSilent;
    }
    return DoctorStage::AllGood;
}

}  // namespace

const char* doctorStageName(DoctorStage stage) {
    for (const DisplayScreen& screen : kScreens) {
        if (screen.stage == stage) {
            return screen.name;
        }
    }
    return "?";
}

const char* doctorModuleName(int module) {
    return module >= 1 && module <= 5 ? kModuleNames[module] : "";
}

namespace {

// Absent modules are expected when the vehicle's source says it has none of them.
bool absenceExpected(const DoctorObservations& seen, const std::vector<std::string>& absent) {
    if (!seen.expected.has_value() || absent.empty()) {
        return false;
    }
    for (int module = 1; module <= 5; ++module) {
        if (seen.protocols[static_cast<std::size_t>(module)] == 0 &&
            seen.expected->present[static_cast<std::size_t>(module)]) {
            return false;
        }
    }
    return true;
}

std::string upperCaseList(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names) {
        std::string upper = name;
        std::transform(upper.begin(), upper.end(), upper.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        list += " " + upper;
    }
    return list;
}

// What the other device sent: its answer to the presence test, or to the probe.
std::vector<std::uint8_t> strangeBytes(const DoctorObservations& seen) {
    std::vector<std::uint8_t> strange = seen.received;
    if (strange.empty()) {
        for (int module = 1; module <= 5; ++module) {
            if (seen.protocols[static_cast<std::size_t>(module)] > 3) {
                strange.push_back(seen.protocols[static_cast<std::size_t>(module)]);
            }
        }
    }
    return strange;
}

// The answers that came late, in the language ('1' English, '2' Turkish).
std::string lateAnswers(const DoctorObservations& seen, char language) {
    std::vector<std::string> late;
    if (seen.presenceLate) {
        late.emplace_back(language == '2' ? "varlık testi" : "the presence test");
    }
    for (int module = 1; module <= 5; ++module) {
        if (seen.late[static_cast<std::size_t>(module)]) {
            late.push_back(language == '2' ? std::string(kModuleNames[module]) + " taraması"
                                           : std::string("the ") + kModuleNames[module] + " probe");
        }
    }
    return joined(late, ", ");
}

// The finding's advice and screen in one language, with what was seen filled in.
void writeTexts(const DoctorObservations& seen, Case which, const std::vector<std::string>& present,
                char language, Finding& finding) {
    const std::vector<Fill> fills{
        {"{ports}", portList(seen.present, language)},
        {"{port}", printableText(seen.port)},
        {"{holder}", printableText(seen.openError.holder)},
        {"{group}", printableText(seen.openError.group)},
        {"{reason}", printableText(seen.openError.systemMessage.empty()
                                       ? link::describePort(seen.target, language)
                                       : seen.openError.systemMessage)},
        {"{bytes}", byteList(strangeBytes(seen))},
        {"{present}", joined(present, ", ")},
        {"{absent}", joined(finding.absentModules, ", ")},
        {"{late}", lateAnswers(seen, language)},
        {"{source}", seen.expected ? seen.expected->source : std::string()},
        {"{module}", seen.silentModule
                         ? std::string(kModuleNames[linkModuleNumber(*seen.silentModule)])
                         : std::string()},
    };
    for (const Advice& advice : kAdvice) {
        if (advice.stage == finding.stage && advice.which == which) {
            std::string text = filledIn(language == '2' ? advice.turkish : advice.english, fills);
            (language == '2' ? finding.turkish : finding.english) = std::move(text);
        }
    }
    const std::string absentUpper = upperCaseList(finding.absentModules);
    for (const DisplayScreen& screen : kScreens) {
        if (screen.stage != finding.stage) {
            continue;
        }
        auto& lines = language == '2' ? finding.screenTurkish : finding.screenEnglish;
        const auto& source = language == '2' ? screen.turkish : screen.english;
        for (std::size_t i = 0; i < 4; ++i) {
            lines[i] =
                displayLine(filledIn(source[i], std::vector<Fill>{{"{absent}", absentUpper}}));
        }
    }
}

}  // namespace

Finding diagnose(const DoctorObservations& seen) {
    Finding finding;
    std::vector<std::string> present;
    if (seen.probeRun && !seen.probeLineFailed) {
        for (int module = 1; module <= 5; ++module) {
            (seen.protocols[static_cast<std::size_t>(module)] == 0 ? finding.absentModules
                                                                   : present)
                .push_back(kModuleNames[module]);
        }
    }
    const bool expected = absenceExpected(seen, finding.absentModules);
    finding.stage = stageOf(seen, finding.absentModules, expected);
    finding.absenceExpected = expected && finding.stage == DoctorStage::AllGood;
    if (finding.stage == DoctorStage::AllGood && !finding.absenceExpected) {
        finding.absentModules.clear();
    }
    const Case which = caseOf(seen, finding.stage, finding.absentModules, expected);
    if (seen.opened) {
        finding.latency = latencyAdvice(seen.latencyTimerMs, seen.port);
    }
    for (char language : {'1', '2'}) {
        writeTexts(seen, which, present, language, finding);
    }
    return finding;
}

}  // namespace tvx::session
