#include "output/SaveToFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <array>

#include "controls/Twips.h"
#include "dialogs/MsgBoxEx.h"
#include "output/ImageEncoder.h"
#include "platform/FileSystem.h"
#include "platform/UniqueFd.h"
#include "settings/Settings.h"

namespace pictavo {

namespace {

struct FileType {
    const char* description;
    const char* pattern;
    const char* type;
};

constexpr std::array<FileType, kSaveFileTypes> kFileTypes{{
    {"BMP Screenshot (*.BMP)", "*.BMP", "bmp"},
    {"GIF Screenshot (*.GIF)", "*.GIF", "gif"},
    {"JPG Screenshot (*.JPG)", "*.JPG", "jpg"},
    {"PNG Screenshot (*.PNG)", "*.PNG", "png"},
    {"TIF Screenshot (*.TIF)", "*.TIF", "tif"},
}};

}  // namespace

QString saveDialogFilter() {
    QString filter;
    for (const FileType& t : kFileTypes) {
        filter += QLatin1String(t.description) + QChar(0) + QLatin1String(t.pattern) + QChar(0);
    }
    return filter + QChar(0);
}

QString TypeFromFilter(const QString& filter, int index) {
    // Texts 0, 2, 4, ... are descriptions; a trailing empty text is not a pair.
    const QStringList texts = filter.split(QChar(0));
    const qsizetype at = 2 * (qsizetype(index) - 1);
    if (index < 1 || at >= texts.size() || texts[at].isEmpty()) {
        return {};
    }
    return texts[at].left(3);
}

int saveFileTypeNumber(const QString& type) {
    for (int i = 0; i < kSaveFileTypes; ++i) {
        if (type == QLatin1String(kFileTypes[i].type)) {
            return i + 1;
        }
    }
    return 0;
}

QString completeSavePath(const QString& path, int filterIndex, QString& type) {
    const QString ending = path.right(4).toLower();
    if (ending.startsWith(QLatin1Char('.')) && saveFileTypeNumber(ending.mid(1)) != 0) {
        type = ending.mid(1);
        return path;
    }
    QString completed =
        path + QLatin1Char('.') + TypeFromFilter(saveDialogFilter(), filterIndex).toLower();
    type = completed.right(3);
    return completed;
}

QString saveDialogFolder(const QString& saved, const QString& home) {
    QString folder = QDir::cleanPath(QDir(home).absoluteFilePath(saved));
    while (!QFileInfo(folder).isDir()) {
        const QString parent = QFileInfo(folder).path();
        if (parent == folder) {
            return home;
        }
        folder = parent;
    }
    return folder;
}

QString SaveToFile::ShowSaveDialog(const QString& folder, int typeNumber, QString& type) {
    SaveDialogRequest request;
    request.title = kMessageCaption;
    request.folder = saveDialogFolder(folder, QDir::homePath());
    for (const FileType& t : kFileTypes) {
        request.filters << QLatin1String(t.description);
    }
    request.filterIndex = typeNumber;
    request.owner = c_.owner ? c_.owner() : nullptr;
    request.size = storedDialogSize();
    for (;;) {
        const SaveDialogAnswer answer = c_.dialogs.saveFileName(request);
        storeDialogSize(answer.size);
        if (answer.path.isEmpty()) {
            return {};
        }
        QString chosenType;
        QString path = completeSavePath(answer.path, answer.filterIndex, chosenType);
        // The dialog asked about the name as typed; a file the completed name names is asked
        // about here, or it would be replaced unasked.
        if (path == answer.path || !FileSystem::PathExists(path, true) ||
            MsgBoxEx(c_.dialogs,
                     QFileInfo(path).fileName() +
                         QStringLiteral(" already exists. Do you want to replace it?"),
                     MsgBox::YesNo, kMessageCaption, -1, -1, c_.icon ? c_.icon() : QIcon(),
                     request.owner) == MsgBox::ResultYes) {
            type = chosenType;
            return path;
        }
        // Not replaced: back to the dialog as the user left it, to pick another name.
        const QFileInfo typed(answer.path);
        request.folder = typed.absolutePath();
        request.name = typed.fileName();
        request.filterIndex = answer.filterIndex;
        request.size = answer.size;
    }
}

namespace {

const QString kOptions = QStringLiteral("Options");
const QString kDialogWidth = QStringLiteral("SaveDialogWidth");
const QString kDialogHeight = QStringLiteral("SaveDialogHeight");
// The size is counted in the primary screen's twips.
const QWidget* const kPrimaryScreen = nullptr;

}  // namespace

QSize SaveToFile::storedDialogSize() {
    const auto stored = [this](const QString& name, int twipsPerPixel) {
        bool ok = false;
        const int twips = c_.settings.value(kOptions, name).toInt(&ok);
        return ok && twips > 0 ? toPixels(twips, twipsPerPixel) : 0;
    };
    const QSize size(stored(kDialogWidth, twipsPerPixelX(kPrimaryScreen)),
                     stored(kDialogHeight, twipsPerPixelY(kPrimaryScreen)));
    return size.isEmpty() ? QSize() : size;
}

void SaveToFile::storeDialogSize(const QSize& size) {
    if (size.isEmpty() || size == storedDialogSize()) {
        return;
    }
    c_.settings.setValue(kOptions, kDialogWidth,
                         QString::number(toTwips(size.width(), twipsPerPixelX(kPrimaryScreen))));
    c_.settings.setValue(kOptions, kDialogHeight,
                         QString::number(toTwips(size.height(), twipsPerPixelY(kPrimaryScreen))));
}

namespace {

// A save killed half-way leaves its hidden staging file beside the file it was to replace;
// it goes once its writer has ended. Other files, of other programs too, stay.
void sweepFolderOf(const QString& path) {
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const UniqueFd fd(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.isOpen()) {
        FileSystem::SweepStaleFiles(fd.get(), FileSystem::Sweep::EndedWriters);
    }
}

}  // namespace

SaveOutcome SaveToFile::Save() {
    Settings& s = c_.settings;
    s.ReadRegistry();
    SettingsRecord& r = s.record();
    SaveOutcome outcome;
    outcome.path = ShowSaveDialog(r.SaveDir, r.SaveFileType, r.FileType);
    const QString& path = outcome.path;
    const int number = saveFileTypeNumber(r.FileType);
    if (path.isEmpty() || number == 0) {
        return outcome;
    }
    // Written first: the next dialog offers this type even when the encoding fails.
    s.setValue(QStringLiteral("Options"), QStringLiteral("SaveFileType"), QString::number(number));
    sweepFolderOf(path);
    ImageEncoder& encoder = c_.encoder();
    outcome.written = encoder.Save(r.FileType, path, r.Quality);
    if (!outcome.written) {
        outcome.failure = encoder.failureMessage();
    }
    return outcome;
}

}  // namespace pictavo
