#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "support/TestEnvironment.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // A private home before Qt reads any of it; removed when the process ends.
    pictavo::test::TestEnvironment environment;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !pictavo::test::wantsX11()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
