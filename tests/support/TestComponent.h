#pragma once

#include <QImage>
#include <memory>

#include "plugin/PV.h"
#include "support/FakeScreenSource.h"
#include "support/Fakes.h"
#include "support/ScriptedDialogs.h"

namespace pictavo::test {

// A plug-in object on test doubles, with its settings store in the test's private config
// folder. The doubles stay reachable through the raw pointers.
struct TestComponent {
    explicit TestComponent(QImage screen = QImage());

    // Writes the host's "ScriptsDir" so Initialize finds `scriptsDir`/Pictavo Live/.
    void setScriptsDir(const QString& scriptsDir);
    // Initialize against the staged plug-in folder of the build tree.
    bool initialize(const QString& email = QStringLiteral("user@example.com"), int version = 4);

    // A value of the signed-in user's settings; `sub` "" is the user key itself.
    void set(const char* sub, const char* name, const QString& value);
    QString get(const char* sub, const char* name) const;
    // A command as the host passes it on.
    QString command(const QString& word, const QString& argument = {});

    ScriptedDialogs* dialogs = nullptr;
    FakeShell* shell = nullptr;
    FakeClock* clock = nullptr;
    FakeScreenSource* screen = nullptr;
    FakeVideoDevices* video = nullptr;
    std::unique_ptr<PV> pv;
};

// A screen with something to see: gradients and a fine texture, so that a wrong offset, row
// stride or channel order shows at once.
QImage testScreen(int width = 320, int height = 200);

}  // namespace pictavo::test
