#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tvx::session {

// The frames of the work area, of which one at a time is shown.
inline constexpr std::string_view kWorkFrames[] = {"Frame21",  "Frame31",  "Frame41", "Frame61",
                                                   "Frame71",  "Frame81",  "Frame91", "Frame101",
                                                   "Frame111", "Frame121", "Frame131"};

// Colours in the Windows encoding the tester has always used (0x00BBGGRR).
inline constexpr std::uint32_t kGreen = 65280;       // display prompts and menus
inline constexpr std::uint32_t kRed = 255;           // failures and warnings
inline constexpr std::uint32_t kYellow = 65535;      // while trouble codes are read or cleared
inline constexpr std::uint32_t kPanelGreen = 32768;  // selected injector panel

// Everything the operator sees, as the session reports it. Controls are named as on the
// window (`d1`..`d4`, `Frame61`, `rpmd`, `OK`, `pcm`, `Panel1`, `E1`, ...). Texts are UTF-8.
// The window applies each call on its own thread; a recording view serves the tests.
class SessionView {
public:
    virtual ~SessionView() = default;

    // Display line 1..4 (`d1`..`d4`), as given (24 characters; the module lines 25).
    virtual void setLine(int line, const std::string& text) = 0;
    // On-colour of all four display lines.
    virtual void setDisplayColour(std::uint32_t colour) = 0;
    // Shows the work-area frame `frame` (`Frame21`..`Frame131`) on top and hides every
    // other frame of the work area; an empty name hides them all.
    virtual void showOnlyFrame(std::string_view frame) = 0;
    // A panel of a frame (gauge panels `rpmp`, ..., injector panels `Panel1`..`Panel4`)
    // shown or hidden.
    virtual void setPanelVisible(std::string_view name, bool visible) = 0;
    // Background colour of a panel (`Panel1`..`Panel4`).
    virtual void setPanelColour(std::string_view name, std::uint32_t colour) = 0;
    // Command, module and injector buttons and edit boxes (`OK`, `pcm`, `live`, `OK1`, `E1`).
    virtual void setControlEnabled(std::string_view name, bool enabled) = 0;
    virtual void setControlVisible(std::string_view name, bool visible) = 0;
    // Presses a module speed button down (`pcm` .. `ICU`, or `sahte` to release them all).
    virtual void setButtonDown(std::string_view name) = 0;
    // Text of a gauge or dot-matrix field (`rpmd`, `cppd`, `edis1`, `kmd`).
    virtual void setGauge(std::string_view name, const std::string& text) = 0;
    // Text of an edit box (`E1`, `e2`, `e3`, `e4`).
    virtual void setEditText(std::string_view name, const std::string& text) = 0;
    // Row 1..6 of the trouble-code grid `dtc_table`.
    virtual void setGridRow(int row, const std::string& text) = 0;
    // Caption and hint (tooltip) of any control, list or label.
    virtual void setCaption(std::string_view name, const std::string& text) = 0;
    virtual void setHint(std::string_view name, const std::string& text) = 0;
    // Selected item of a list (`RGCom`, `Language`, `PG1`, `DG1`); -1 selects none.
    virtual void setListSelection(std::string_view name, int index) = 0;
    // The session is about to block (a pause or a serial dialogue): show what was sent.
    virtual void repaint() = 0;
};

}  // namespace tvx::session
