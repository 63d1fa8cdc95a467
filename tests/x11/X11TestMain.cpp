#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <cstdio>

#include "support/TestEnvironment.h"
#include "support/XvfbSession.h"

// The X11 tests run on a private Xvfb with openbox, started before the QApplication so that Qt
// connects to it with its xcb platform. Tests that need another kind of display (8 or 16 bits)
// start a server of their own and talk to it without Qt.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) {
        return RUN_ALL_TESTS();
    }
    pictavo::test::TestEnvironment environment;
    // Nothing may hang: past this the process is killed, and its X servers die with it.
    alarm(240);
    pictavo::test::XvfbSession session({});
    if (!session.isRunning()) {
        std::fprintf(stderr, "test_x11: %s\n", qPrintable(session.error()));
        return 1;
    }
    session.exportDisplay();
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
