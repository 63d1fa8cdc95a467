#include "dialogs/QtDialogs.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

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
    box.adjustSize();

    QRect ownerRect;
    if (request.owner && request.owner->isVisible()) {
        ownerRect = request.owner->frameGeometry();
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        ownerRect = screen->geometry();
    }
    box.move(messageBoxPosition(box.sizeHint(), ownerRect, request.x, request.y));

    box.exec();
    const auto* clicked = box.clickedButton();
    if (yesNo) {
        return clicked == box.button(QMessageBox::Yes) ? MsgBox::ResultYes : MsgBox::ResultNo;
    }
    return MsgBox::ResultOk;
}

}  // namespace pictavo
