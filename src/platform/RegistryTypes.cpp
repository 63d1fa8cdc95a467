#include "platform/RegistryTypes.h"

#include <QtEndian>

namespace pictavo {

RegValue RegValue::text(const QString& s, RegType type) {
    return {type, s.toUtf8()};
}

RegValue RegValue::dword(std::uint32_t v) {
    QByteArray bytes(4, '\0');
    qToLittleEndian(v, bytes.data());
    return {RegType::Dword, bytes};
}

QString RegValue::asText() const {
    switch (type) {
        case RegType::Sz:
        case RegType::ExpandSz:
        case RegType::MultiSz:
            return QString::fromUtf8(data);
        default: {
            // Other types read as text the way a string read of raw bytes does: up to the
            // first NUL.
            const qsizetype nul = data.indexOf('\0');
            return QString::fromLatin1(nul < 0 ? data : data.left(nul));
        }
    }
}

}  // namespace pictavo
