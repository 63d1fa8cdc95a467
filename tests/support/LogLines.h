#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <QStringList>

#include "settings/DiagnosticLog.h"

namespace pictavo::test {

// The diagnostic log's lines (each must end in CR LF); empty when there is no log file.
inline QStringList logLines() {
    QFile f(DiagnosticLog::LogFilePath());
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    QString all = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(all.isEmpty() || all.endsWith(QStringLiteral("\r\n")));
    all.chop(2);
    return all.split(QStringLiteral("\r\n"));
}

}  // namespace pictavo::test
