#include <gtest/gtest.h>

#include <QApplication>

#include "support/TestEnvironment.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // A private home before Qt reads any of it, and a fresh one for every test after that, so
    // tests never see each other's settings, logs or captures, even in one process.
    pictavo::test::TestEnvironment processEnvironment;
    ::testing::UnitTest::GetInstance()->listeners().Append(
        new pictavo::test::FreshEnvironmentPerTest);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
