#pragma once

#include <QCoreApplication>
#include <memory>

namespace tvx::record {

// The Qt application a program without a window (the command line) makes for the time it
// writes a PDF or draws a picture: offscreen unless the environment names a platform. None
// where an application runs already.
template <typename Application>
std::unique_ptr<Application> offscreenApplication() {
    if (QCoreApplication::instance() != nullptr) {
        return nullptr;
    }
#ifndef _WIN32
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");  // no display needed for a file
    }
#endif
    static int argc = 1;
    static char name[] = "tarvolinex";
    static char* argv[] = {name, nullptr};
    return std::make_unique<Application>(argc, argv);
}

}  // namespace tvx::record
