#include "dialogs/QtDialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
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

// Qt's own save dialog, which refuses a name in a folder that does not exist: the dialog would
// otherwise hand it back, and the file could not be written there.
class SaveFileDialog final : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    void accept() override {
        const QString file = selectedFiles().value(0);
        const QFileInfo typed(file);
        if (!file.isEmpty() && !typed.isDir() && !QFileInfo(typed.absolutePath()).isDir()) {
            QMessageBox::warning(this, windowTitle(),
                                 QStringLiteral("%1\nThe folder does not exist. Check the folder "
                                                "name and try again.")
                                     .arg(QDir::toNativeSeparators(typed.absolutePath())));
            return;
        }
        QFileDialog::accept();
    }
};

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
    QFontDialog dialog;
    dialog.setWindowTitle(title);
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    // The chooser lists installed faces only: a face that is not installed opens as the face
    // that stands in for it on the screen, with its styles, and OK on that unchanged keeps the
    // font asked for.
    QFont shown = initial;
    if (!QFontDatabase::hasFamily(initial.family())) {
        shown.setFamily(QFontInfo(initial).family());
    }
    dialog.setCurrentFont(shown);
    const QFont opened = dialog.currentFont();
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QFont chosen = dialog.selectedFont();
    return chosen == opened ? initial : chosen;
}

QString QtDialogs::browseForFolder(const QString& title, const QString& start) {
    return QFileDialog::getExistingDirectory(nullptr, title, start, QFileDialog::ShowDirsOnly);
}

SaveDialogAnswer QtDialogs::saveFileName(const SaveDialogRequest& request) {
    SaveFileDialog dialog(request.owner.data(), request.title, request.folder);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The same dialog everywhere, whatever desktop the user runs: Qt's own.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters(request.filters);
    if (request.filterIndex >= 1 && request.filterIndex <= request.filters.size()) {
        dialog.selectNameFilter(request.filters[request.filterIndex - 1]);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return {dialog.selectedFiles().first(),
            int(request.filters.indexOf(dialog.selectedNameFilter())) + 1};
}

}  // namespace pictavo
