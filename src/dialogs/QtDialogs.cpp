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
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>

#include "dialogs/MsgBoxEx.h"
#include "dialogs/WindowPlacement.h"

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

// Shows `dialog` modally, centred on the monitor that holds the pointer.
int execCentred(QDialog& dialog) {
    dialog.adjustSize();
    centreOnPointerMonitor(dialog);
    return dialog.exec();
}

// A size at which the file list shows its four columns (name, size, type, date) beside the
// places bar without cutting any off.
QSize readableSaveDialogSize(const QFontMetrics& metrics) {
    return {metrics.averageCharWidth() * 120, metrics.height() * 30};
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

    // Over its owner, else over the work area of the monitor that holds the pointer; on that
    // monitor either way.
    const QRect work = pointerMonitor().work;
    const QRect ownerRect = messageBoxArea(owner ? owner->frameGeometry() : QRect(),
                                           QList<QRect>{work}, QCursor::pos());
    // Placed once the box is shown and laid out, when its final size is known.
    QTimer::singleShot(0, &box, [&box, ownerRect, work, &request] {
        const QSize size = box.frameGeometry().size();
        const QPoint at = messageBoxPosition(size, ownerRect, request.x, request.y);
        box.move(request.x == -1 && request.y == -1 ? keptInside(QRect(at, size), work).topLeft()
                                                    : at);
    });

    box.exec();
    const auto* clicked = box.clickedButton();
    if (yesNo) {
        return clicked == box.button(QMessageBox::Yes) ? MsgBox::ResultYes : MsgBox::ResultNo;
    }
    return MsgBox::ResultOk;
}

std::optional<QColor> QtDialogs::chooseColour(const QString& title, const QColor& initial) {
    QColorDialog dialog(initial);
    dialog.setWindowTitle(title);
    if (execCentred(dialog) != QDialog::Accepted) {
        return std::nullopt;
    }
    const QColor colour = dialog.selectedColor();
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
    if (execCentred(dialog) != QDialog::Accepted) {
        return std::nullopt;
    }
    const QFont chosen = dialog.selectedFont();
    return chosen == opened ? initial : chosen;
}

QString QtDialogs::browseForFolder(const QString& title, const QString& start) {
    QFileDialog dialog(nullptr, title, start);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (execCentred(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().first();
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
    if (!request.name.isEmpty()) {
        dialog.selectFile(request.name);
    }
    // Size, type and date as wide as they need to be read; the name takes the rest.
    if (auto* list = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = list->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(QHeaderView::ResizeToContents);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
    }
    const QRect work = pointerMonitor().work;
    const QSize size =
        request.size.isEmpty() ? readableSaveDialogSize(dialog.fontMetrics()) : request.size;
    // Room left for the window manager's frame.
    dialog.resize(work.isEmpty() ? size : size.boundedTo(work.size() * 0.9));
    dialog.move(centredIn(dialog.size(), work));
    const bool accepted = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    SaveDialogAnswer answer;
    answer.size = dialog.size();
    if (accepted) {
        answer.path = dialog.selectedFiles().first();
        answer.filterIndex = int(request.filters.indexOf(dialog.selectedNameFilter())) + 1;
    }
    return answer;
}

}  // namespace pictavo
