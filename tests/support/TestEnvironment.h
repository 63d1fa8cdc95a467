#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <memory>

namespace pictavo::test {

// Points HOME, XDG_CONFIG_HOME, XDG_STATE_HOME, XDG_RUNTIME_DIR and TMPDIR at folders of a
// fresh temporary directory, for the life of the object. Nothing a test does reaches the real
// home.
class TestEnvironment {
public:
    TestEnvironment();
    TestEnvironment(const TestEnvironment&) = delete;
    TestEnvironment& operator=(const TestEnvironment&) = delete;

private:
    QTemporaryDir dir_;
};

// Gives every test its own TestEnvironment, from its start to its end.
class FreshEnvironmentPerTest : public ::testing::EmptyTestEventListener {
public:
    void OnTestStart(const ::testing::TestInfo&) override {
        environment_ = std::make_unique<TestEnvironment>();
    }
    void OnTestEnd(const ::testing::TestInfo&) override { environment_.reset(); }

private:
    std::unique_ptr<TestEnvironment> environment_;
};

}  // namespace pictavo::test
