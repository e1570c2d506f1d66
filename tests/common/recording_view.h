#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "session/session_view.h"

namespace tvx::session {

// A view that keeps the current state of everything the session shows, plus a log of the
// display lines and gauge writes in the order they came. For tests and the command-line
// tester; not thread-safe (use it on the thread that runs the session).
class RecordingView : public SessionView {
public:
    void setLine(int line, const std::string& text) override {
        if (line >= 1 && line <= 4) {
            lines[line - 1] = text;
        }
        lineLog.emplace_back(line, text);
    }
    void setDisplayColour(std::uint32_t c) override { colour = c; }
    void showOnlyFrame(std::string_view frame) override {
        if (!frame.empty()) {
            namesSeen.emplace(frame);
        }
        for (std::string_view name : kWorkFrames) {
            panelVisible[std::string(name)] = name == frame;
        }
        frameOnTop = std::string(frame);
    }
    void setPanelVisible(std::string_view name, bool visible) override {
        namesSeen.emplace(name);
        panelVisible[std::string(name)] = visible;
    }
    void setPanelColour(std::string_view name, std::uint32_t c) override {
        namesSeen.emplace(name);
        panelColour[std::string(name)] = c;
    }
    void setControlEnabled(std::string_view name, bool enabled) override {
        namesSeen.emplace(name);
        controlEnabled[std::string(name)] = enabled;
    }
    void setControlVisible(std::string_view name, bool visible) override {
        namesSeen.emplace(name);
        controlVisible[std::string(name)] = visible;
    }
    void setButtonDown(std::string_view name) override {
        namesSeen.emplace(name);
        buttonDown = std::string(name);
    }
    void setGauge(std::string_view name, const std::string& text) override {
        namesSeen.emplace(name);
        gauges[std::string(name)] = text;
        gaugeLog.emplace_back(std::string(name), text);
    }
    void setEditText(std::string_view name, const std::string& text) override {
        namesSeen.emplace(name);
        editText[std::string(name)] = text;
    }
    void setGridRow(int row, const std::string& text) override {
        if (row >= 1 && row <= 6) {
            gridRows[row] = text;
        }
    }
    void setCaption(std::string_view name, const std::string& text) override {
        namesSeen.emplace(name);
        captions[std::string(name)] = text;
    }
    void setHint(std::string_view name, const std::string& text) override {
        namesSeen.emplace(name);
        hints[std::string(name)] = text;
    }
    void setListSelection(std::string_view name, int index) override {
        namesSeen.emplace(name);
        listSelection[std::string(name)] = index;
    }
    void repaint() override { ++repaintCount; }

    // Lookups that answer "never set" with a default.
    bool panel(std::string_view name, bool otherwise = false) const {
        return find(panelVisible, name, otherwise);
    }
    bool enabled(std::string_view name, bool otherwise = false) const {
        return find(controlEnabled, name, otherwise);
    }
    bool visible(std::string_view name, bool otherwise = false) const {
        return find(controlVisible, name, otherwise);
    }
    std::string gauge(std::string_view name) const { return find(gauges, name, std::string()); }
    int selection(std::string_view name, int otherwise = -2) const {
        return find(listSelection, name, otherwise);
    }
    std::uint32_t colourOf(std::string_view name) const {
        return find(panelColour, name, std::uint32_t{0});
    }
    // The four display lines joined by '|', handy in assertions.
    std::string screen() const {
        return lines[0] + "|" + lines[1] + "|" + lines[2] + "|" + lines[3];
    }
    void clearLogs() {
        lineLog.clear();
        gaugeLog.clear();
    }

    std::array<std::string, 4> lines{};
    std::uint32_t colour = 0;
    std::string frameOnTop;  // the frame showOnlyFrame() showed last
    std::map<std::string, bool, std::less<>> panelVisible;
    std::map<std::string, std::uint32_t, std::less<>> panelColour;
    std::map<std::string, bool, std::less<>> controlEnabled;
    std::map<std::string, bool, std::less<>> controlVisible;
    std::string buttonDown;
    std::map<std::string, std::string, std::less<>> gauges;
    std::map<std::string, std::string, std::less<>> editText;
    std::array<std::string, 7> gridRows{};  // rows 1..6; row 0 is the header
    std::map<std::string, std::string, std::less<>> captions;
    std::map<std::string, std::string, std::less<>> hints;
    std::map<std::string, int, std::less<>> listSelection;
    int repaintCount = 0;
    std::set<std::string, std::less<>> namesSeen;  // every control name the session used
    std::vector<std::pair<int, std::string>> lineLog;
    std::vector<std::pair<std::string, std::string>> gaugeLog;

private:
    template <typename Map, typename Value>
    static Value find(const Map& map, std::string_view name, Value otherwise) {
        auto it = map.find(name);
        return it == map.end() ? otherwise : it->second;
    }
};

}  // namespace tvx::session
