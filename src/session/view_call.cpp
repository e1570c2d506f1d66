#include "session/view_call.h"

namespace tvx::session {

void ViewCall::applyTo(SessionView& view) const {
    switch (kind) {
        case Kind::Line:
            return view.setLine(number, text);
        case Kind::DisplayColour:
            return view.setDisplayColour(colour);
        case Kind::Frame:
            return view.showOnlyFrame(name);
        case Kind::PanelVisible:
            return view.setPanelVisible(name, on);
        case Kind::PanelColour:
            return view.setPanelColour(name, colour);
        case Kind::ControlEnabled:
            return view.setControlEnabled(name, on);
        case Kind::ControlVisible:
            return view.setControlVisible(name, on);
        case Kind::ButtonDown:
            return view.setButtonDown(name);
        case Kind::Gauge:
            return view.setGauge(name, text);
        case Kind::EditText:
            return view.setEditText(name, text);
        case Kind::GridRow:
            return view.setGridRow(number, text);
        case Kind::Caption:
            return view.setCaption(name, text);
        case Kind::Hint:
            return view.setHint(name, text);
        case Kind::ListSelection:
            return view.setListSelection(name, number);
        case Kind::Repaint:
            return view.repaint();
    }
}

using Kind = ViewCall::Kind;

std::string ViewCall::target() const {
    if (kind == Kind::Line || kind == Kind::GridRow) {
        return std::to_string(number);
    }
    return kind == Kind::DisplayColour ? "display" : name;
}

bool ViewCall::carriesText() const {
    return kind == Kind::Line || kind == Kind::GridRow || kind == Kind::Gauge ||
           kind == Kind::EditText || kind == Kind::Caption || kind == Kind::Hint;
}

std::string ViewCall::value() const {
    if (carriesText()) {
        return text;
    }
    if (kind == Kind::PanelVisible || kind == Kind::ControlEnabled ||
        kind == Kind::ControlVisible) {
        return on ? "1" : "0";
    }
    if (kind == Kind::DisplayColour || kind == Kind::PanelColour) {
        return std::to_string(colour);
    }
    return kind == Kind::ListSelection ? std::to_string(number) : std::string();
}

}  // namespace tvx::session
