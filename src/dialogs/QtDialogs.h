#pragma once

#include "dialogs/Dialogs.h"

namespace pictavo {

class QtDialogs final : public Dialogs {
public:
    int messageBox(const MessageBoxRequest& request) override;
    std::optional<QColor> chooseColour(const QString& title, const QColor& initial) override;
    std::optional<QFont> chooseFont(const QString& title, const QFont& initial) override;
    QString browseForFolder(const QString& title, const QString& start) override;
    SaveDialogAnswer saveFileName(const SaveDialogRequest& request) override;
};

}  // namespace pictavo
