#pragma once

#include <QString>
#include <QTemporaryDir>

namespace pictavo::test {

// Points HOME, XDG_CONFIG_HOME, XDG_STATE_HOME, XDG_RUNTIME_DIR and TMPDIR at folders of a
// fresh temporary directory, for the life of the object. Nothing a test does reaches the real
// home.
class TestEnvironment {
public:
    TestEnvironment();
    ~TestEnvironment();
    TestEnvironment(const TestEnvironment&) = delete;
    TestEnvironment& operator=(const TestEnvironment&) = delete;

    QString root() const { return dir_.path(); }
    QString home() const { return dir_.path() + QStringLiteral("/home"); }
    QString tmp() const { return dir_.path() + QStringLiteral("/tmp"); }

private:
    QTemporaryDir dir_;
};

// True when the test filter of this process selects tests that need a real X display; those
// run on the fixture's Xvfb rather than the offscreen platform.
bool wantsX11();

}  // namespace pictavo::test
