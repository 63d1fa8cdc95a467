#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <optional>

#include "support/TestEnvironment.h"
#include "support/XvfbSession.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // A private home before Qt reads any of it, and a fresh one for every test after that, so
    // tests never see each other's settings, logs or captures, even in one process.
    pictavo::test::TestEnvironment processEnvironment;
    ::testing::UnitTest::GetInstance()->listeners().Append(
        new pictavo::test::FreshEnvironmentPerTest);
    // The X11 tests run on a private Xvfb with openbox, started before the QApplication so that
    // Qt connects to it with its xcb platform (listing them needs no server). Tests that need
    // another kind of display (8 or 16 bits) start a server of their own and talk to it without
    // Qt. The other tests run offscreen unless told otherwise.
    std::optional<pictavo::test::XvfbSession> session;
    if (PICTAVO_TEST_ON_XVFB && !::testing::GTEST_FLAG(list_tests)) {
        // Nothing may hang: past this the process is killed, and its X servers die with it.
        alarm(240);
        session.emplace(pictavo::test::XvfbSession::Options{});
        if (!session->isRunning()) {
            std::fprintf(stderr, "%s: %s\n", argv[0], qPrintable(session->error()));
            return 1;
        }
        session->exportDisplay();
        qputenv("QT_QPA_PLATFORM", "xcb");
    } else if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
