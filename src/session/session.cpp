#include "session/session.h"

#include <algorithm>

#include "session/captions.h"
#include "session/catalogue.h"
#include "session/settings.h"

namespace tvx::session {

namespace {

constexpr std::string_view kModuleButtons[] = {"pcm", "tcm", "abs", "ab", "cp", "ICU"};
constexpr std::string_view kFunctionButtons[] = {"live", "rdtc", "cdtc", "read_inj", "prog_inj"};
constexpr std::string_view kEditBoxes[] = {"", "E1", "e2", "e3", "e4"};
constexpr std::string_view kEditOks[] = {"", "OK1", "ok2", "ok3", "ok4"};
constexpr std::string_view kInjectorPanels[] = {"", "Panel1", "Panel2", "Panel3", "Panel4"};
constexpr std::string_view kInjectorLines[] = {"", "edis1", "edis2", "edis3", "edis4"};

// The work-area frames a live page, the injector panel or a module hides.
constexpr std::string_view kDataFrames[] = {"Frame31", "Frame41",  "Frame61",  "Frame71", "Frame81",
                                            "Frame91", "Frame101", "Frame111", "Frame131"};

// Opening bytes of a module by its protocol. Protocol 0 in a row stands for "any other".
struct ModuleOpening {
    Module module;
    std::uint8_t protocol;
    std::array<std::uint8_t, 3> bytes;
    std::size_t length;
};
constexpr ModuleOpening kOpenings[] = {
    {Module::Pcm, 1, {0x14, 0x10}, 2},     {Module::Pcm, 0, {0x1E, 0x07, 0xE0}, 3},
    {Module::Tcm, 1, {0x14, 0x10}, 2},     {Module::Tcm, 0, {0x1E, 0x07, 0xE1}, 3},
    {Module::Abs, 1, {0x0A, 0x28}, 2},     {Module::Abs, 0, {0x1E, 0x07, 0x60}, 3},
    {Module::AirBag, 1, {0x0A, 0x58}, 2},  {Module::AirBag, 0, {0x1E, 0x07, 0x37}, 3},
    {Module::Cluster, 1, {0x14, 0x60}, 2}, {Module::Cluster, 2, {0x1E, 0x07, 0x20}, 3},
    {Module::Cluster, 3, {0x0A, 0x60}, 2},
};

// The bytes a module button sends; empty for a cluster of an unknown protocol.
std::span<const std::uint8_t> openingBytes(Module module, std::uint8_t protocol) {
    const ModuleOpening* other = nullptr;
    for (const ModuleOpening& row : kOpenings) {
        if (row.module != module) {
            continue;
        }
        if (row.protocol == protocol) {
            return {row.bytes.data(), row.length};
        }
        if (row.protocol == 0) {
            other = &row;
        }
    }
    return other != nullptr ? std::span<const std::uint8_t>(other->bytes.data(), other->length)
                            : std::span<const std::uint8_t>();
}

// Which of live, rdtc/cdtc and read_inj a module button enables.
struct ModuleButtons {
    bool live;
    bool dtc;
    bool readInjector;
    ScreenId line;
};
constexpr ModuleButtons kModuleButtonTable[] = {
    {true, true, false, ScreenId::ModulePcm},     {false, true, false, ScreenId::ModuleTcm},
    {false, true, false, ScreenId::ModuleAbs},    {false, true, false, ScreenId::ModuleAirBag},
    {true, true, false, ScreenId::ModuleCluster}, {false, false, true, ScreenId::ModuleIcu},
};

struct Transition {
    int before;
    int after;
};
constexpr Transition kOkTable[] = {{2, 3},     {5, 6},     {7, 13},    {12, 8},
                                   {143, 144}, {146, 147}, {149, 150}, {151, 152},
                                   {154, 155}, {157, 158}, {160, 14}};
constexpr Transition kBackTable[] = {
    {2, 0},   {7, 0},    {152, 0},  {11, 13},  {15, 13},  {17, 13},  {29, 13}, {51, 13}, {54, 13},
    {56, 13}, {58, 13},  {60, 13},  {71, 13},  {74, 13},  {76, 13},  {78, 13}, {80, 13}, {121, 13},
    {12, 6},  {143, 14}, {146, 14}, {149, 14}, {151, 14}, {154, 14}, {157, 14}};

// Countdown states and where each one goes when the count is out.
constexpr Transition kCountdowns[] = {{144, 145}, {147, 148}, {155, 156}, {158, 159}, {161, 153}};

constexpr unsigned kStatusPauseMs = 2000;
constexpr unsigned kDtcPauseMs = 3000;
constexpr unsigned kCountdownStepMs = 1000;
constexpr unsigned kInjectorShortMs = 50;
constexpr unsigned kInjectorLongMs = 300;
constexpr std::uint16_t kModuleReplyTimeoutMs = 100;
constexpr std::uint16_t kDtcCountIdentifier = 0x0200;

}  // namespace

Session::Session(link::Link& link, link::Requests& requests, link::Clock& clock, SessionView& view,
                 std::filesystem::path dataDirectory)
    : m_link(link),
      m_requests(requests),
      m_clock(clock),
      m_view(view),
      m_dataDirectory(std::move(dataDirectory)) {
    m_link.DemoMode = false;
}

// ---------------------------------------------------------------------------------------
// The state table: which action runs on a tick of each state. States without a row wait.

const Session::StateRow* Session::findState(int state) {
    static const StateRow kStates[] = {
        {0, 0, &Session::stateSplashToSettings},
        {1, 1, &Session::stateReadSettings},
        {2, 2, &Session::stateSettingsScreen},
        {3, 3, &Session::stateConfirmSettings},
        {4, 4, &Session::statePortFailed},
        {6, 6, &Session::stateCarType},
        {8, 8, &Session::stateConnect},
        {10, 10, &Session::stateConnectionFailed},
        {13, 13, &Session::statePlugTheBox},
        {14, 14, &Session::stateEcuScan},
        {16, 16, &Session::stateConnectionFailure},
        {20, 21, &Session::stateLiveDispatch},
        {28, 28, &Session::stateLiveEntry},
        {29, 29, &Session::stateLivePoll},
        {50, 50, &Session::stateLiveEntry},
        {51, 51, &Session::stateLivePoll},
        {53, 53, &Session::stateLiveEntry},
        {54, 54, &Session::stateLivePoll},
        {55, 55, &Session::stateLiveEntry},
        {56, 56, &Session::stateLivePoll},
        {57, 57, &Session::stateLiveEntry},
        {58, 58, &Session::stateLivePoll},
        {59, 59, &Session::stateLiveEntry},
        {60, 60, &Session::stateLivePoll},
        {70, 70, &Session::stateLiveEntry},
        {71, 71, &Session::stateLivePoll},
        {73, 73, &Session::stateLiveEntry},
        {74, 74, &Session::stateLivePoll},
        {75, 75, &Session::stateLiveEntry},
        {76, 76, &Session::stateLivePoll},
        {77, 77, &Session::stateLiveEntry},
        {78, 78, &Session::stateLivePoll},
        {100, 104, &Session::stateReadDtc},
        {109, 109, &Session::stateListDtc},
        {110, 114, &Session::stateClearDtc},
        {121, 121, &Session::stateReadInjectors},
        {122, 122, &Session::stateOfferProgramming},
        {142, 142, &Session::stateIgnitionOff},
        {144, 144, &Session::stateWaitCountdown},
        {145, 145, &Session::stateIgnitionOn},
        {147, 147, &Session::stateWaitCountdown},
        {148, 148, &Session::stateEntryScreen},
        {150, 150, &Session::stateAreYouSure},
        {152, 152, &Session::stateProgram},
        {153, 153, &Session::stateIgnitionOff},
        {155, 155, &Session::stateWaitCountdown},
        {156, 156, &Session::stateIgnitionOn},
        {158, 158, &Session::stateWaitCountdown},
        {159, 159, &Session::stateFinished},
        {161, 161, &Session::stateWaitCountdown},
    };
    for (const StateRow& row : kStates) {
        if (state >= row.first && state <= row.last) {
            return &row;
        }
    }
    return nullptr;
}

void Session::step() {
    const StateRow* row = findState(SessionState);
    if (row == nullptr) {
        return;
    }
    (this->*row->action)();
    if (lineLost()) {
        showLineLost();
    }
}

bool Session::isWaiting() const {
    return findState(SessionState) == nullptr || m_settledState == SessionState;
}

// ---------------------------------------------------------------------------------------
// Helpers.

void Session::setState(int state) {
    SessionState = static_cast<std::int16_t>(state);
    m_settledState = -1;
}

void Session::setColour(std::uint32_t colour) {
    m_view.setDisplayColour(colour);
}

void Session::showLine(int line, const std::string& text) {
    m_lines[line - 1] = text;
    m_view.setLine(line, text);
}

void Session::show(ScreenId id) {
    const Screen& s = screen(id);
    if (s.colour) {
        setColour(*s.colour);
    }
    const auto& lines = screenLines(s, LanguageCode);
    for (int line = 1; line <= 4; ++line) {
        if (lines[line - 1] != nullptr) {
            showLine(line, lines[line - 1]);
        }
    }
}

void Session::pause(unsigned ms) {
    m_view.repaint();
    m_clock.sleepMs(ms);
}

void Session::hideFrames(std::initializer_list<std::string_view> frames) {
    for (std::string_view frame : frames) {
        m_view.setPanelVisible(frame, false);
    }
}

void Session::saveScreen() {
    SavedScreen = m_lines;
}

void Session::restoreSavedScreen() {
    for (int line = 1; line <= 4; ++line) {
        showLine(line, SavedScreen[line - 1]);
    }
}

void Session::applyCaptions() {
    for (const ControlText& caption : captions()) {
        m_view.setCaption(caption.control, std::string(inLanguage(caption, LanguageCode)));
    }
    for (const ControlText& hint : hints()) {
        m_view.setHint(hint.control, std::string(inLanguage(hint, LanguageCode)));
    }
}

bool Session::openPort(int index) {
    if (m_link.port().isOpen()) {
        m_link.ClosePort();
    }
    bool opened = m_link.OpenPort(index);
    if (opened) {
        m_openPortIndex = index;
        m_portNeedsReopen = false;
    }
    return opened;
}

// A port that failed under the session (box unplugged, device gone) is reported once; the
// mechanic is told what to do and the port is opened again on the next connection.
bool Session::lineLost() {
    return m_link.LineLost && !m_link.DemoMode;
}

void Session::showLineLost() {
    m_link.LineLost = false;
    m_portNeedsReopen = true;
    m_view.setControlEnabled("BACK", true);
    m_view.setControlEnabled("OK", false);
    show(ScreenId::LineLost);
    m_view.repaint();
    setState(17);  // BACK leads to the prompt to plug the box in
}

void Session::showFailure(ScreenId id, int nextState) {
    show(id);
    pause(kDtcPauseMs);
    setColour(kGreen);
    restoreSavedScreen();
    setState(nextState);
}

int Session::moduleNumber() const {
    if (m_moduleDown < 0 || m_moduleDown > static_cast<int>(Module::Cluster)) {
        return 0;
    }
    return m_moduleDown + 1;
}

// ---------------------------------------------------------------------------------------
// Start-up, settings and connection.

void Session::stateSplashToSettings() {
    setState(1);
}

void Session::stateReadSettings() {
    m_view.setControlEnabled("Setting", true);
    show(ScreenId::Splash);
    m_view.setControlEnabled("BACK", false);
    const std::filesystem::path file = settingsPath(m_dataDirectory);
    SettingsRead read = readSettings(file);
    if (read.status != SettingsStatus::Read) {
        // Missing or unreadable: start again from the defaults and ask.
        writeSettings(file, Settings{});
        LanguageCode = '1';
        ComPortIndex = 0;
        m_comSelection = 0;
        m_languageSelection = 0;
        m_view.setListSelection("RGCom", 0);
        m_view.setListSelection("Language", 0);
        for (const ControlText& caption : startCaptions()) {
            m_view.setCaption(caption.control, std::string(caption.english));
        }
        setState(2);
        return;
    }
    ComPortIndex = read.settings.comPortIndex;
    LanguageCode = read.settings.languageCode;
    for (const ControlText& caption : startCaptions()) {
        m_view.setCaption(caption.control, std::string(inLanguage(caption, LanguageCode)));
    }
    if (openPort(ComPortIndex)) {
        m_view.setPanelVisible("Frame21", true);
        m_view.setPanelVisible("Frame41", false);
        setState(5);
    } else {
        setState(4);
    }
}

void Session::stateSettingsScreen() {
    m_view.setControlEnabled("Setting", false);
    m_view.setControlEnabled("BACK", false);
    m_view.setPanelVisible("Frame21", false);
    m_view.setPanelVisible("Frame41", true);
    show(ScreenId::SelectComAndLanguage);
    m_settledState = 2;
}

void Session::stateConfirmSettings() {
    if (m_comSelection < 0) {
        m_view.setControlEnabled("OK", false);
        setState(2);
        return;
    }
    if (!openPort(m_comSelection)) {
        setState(4);
        return;
    }
    Settings settings{m_comSelection, m_languageSelection == 1 ? '2' : '1'};
    if (writeSettings(settingsPath(m_dataDirectory), settings)) {
        // The language follows the list only when the file holds it, so what is shown and
        // what the next start reads never disagree.
        LanguageCode = settings.languageCode;
        ComPortIndex = settings.comPortIndex;
    }
    setState(6);
}

void Session::statePortFailed() {
    show(ScreenId::PortInUse);
    pause(kStatusPauseMs);
    m_view.setControlEnabled("OK", false);
    m_comSelection = -1;
    m_view.setListSelection("RGCom", -1);
    setState(2);
}

void Session::stateCarType() {
    applyCaptions();
    m_view.setControlEnabled("Setting", false);
    m_view.setControlEnabled("OK", false);
    m_view.setControlEnabled("BACK", false);
    show(ScreenId::SelectCarType);
    m_view.setCaption("OK", "OK");
    m_view.setPanelVisible("Frame21", false);
    m_view.setPanelVisible("Frame41", false);
    m_view.setPanelVisible("Frame31", true);
    setState(7);
}

void Session::stateConnect() {
    m_view.setControlEnabled("DEMO", false);
    m_view.setControlEnabled("OK", false);
    m_view.setControlEnabled("BACK", false);
    show(ScreenId::Connecting);
    m_view.repaint();
    if (m_portNeedsReopen && m_openPortIndex >= 0 && !openPort(m_openPortIndex)) {
        m_link.LineLost = true;
        return;
    }
    if (!m_link.ProbeInterface()) {
        setState(10);
        return;
    }
    setState(m_link.ProbeModules() ? 14 : 16);
}

void Session::stateConnectionFailed() {
    m_view.setControlEnabled("BACK", true);
    m_view.setControlEnabled("DEMO", true);
    show(ScreenId::ConnectionFailed);
    pause(kStatusPauseMs);
    setState(11);
}

void Session::statePlugTheBox() {
    m_view.setControlEnabled("DEMO", false);
    m_link.DemoMode = false;
    hideFrames({"Frame31", "Frame131", "Frame81", "Frame41", "Frame61", "Frame71", "Frame91",
                "Frame101", "Frame111"});
    show(ScreenId::PlugTheBox);
    m_view.setControlEnabled("OK", true);
    m_view.setControlEnabled("BACK", true);
    for (std::string_view button : kModuleButtons) {
        m_view.setControlVisible(button, false);
    }
    for (std::string_view button : kFunctionButtons) {
        m_view.setControlVisible(button, false);
    }
    m_moduleDown = -1;
    m_view.setButtonDown("sahte");
    setState(12);
}

// The PCM start-up dialogue is the VIN read: it opens the PCM with the bytes of its
// protocol (0x14 0x10, or 0x1E 0x07 0xE0), waits for its answer and reads the
// identification number, and does nothing in demo mode.
void Session::stateEcuScan() {
    const bool found = m_link.ProbeModules();
    if (found) {
        m_requests.ReadVin();
        m_view.setControlEnabled("DEMO", false);
        m_view.setControlEnabled("OK", false);
        m_view.setControlEnabled("BACK", true);
        show(ScreenId::SelectEcu);
        for (int module = 0; module < 6; ++module) {
            m_view.setControlVisible(kModuleButtons[module], true);
            m_view.setControlEnabled(kModuleButtons[module],
                                     module < 5 && m_link.ModuleProtocol[module + 1] != 0);
        }
        for (std::string_view button : kFunctionButtons) {
            m_view.setControlVisible(button, true);
            m_view.setControlEnabled(button, false);
        }
        m_view.setPanelVisible("Frame91", false);
        m_view.setPanelVisible("Frame131", true);
        setState(15);
    } else {
        setState(16);
    }
    if (DieselSelected && m_dieselSelection >= 4 && m_dieselSelection <= 7) {
        m_view.setControlEnabled("ICU", true);
    }
    m_moduleDown = -1;
    m_view.setButtonDown("sahte");
    InjectorCode = blankInjectorCodes();
}

void Session::stateConnectionFailure() {
    m_view.setControlEnabled("BACK", true);
    m_view.setControlEnabled("DEMO", true);
    show(ScreenId::ConnectionFailure);
    pause(kStatusPauseMs);
    setState(17);
}

// ---------------------------------------------------------------------------------------
// Live data.

void Session::stateLiveDispatch() {
    const LivePage* page = livePageForModel(SessionState == 21, m_modelIndex);
    if (page == nullptr) {
        m_settledState = SessionState;  // no vehicle chosen: nothing to show
        return;
    }
    setState(page->entryState);
}

void Session::stateLiveEntry() {
    const LivePage* page = livePageForState(SessionState);
    for (std::string_view frame : kDataFrames) {
        if (frame != page->frame) {
            m_view.setPanelVisible(frame, false);
        }
    }
    m_view.setPanelVisible(page->frame, true);
    for (const PanelVisibility& panel : page->panels) {
        m_view.setPanelVisible(panel.panel, panel.visible);
    }
    setState(page->pollState);
}

bool Session::runPollRead(const LiveRead& read) {
    switch (read.kind) {
        case LiveRead::Kind::Decode:
            m_requests.Decode(read.decoder);
            if (m_link.ReplyFailed == 0) {
                m_view.setGauge(read.gauge, m_requests.ValueText);
            }
            break;
        case LiveRead::Kind::SwitchStates:
            m_requests.ReadSwitchStates();
            if (m_link.ReplyFailed == 0) {
                m_view.setGauge("cppd", std::string(clutchText(m_requests.StatusFlags)));
                m_view.setGauge("bppd", std::string(brakeText(m_requests.StatusFlags)));
                m_view.setGauge("klimad", std::string(aircoText(m_requests.StatusFlags)));
            }
            break;
        case LiveRead::Kind::Odometer:
            m_requests.ReadOdometer();
            if (m_link.ReplyFailed == 0) {
                m_view.setGauge(read.gauge, m_requests.ValueText);
            }
            break;
    }
    return !lineLost() && !m_abort;
}

void Session::stateLivePoll() {
    const LivePage* page = livePageForState(SessionState);
    if (m_link.DemoMode) {
        pause(page->demoPauseMs);
    }
    for (const LiveRead& read : page->reads) {
        if (page->pauseBeforeEachMs != 0) {
            m_clock.sleepMs(page->pauseBeforeEachMs);
        }
        if (!runPollRead(read)) {
            return;
        }
    }
}

// ---------------------------------------------------------------------------------------
// Trouble codes.

void Session::stateReadDtc() {
    const int module = SessionState - 99;
    pause(kDtcPauseMs);
    setColour(kGreen);
    // Rows of an earlier read would be taken for this car's codes: clear them first.
    for (int row = 1; row <= 6; ++row) {
        m_view.setGridRow(row, "");
    }
    bool failed = false;
    if (m_link.DemoMode) {
        DtcCount = 3;
    } else {
        m_requests.ReadParameter(kDtcCountIdentifier, module);
        failed = m_link.ReplyFailed != 0;
        DtcCount = failed ? 0 : m_requests.PidRecord[3];
    }
    if (!failed) {
        m_requests.ReadTroubleCodes(module);
        failed = !m_link.DemoMode && m_link.ReplyFailed != 0;
    }
    if (lineLost()) {
        return;
    }
    if (failed) {
        showFailure(ScreenId::DtcReadFailed, 15);
        return;
    }
    setState(109);
}

void Session::stateListDtc() {
    if (DtcCount == 0) {
        show(ScreenId::DtcNotFound);
        pause(kDtcPauseMs);
        restoreSavedScreen();
        setState(15);
        return;
    }
    m_view.setPanelVisible("Frame111", true);
    restoreSavedScreen();
    std::optional<Catalogue> catalogue =
        Catalogue::open(cataloguePath(m_dataDirectory, LanguageCode));
    if (!catalogue) {
        show(ScreenId::CatalogueMissing);
        pause(kDtcPauseMs);
        setState(15);
        return;
    }
    for (int slot = 1; slot <= 3; ++slot) {
        const std::uint16_t code = m_requests.TroubleCodes[slot];
        if (code == 0) {
            continue;
        }
        const std::string codeText = m_requests.FormatTroubleCode(code);
        std::optional<std::string> row = catalogue->find(codeText);
        m_view.setGridRow(slot, row ? *row : undefinedCodeRow(codeText, LanguageCode));
        m_view.repaint();
    }
    setState(15);
}

void Session::stateClearDtc() {
    const int module = SessionState - 109;
    m_requests.ClearTroubleCodes(module);
    if (lineLost()) {
        return;
    }
    if (!m_link.DemoMode && m_link.ReplyFailed != 0) {
        saveScreen();
        showFailure(ScreenId::DtcClearFailed, 15);
        return;
    }
    setState(15);
}

// ---------------------------------------------------------------------------------------
// Injector control unit.

void Session::stateReadInjectors() {
    hideFrames({"Frame31", "Frame41", "Frame61", "Frame71", "Frame81", "Frame101", "Frame111",
                "Frame131"});
    m_view.setPanelVisible("Frame91", true);
    for (int n = 1; n <= 4; ++n) {
        m_view.setControlVisible(kEditBoxes[n], false);
        m_view.setControlVisible(kEditOks[n], false);
        m_view.setPanelColour(kInjectorPanels[n], kRed);
    }
    m_view.repaint();

    // Each step must succeed; the codes are taken only from a complete read.
    bool ok = m_requests.StartDiagnosticMode();
    auto stepOk = [&](bool result) {
        ok = ok && result && !m_abort;
        return ok;
    };
    if (ok) {
        m_clock.sleepMs(kInjectorShortMs);
        stepOk(m_requests.Routine(0));
    }
    if (ok) {
        m_clock.sleepMs(kInjectorLongMs);
        stepOk(m_requests.AddressQuery());
        InjectorAddress = m_requests.AddressHeld;
    }
    if (ok) {
        m_clock.sleepMs(kInjectorLongMs);
        stepOk(m_requests.Routine(1));
    }
    for (int read = 1; ok && read <= 8; ++read) {
        InjectorAddress = previousBlockAddress(InjectorAddress);
        if (stepOk(m_requests.ReadMemory(InjectorAddress))) {
            InjectorRaw[read].address = InjectorAddress;
            std::copy_n(m_link.ReplyBuffer.begin() + 7, 4, InjectorRaw[read].data.begin());
        }
    }
    if (ok) {
        m_clock.sleepMs(kInjectorLongMs);
        for (int n = 1; n <= 4; ++n) {
            std::array<std::uint8_t, 8> bytes{};
            std::copy_n(InjectorRaw[firstHalfRead(n)].data.begin(), 4, bytes.begin());
            std::copy_n(InjectorRaw[secondHalfRead(n)].data.begin(), 4, bytes.begin() + 4);
            InjectorCode[n] = injectorCodeText(bytes);
        }
        stepOk(m_requests.StartDiagnosticMode());
    }
    if (lineLost()) {
        return;
    }
    if (!ok) {
        // Nothing half-read is kept: programming refuses slots that were not read.
        InjectorCode = blankInjectorCodes();
        for (int n = 1; n <= 4; ++n) {
            m_view.setGauge(kInjectorLines[n], InjectorCode[n]);
        }
        show(ScreenId::InjectorReadFailed);
        setState(15);
        return;
    }
    for (int n = 1; n <= 4; ++n) {
        m_view.setGauge(kInjectorLines[n], InjectorCode[n]);
    }
    m_view.setControlEnabled("OK", false);
    setState(122);
}

void Session::stateOfferProgramming() {
    m_view.setControlVisible("prog_inj", true);
    m_view.setControlEnabled("prog_inj", true);
    m_settledState = 122;
}

void Session::stateIgnitionOff() {
    for (std::string_view frame : kDataFrames) {
        m_view.setPanelVisible(frame, false);
    }
    m_view.setControlVisible("OK", true);
    m_view.setControlEnabled("OK", true);
    m_view.setControlVisible("BACK", true);
    m_view.setControlEnabled("BACK", true);
    m_view.setControlEnabled("read_inj", false);
    m_view.setControlEnabled("prog_inj", false);
    show(ScreenId::IgnitionOff);
    Countdown = 31;
    setState(SessionState + 1);
}

void Session::countdownStep(int target) {
    if (Countdown != 0) {
        --Countdown;
    } else {
        setState(target);
    }
    // Two digits, a leading blank shown as '0', in characters 13 and 14 of the line.
    const int seconds = std::clamp<int>(Countdown, 0, 99);
    std::string line(kCountdownTemplate);
    line[12] = static_cast<char>('0' + seconds / 10);
    line[13] = static_cast<char>('0' + seconds % 10);
    showLine(4, line);
    pause(kCountdownStepMs);
}

void Session::stateWaitCountdown() {
    m_view.setControlEnabled("OK", false);
    m_view.setControlEnabled("BACK", false);
    show(ScreenId::PleaseWait);
    for (const Transition& countdown : kCountdowns) {
        if (countdown.before == SessionState) {
            countdownStep(countdown.after);
            return;
        }
    }
}

void Session::stateIgnitionOn() {
    show(ScreenId::IgnitionOn);
    Countdown = 16;
    m_view.setControlEnabled("OK", true);
    m_view.setControlEnabled("BACK", true);
    setState(SessionState + 1);
}

void Session::stateEntryScreen() {
    m_view.setControlEnabled("OK", true);
    m_view.setControlEnabled("BACK", true);
    m_view.setPanelVisible("Frame91", true);
    for (int n = 1; n <= 4; ++n) {
        m_view.setPanelColour(kInjectorPanels[n], n == 1 ? kPanelGreen : kRed);
        m_view.setControlVisible(kEditBoxes[n], n == 1);
        m_view.setControlVisible(kEditOks[n], n == 1);
        m_view.setGauge(kInjectorLines[n], InjectorCode[n]);
        m_view.setEditText(kEditBoxes[n], InjectorCode[n]);
    }
    SelectedInjector = 1;
    show(ScreenId::SelectInjector);
    setState(149);
}

void Session::stateAreYouSure() {
    show(ScreenId::AreYouSure);
    m_view.setControlEnabled("OK", true);
    m_view.setControlEnabled("BACK", true);
    setState(151);
}

void Session::showInjectorProblem(int injector, CodeProblem problem) {
    ScreenId id = ScreenId::CodeBadCharacter;
    switch (problem) {
        case CodeProblem::NotRead:
            id = ScreenId::CodeNotRead;
            break;
        case CodeProblem::TooShort:
            id = ScreenId::CodeTooShort;
            break;
        case CodeProblem::TooLong:
            id = ScreenId::CodeTooLong;
            break;
        case CodeProblem::BadCharacter:
        case CodeProblem::None:
            break;
    }
    showNamingInjector(id, injector);
}

// A red injector screen; '#' in its lines becomes the number on the injector's label.
void Session::showNamingInjector(ScreenId id, int injector) {
    const Screen& s = screen(id);
    setColour(kRed);
    const auto& lines = screenLines(s, LanguageCode);
    for (int line = 1; line <= 4; ++line) {
        std::string text = lines[line - 1];
        std::replace(text.begin(), text.end(), '#',
                     static_cast<char>('0' + injectorLabelNumber(injector)));
        showLine(line, text);
    }
}

bool Session::programSelectedInjector(const std::array<std::uint8_t, 8>& bytes) {
    const int n = SelectedInjector;
    const std::array<std::uint8_t, 4> first{bytes[0], bytes[1], bytes[2], bytes[3]};
    const std::array<std::uint8_t, 4> second{bytes[4], bytes[5], bytes[6], bytes[7]};
    // Slots 0..3 are the first halves of injectors 1..4, slots 4..7 their second halves.
    const auto& firstAddress = InjectorRaw[firstHalfRead(n)].address;
    const auto& secondAddress = InjectorRaw[secondHalfRead(n)].address;

    bool ok = m_requests.StartDiagnosticMode();
    auto next = [&](auto&& request) {
        ok = ok && !m_abort && request();
        return ok;
    };
    if (ok) {
        m_clock.sleepMs(kInjectorShortMs);
    }
    next([&] { return m_requests.Routine(0); });
    if (ok) {
        m_clock.sleepMs(kInjectorLongMs);
    }
    next([&] { return m_requests.RequestDownload(firstAddress); });
    next([&] { return m_requests.TransferData(first); });
    next([&] { return m_requests.TransferExit(); });
    next([&] { return m_requests.RequestDownload(secondAddress); });
    next([&] { return m_requests.TransferData(second); });
    next([&] { return m_requests.TransferExit(); });
    next([&] { return m_requests.Routine(1); });
    if (ok) {
        m_clock.sleepMs(kInjectorLongMs);
    }
    next([&] { return m_requests.StartDiagnosticMode(); });
    return ok;
}

void Session::stateProgram() {
    const int n = std::clamp(SelectedInjector, 1, 4);
    SelectedInjector = n;
    const CodeCheck check = checkInjectorCode(InjectorCode[n]);
    if (check.problem != CodeProblem::None) {
        // Nothing has been sent: the code would program a wrong correction.
        showInjectorProblem(n, check.problem);
        m_view.setControlEnabled("OK", true);
        m_view.setControlEnabled("BACK", false);
        setState(160);
        return;
    }
    m_view.setControlEnabled("OK", false);
    m_view.setControlEnabled("BACK", false);
    m_view.repaint();
    if (!programSelectedInjector(check.bytes)) {
        if (lineLost()) {
            return;
        }
        showNamingInjector(ScreenId::ProgrammingFailed, n);
        m_view.setControlEnabled("OK", true);
        setState(160);
        return;
    }
    setState(161);
}

void Session::stateFinished() {
    m_view.setControlEnabled("OK", true);
    m_view.setControlEnabled("BACK", true);
    show(ScreenId::ProgrammingFinished);
    setState(160);
}

// ---------------------------------------------------------------------------------------
// Operator commands.

void Session::ok() {
    for (const Transition& t : kOkTable) {
        if (t.before == SessionState) {
            if (t.before == 2) {
                m_view.setPanelVisible("Frame31", false);
            }
            setState(t.after);
            return;
        }
    }
}

void Session::back() {
    for (const Transition& t : kBackTable) {
        if (t.before == SessionState) {
            if (t.before == 12) {
                m_petrolSelection = -1;
                m_dieselSelection = -1;
                m_view.setListSelection("PG1", -1);
                m_view.setListSelection("DG1", -1);
            }
            setState(t.after);
            return;
        }
    }
}

void Session::demo() {
    m_link.DemoMode = true;
    m_link.ReplyFailed = 0;  // a failure before the demo must not blank its gauges
    setState(14);
}

void Session::setting() {
    m_link.ClosePort();
    m_comSelection = ComPortIndex;
    m_languageSelection = LanguageCode == '2' ? 1 : 0;
    m_view.setListSelection("RGCom", m_comSelection);
    m_view.setListSelection("Language", m_languageSelection);
    setState(2);
}

void Session::selectCom(int index) {
    if (index < 0 || index > 7) {
        return;
    }
    m_comSelection = index;
    m_view.setListSelection("RGCom", index);
    m_view.setCaption("OK", "OK");
    m_view.setControlEnabled("OK", true);
}

void Session::selectLanguage(int index) {
    if (index < 0 || index > 1) {
        return;
    }
    m_languageSelection = index;
    m_view.setListSelection("Language", index);
}

void Session::selectPetrol(int index) {
    if (index < 0 || index >= static_cast<int>(petrolModels().size())) {
        return;
    }
    m_petrolSelection = index;
    m_dieselSelection = -1;
    m_modelIndex = index;
    DieselSelected = false;
    m_view.setListSelection("PG1", index);
    m_view.setListSelection("DG1", -1);
    m_view.setControlEnabled("OK", true);
}

void Session::selectDiesel(int index) {
    if (index < 0 || index >= static_cast<int>(dieselModels().size())) {
        return;
    }
    m_dieselSelection = index;
    m_petrolSelection = -1;
    m_modelIndex = index;
    DieselSelected = true;
    m_view.setListSelection("DG1", index);
    m_view.setListSelection("PG1", -1);
    m_view.setControlEnabled("OK", true);
}

void Session::live() {
    static constexpr int kLiveStates[][2] = {{20, 21}, {22, 23}, {24, 25}, {26, 27}, {28, 28}};
    const int module = moduleNumber();
    if (module == 0) {
        return;
    }
    setState(kLiveStates[module - 1][DieselSelected ? 1 : 0]);
}

void Session::readDtc() {
    const int module = moduleNumber();
    if (module == 0) {
        return;  // no module chosen (or the injector unit): nothing to read
    }
    hideFrames({"Frame31", "Frame41", "Frame61", "Frame71", "Frame81", "Frame91", "Frame101",
                "Frame111", "Frame121", "Frame131"});
    setColour(kYellow);
    saveScreen();
    show(ScreenId::ReadingDtcs);
    m_view.repaint();
    setState(99 + module);
}

void Session::clearDtc() {
    const int module = moduleNumber();
    if (module == 0) {
        return;
    }
    hideFrames({"Frame31", "Frame41", "Frame61", "Frame71", "Frame81", "Frame91", "Frame101",
                "Frame111", "Frame121", "Frame131"});
    setColour(kYellow);
    saveScreen();
    show(ScreenId::DeletingDtcs);
    m_view.repaint();
    setState(109 + module);
    m_clock.sleepMs(kDtcPauseMs);
    setColour(kGreen);
    restoreSavedScreen();
}

void Session::readInjectors() {
    setState(121);
}

void Session::programInjectors() {
    setState(142);
}

void Session::selectModule(Module module) {
    const int index = static_cast<int>(module);
    const ModuleButtons& buttons = kModuleButtonTable[index];
    for (std::string_view button : kFunctionButtons) {
        m_view.setControlVisible(button, true);
    }
    m_view.setControlEnabled("live", buttons.live);
    m_view.setControlEnabled("rdtc", buttons.dtc);
    m_view.setControlEnabled("cdtc", buttons.dtc);
    m_view.setControlEnabled("read_inj", buttons.readInjector);
    m_view.setControlEnabled("prog_inj", false);
    show(buttons.line);
    hideFrames({"Frame31", "Frame41", "Frame61", "Frame71", "Frame81", "Frame91", "Frame101",
                "Frame111", "Frame121"});
    m_moduleDown = index;
    m_view.setButtonDown(kModuleButtons[index]);
    setState(15);
    if (m_link.DemoMode || module == Module::Icu) {
        return;
    }
    // The module's opening bytes by its protocol, then one reply byte.
    const auto bytes = openingBytes(module, m_link.ModuleProtocol[index + 1]);
    m_link.PurgePort();
    for (std::uint8_t byte : bytes) {
        m_link.SendByte(byte);
    }
    LastReplyByte = m_link.ReceiveByte(kModuleReplyTimeoutMs);
    if (lineLost()) {
        showLineLost();
        return;
    }
    if (m_link.ReadTimedOut != 0) {
        setState(16);
    }
}

void Session::injectorPanelClick(int injector) {
    if (SessionState != 149 || injector < 1 || injector > 4) {
        return;
    }
    for (int n = 1; n <= 4; ++n) {
        m_view.setPanelColour(kInjectorPanels[n], n == injector ? kPanelGreen : kRed);
        m_view.setControlVisible(kEditBoxes[n], n == injector);
        m_view.setControlVisible(kEditOks[n], n == injector);
    }
    SelectedInjector = injector;
}

void Session::injectorOk(int injector, const std::string& typedText) {
    if (injector < 1 || injector > 4) {
        return;
    }
    m_view.setGauge(kInjectorLines[injector], typedText);
    InjectorCode[injector] = typedText.substr(0, kInjectorCodeLength);
}

}  // namespace tvx::session
