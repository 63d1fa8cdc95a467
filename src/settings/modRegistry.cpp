#include "settings/modRegistry.h"

#include "dialogs/MsgBoxEx.h"
#include "platform/RegistryHive.h"

namespace pictavo {

namespace {
const QString kCrLf = QStringLiteral("\r\n");
}

std::uint32_t modRegistry::RootKeyFromName(const QString& name) {
    static const struct {
        const char* name;
        std::uint32_t root;
    } kRoots[] = {
        {"HKEY_CLASSES_ROOT", RootKey::ClassesRoot},
        {"HKEY_CURRENT_USER", RootKey::CurrentUser},
        {"HKEY_USERS", RootKey::Users},
        {"HKEY_PERFORMANCE_DATA", RootKey::PerformanceData},
        {"HKEY_CURRENT_CONFIG", RootKey::CurrentConfig},
        {"HKEY_DYN_DATA", RootKey::DynData},
    };
    for (const auto& r : kRoots) {
        if (name == QLatin1String(r.name)) {
            return r.root;
        }
    }
    return 0;
}

std::uint32_t modRegistry::SplitKeyPath(QString& path, const QString& context,
                                        const QString& detail1, const QString& detail2,
                                        const QString& callerLabel) {
    const qsizetype slash = path.indexOf(QLatin1Char('\\'));
    QString errorContext;
    if (!context.isEmpty()) {
        errorContext = kCrLf + kCrLf + QStringLiteral("Called by: ") + context;
    }
    if (!detail1.isEmpty()) {
        errorContext += kCrLf + kCrLf + detail1;
    }
    if (!detail2.isEmpty()) {
        errorContext += QStringLiteral(" - ") + detail2;
    }
    if (!path.startsWith(QLatin1String("HKEY_")) || path.endsWith(QLatin1Char('\\'))) {
        MsgBoxEx(
            dialogs_,
            QStringLiteral("Incorrect Format:\n\n") + path + kCrLf + errorContext + callerLabel,
            MsgBox::OkOnly, QStringLiteral("SWVB_DEFAULT_TO_APP_TITLE"));
        return 0;
    }
    std::uint32_t root = 0;
    if (slash >= 0) {
        root = RootKeyFromName(path.left(slash));
        path = path.mid(slash + 1);
    } else {
        root = RootKeyFromName(path);
        path.clear();
    }
    return root;
}

bool modRegistry::KeyPathExists(const QString& path) {
    QString sub = path;
    const std::uint32_t root = SplitKeyPath(sub, {}, {}, {}, {});
    return root != 0 && hive_.keyExists(root, sub);
}

void modRegistry::CreateKey(const QString& path, const QString& callerLabel) {
    QString sub = path;
    const std::uint32_t root = SplitKeyPath(sub, QStringLiteral("CreateKey"), {}, {}, callerLabel);
    if (root != 0) {
        hive_.createKey(root, sub);
    }
}

QString modRegistry::GetStringValue(const QString& path, const QString& valueName,
                                    const QString& /*callerLabel*/) {
    QString sub = path;
    const std::uint32_t root =
        SplitKeyPath(sub, QStringLiteral("GetStringValue - ") + valueName, {}, {}, {});
    if (root == 0) {
        return {};
    }
    const auto value = hive_.queryValue(root, sub, valueName);
    if (!value) {
        return QStringLiteral("Error");
    }
    // The text ends at its first NUL, whatever the value's type.
    QString text = value->asText();
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

void modRegistry::SetStringValue(const QString& path, const QString& valueName,
                                 const QString& value, const QString& /*callerLabel*/) {
    QString sub = path;
    const std::uint32_t root =
        SplitKeyPath(sub, QStringLiteral("SetStringValue"), valueName, value, {});
    if (root != 0) {
        hive_.setValue(root, sub, valueName, RegValue::text(value));
    }
}

}  // namespace pictavo
