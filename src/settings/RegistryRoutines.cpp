#include "settings/RegistryRoutines.h"

#include <QtEndian>

namespace pictavo {

QString RegistryRoutines::keyPath() const {
    if (KeyRoot.isEmpty()) {
        return Subkey;
    }
    return Subkey.isEmpty() ? KeyRoot : KeyRoot + QLatin1Char('\\') + Subkey;
}

QString RegistryRoutines::CreateKey(const QString& name) const {
    const QString path = KeyRoot.isEmpty() ? name : KeyRoot + QLatin1Char('\\') + name;
    return hive_.createKey(hkey, path) ? QStringLiteral("0") : QString();
}

QVariant RegistryRoutines::GetRegistryValue(const QString& valueName,
                                            const QVariant& defaultValue) const {
    const auto value = hive_.queryValue(hkey, keyPath(), valueName);
    if (!value) {
        return defaultValue;
    }
    switch (value->type) {
        case RegType::Sz:
        case RegType::ExpandSz:
            return QString::fromUtf8(value->data);
        case RegType::Binary:
            return value->data;
        case RegType::Dword:
            if (value->data.size() < 4) {
                return defaultValue;
            }
            return static_cast<qint32>(qFromLittleEndian<quint32>(value->data.constData()));
        case RegType::MultiSz: {
            // The strings with their inner NULs, but only when there is something before the
            // first one.
            const QString text = QString::fromUtf8(value->data);
            QString probe = text;
            return TrimNull(probe).isEmpty() ? defaultValue : QVariant(text);
        }
        default:
            return defaultValue;
    }
}

bool RegistryRoutines::SetRegistryValue(const QString& valueName, const QVariant& value,
                                        RegType type) const {
    RegValue stored;
    switch (type) {
        case RegType::Sz:
        case RegType::ExpandSz:
        case RegType::MultiSz:
            stored = RegValue::text(value.toString(), type);
            break;
        case RegType::Binary:
            stored = {RegType::Binary, value.toByteArray()};
            break;
        case RegType::Dword:
            stored = RegValue::dword(static_cast<std::uint32_t>(value.toLongLong()));
            break;
        default:
            return false;
    }
    return hive_.setValue(hkey, keyPath(), valueName, stored) == RegResult::Success;
}

QString RegistryRoutines::TrimNull(QString& text) {
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0) {
        text.truncate(nul);
    }
    return text;
}

}  // namespace pictavo
