#pragma once

#include <QStringList>

#include "platform/Shell.h"

namespace pictavo::test {

class FakeShell final : public Shell {
public:
    bool openUrl(const QString& url) override {
        urls << url;
        return true;
    }
    bool openFolder(const QString& folder) override {
        folders << folder;
        return true;
    }
    QStringList urls;
    QStringList folders;
};

}  // namespace pictavo::test
