#include "common/control_names.h"

#include <algorithm>

#include "session/captions.h"
#include "session/live_pages.h"
#include "session/session_controls.h"
#include "session/session_view.h"

namespace tvx::session {

std::vector<std::string_view> addressedControlNames() {
    using namespace controls;
    std::vector<std::string_view> names;
    auto add = [&names](auto&& list) {
        for (std::string_view name : list) {
            if (!name.empty()) {
                names.push_back(name);
            }
        }
    };
    add(kCommandButtons);
    add(kLists);
    add(kModuleButtons);
    add(kFunctionButtons);
    add(kEditBoxes);
    add(kEditOks);
    add(kInjectorPanels);
    add(kInjectorLines);
    add(kCodeBeforeLabels);
    add(kWorkFrames);
    names.push_back(kNoModuleButton);
    for (auto table : {captions(), gaugeCaptions(), hints(), startCaptions()}) {
        for (const ControlText& text : table) {
            names.push_back(text.control);
        }
    }
    for (const LivePage& page : allLivePages()) {
        names.push_back(page.frame);
        for (const PanelVisibility& panel : page.panels) {
            names.push_back(panel.panel);
        }
        for (const LiveRead& read : page.reads) {
            if (read.kind == LiveRead::Kind::SwitchStates) {
                for (const Gauge gauge : kSwitchStateGauges) {
                    names.push_back(gaugeName(gauge));
                }
            } else {
                names.push_back(gaugeName(read.gauge));
            }
        }
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

}  // namespace tvx::session
