#include "dialogs/QtDialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "dialogs/MsgBoxEx.h"

namespace pictavo {

int QtDialogs::messageBox(const MessageBoxRequest& request) {
    QMessageBox box(request.owner.data());
    box.setWindowTitle(request.title);
    box.setText(request.prompt);
    const bool yesNo = (request.buttons & 0xF) == MsgBox::YesNo;
    if (yesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    if (!request.icon.isNull()) {
        box.setIconPixmap(request.icon.pixmap(32, 32));
        box.setWindowIcon(request.icon);
    } else if (request.buttons & MsgBox::InformationIcon) {
        box.setIcon(QMessageBox::Information);
    }

    QRect ownerRect;
    if (request.owner && request.owner->isVisible()) {
        ownerRect = request.owner->frameGeometry();
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        ownerRect = screen->geometry();
    }
    // Placed once the box is shown and laid out, when its final size is known.
    QTimer::singleShot(0, &box, [&box, ownerRect, &request] {
        box.move(messageBoxPosition(box.frameGeometry().size(), ownerRect, request.x, request.y));
    });

    box.exec();
    const auto* clicked = box.clickedButton();
    if (yesNo) {
        return clicked == box.button(QMessageBox::Yes) ? MsgBox::ResultYes : MsgBox::ResultNo;
    }
    return MsgBox::ResultOk;
}

std::optional<QColor> QtDialogs::chooseColour(const QString& title, const QColor& initial) {
    const QColor colour = QColorDialog::getColor(initial, nullptr, title);
    return colour.isValid() ? std::optional<QColor>(colour) : std::nullopt;
}

std::optional<QFont> QtDialogs::chooseFont(const QString& title, const QFont& initial) {
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, initial, nullptr, title);
    return ok ? std::optional<QFont>(font) : std::nullopt;
}

QString QtDialogs::browseForFolder(const QString& title, const QString& start) {
    return QFileDialog::getExistingDirectory(nullptr, title, start, QFileDialog::ShowDirsOnly);
}

}  // namespace pictavo
