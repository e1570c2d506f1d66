#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "link/clock.h"
#include "sim/box.h"
#include "sim/in_memory_port.h"
#include "ui/tester_controller.h"
#include "ui_helpers.h"

namespace tvx::ui::test {

// The window on the simulated diesel van (in memory, virtual time), shown and started on a
// data directory.
struct VanWindow {
    ~VanWindow() { close(); }
    void start(const std::filesystem::path& dataDirectory) {
        box = std::make_unique<sim::Box>(sim::vehicleScenario("diesel-van"));
        port = std::make_unique<sim::InMemoryPort>(*box, clock);
        form = std::make_unique<TForm1>(QString());
        controller = std::make_unique<TesterController>(
            *form, TesterController::Setup{*port, clock, tick, nullptr, dataDirectory});
        form->show();
        controller->start();
    }
    // The session stops, then the controller and the window go (the threads they hold end).
    void close() {
        if (controller)
            controller->stop();
        controller.reset();
        form.reset();
    }
    void press(const char* name) {
        ASSERT_TRUE(waitFor([&] { return usable(form->button(name)); })) << name;
        click(form->button(name));
    }
    bool line(int n, const char* text) const { return lineText(*form, n) == QLatin1String(text); }

    link::VirtualClock clock;
    link::VirtualClock tick;
    std::unique_ptr<sim::Box> box;
    std::unique_ptr<sim::InMemoryPort> port;
    std::unique_ptr<TForm1> form;
    std::unique_ptr<TesterController> controller;
};

}  // namespace tvx::ui::test
