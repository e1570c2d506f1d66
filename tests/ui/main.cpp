#include <gtest/gtest.h>

#include <QApplication>

// LeakSanitizer's walk of thread-local storage trips over the image plugins Qt loads (a
// sanitizer fault with dlopen'ed libraries): in these tests TLS is left out of its roots.
// LSAN_OPTIONS from the environment still applies on top of this.
extern "C" const char* __lsan_default_options() {
    return "use_tls=0";
}

// The window needs an application object; without a display the offscreen platform serves.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
