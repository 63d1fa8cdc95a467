#pragma once

#include <QString>
#include <functional>
#include <limits>

namespace pictavo {

class DiagnosticLog;
class modRegistry;
class UserKey;
struct SettingsRecord;

// ReadRegistry: refills every field of the record, in the record's order. An integer field
// whose text is not a usable number, or lies outside the field's range, takes its schema
// default instead of failing the load, and the substitution is logged. A length field that is
// not usable cuts nothing: its text is kept whole, and the length reads -1.
class SettingsLoader {
public:
    SettingsLoader(modRegistry& registry, const UserKey& userKey, DiagnosticLog& log,
                   std::function<QString()> desktopFolder)
        : registry_(registry),
          userKey_(userKey),
          log_(log),
          desktopFolder_(std::move(desktopFolder)) {}

    void load(SettingsRecord& record);

private:
    QString text(const QString& subKey, const char* name);
    // The number, or the default when the text is no number or the number lies outside
    // [lowest, highest]; either is logged.
    qint16 integer(const QString& subKey, const char* name,
                   qint16 lowest = std::numeric_limits<qint16>::min(),
                   qint16 highest = std::numeric_limits<qint16>::max());
    // The length of a text field, -1 (logged) when it is no number.
    qint16 length(const QString& subKey, const char* name);
    // The first `length` characters; a negative length, which no valid store holds, keeps the
    // whole text.
    static QString cut(const QString& text, qint16 length);

    modRegistry& registry_;
    const UserKey& userKey_;
    DiagnosticLog& log_;
    std::function<QString()> desktopFolder_;
};

}  // namespace pictavo
