#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "platform/Shell.h"

using namespace pictavo;

// xdg-open stands in for the desktop: missing, failing, done, or still running a file manager.
TEST(DesktopShell, AFolderThatCannotBeOpenedIsReported) {
    const std::pair<const char*, bool> rows[] = {
        {nullptr, false}, {"exit 3", false}, {"exit 0", true}, {"exec /bin/sleep 3", true}};
    const QByteArray path = qgetenv("PATH");
    for (const auto& [script, opened] : rows) {
        SCOPED_TRACE(script ? script : "no xdg-open");
        QTemporaryDir bin;
        QFile program(bin.filePath(QStringLiteral("xdg-open")));
        if (script) {
            ASSERT_TRUE(program.open(QIODevice::WriteOnly));
            program.write(QByteArray("#!/bin/sh\n") + script + "\n");
            program.close();
            program.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        }
        qputenv("PATH", bin.path().toLocal8Bit());
        EXPECT_EQ(DesktopShell(500).openFolder(bin.path()), opened);
        qputenv("PATH", path);
    }
}
