#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "session/session_view.h"

namespace tvx::session {

// One call of SessionView as a value: which attribute of which control it sets, and to what.
// The views that pass the session's calls on (logging, keeping screens, queueing them for
// the GUI thread) handle a call as such a value instead of one method per attribute.
struct ViewCall {
    enum class Kind : std::uint8_t {
        Line,            // number: display line 1..4; text
        DisplayColour,   // colour
        Frame,           // name: the frame shown, empty for none
        PanelVisible,    // name, on
        PanelColour,     // name, colour
        ControlEnabled,  // name, on
        ControlVisible,  // name, on
        ButtonDown,      // name
        Gauge,           // name, text
        EditText,        // name, text
        GridRow,         // number: row 1..6; text
        Caption,         // name, text
        Hint,            // name, text
        ListSelection,   // name, number: the item, -1 for none
        Repaint,
    };

    Kind kind = Kind::Repaint;
    std::string name{};
    std::string text{};
    int number = 0;
    std::uint32_t colour = 0;
    bool on = false;

    // Makes this call on VIEW.
    void applyTo(SessionView& view) const;
    // The control or display line the call sets ("display" for the display's colour,
    // empty for a repaint).
    std::string target() const;
    // What it sets the target to, as text: the text, "1"/"0", the colour or list item as a
    // number; empty for calls that carry no value (a frame, a button down, a repaint).
    std::string value() const;
    bool carriesText() const;
};

// A view that hands every call to call() as one value.
class CallView : public SessionView {
public:
    void setLine(int line, const std::string& text) final {
        call({.kind = Kind::Line, .text = text, .number = line});
    }
    void setDisplayColour(std::uint32_t colour) final {
        call({.kind = Kind::DisplayColour, .colour = colour});
    }
    void showOnlyFrame(std::string_view frame) final {
        call({.kind = Kind::Frame, .name = std::string(frame)});
    }
    void setPanelVisible(std::string_view name, bool visible) final {
        call({.kind = Kind::PanelVisible, .name = std::string(name), .on = visible});
    }
    void setPanelColour(std::string_view name, std::uint32_t colour) final {
        call({.kind = Kind::PanelColour, .name = std::string(name), .colour = colour});
    }
    void setControlEnabled(std::string_view name, bool enabled) final {
        call({.kind = Kind::ControlEnabled, .name = std::string(name), .on = enabled});
    }
    void setControlVisible(std::string_view name, bool visible) final {
        call({.kind = Kind::ControlVisible, .name = std::string(name), .on = visible});
    }
    void setButtonDown(std::string_view name) final {
        call({.kind = Kind::ButtonDown, .name = std::string(name)});
    }
    void setGauge(std::string_view name, const std::string& text) final {
        call({.kind = Kind::Gauge, .name = std::string(name), .text = text});
    }
    void setEditText(std::string_view name, const std::string& text) final {
        call({.kind = Kind::EditText, .name = std::string(name), .text = text});
    }
    void setGridRow(int row, const std::string& text) final {
        call({.kind = Kind::GridRow, .text = text, .number = row});
    }
    void setCaption(std::string_view name, const std::string& text) final {
        call({.kind = Kind::Caption, .name = std::string(name), .text = text});
    }
    void setHint(std::string_view name, const std::string& text) final {
        call({.kind = Kind::Hint, .name = std::string(name), .text = text});
    }
    void setListSelection(std::string_view name, int index) final {
        call({.kind = Kind::ListSelection, .name = std::string(name), .number = index});
    }
    void repaint() final { call({.kind = Kind::Repaint}); }

protected:
    virtual void call(ViewCall c) = 0;

private:
    using Kind = ViewCall::Kind;
};

}  // namespace tvx::session
