#include "dialogs/QtDialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QCursor>
#include <QFileDialog>
#include <QFontDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "dialogs/MsgBoxEx.h"

namespace pictavo {

namespace {

// The window a box belongs to: the one asked for, else the window the user is working in
// within this program. Null when none of them is on the screen.
QWidget* messageBoxOwner(QWidget* requested) {
    for (QWidget* w :
         {requested, QApplication::activeModalWidget(), QApplication::activeWindow()}) {
        if (w && w->isVisible()) {
            return w;
        }
    }
    return nullptr;
}

}  // namespace

int QtDialogs::messageBox(const MessageBoxRequest& request) {
    QWidget* owner = messageBoxOwner(request.owner.data());
    QMessageBox box(owner);
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

    QList<QRect> screens;
    if (const QScreen* primary = QGuiApplication::primaryScreen()) {
        screens << primary->geometry();
    }
    for (const QScreen* screen : QGuiApplication::screens()) {
        screens << screen->geometry();
    }
    const QRect ownerRect =
        messageBoxArea(owner ? owner->frameGeometry() : QRect(), screens, QCursor::pos());
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
