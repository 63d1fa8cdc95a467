#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <memory>

namespace pictavo::test {

// Points HOME, the XDG folders and TMPDIR at folders of a fresh temporary directory, for the
// life of the object. Nothing a test does reaches the real home.
class TestEnvironment {
public:
    TestEnvironment() : dir_(QDir::tempPath() + QStringLiteral("/pictavo-test-XXXXXX")) {
        const QString base = dir_.path();
        const auto point = [&](const char* variable, const QString& folder) {
            QDir().mkpath(folder);
            qputenv(variable, folder.toUtf8());
        };
        point("HOME", base + QStringLiteral("/home"));
        point("XDG_CONFIG_HOME", base + QStringLiteral("/home/.config"));
        point("XDG_STATE_HOME", base + QStringLiteral("/home/.local/state"));
        point("XDG_DATA_HOME", base + QStringLiteral("/home/.local/share"));
        point("XDG_CACHE_HOME", base + QStringLiteral("/home/.cache"));
        point("XDG_RUNTIME_DIR", base + QStringLiteral("/runtime"));
        QFile::setPermissions(base + QStringLiteral("/runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        point("TMPDIR", base + QStringLiteral("/tmp"));
    }
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
