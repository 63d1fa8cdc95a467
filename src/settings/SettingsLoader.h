#pragma once

#include <QString>
#include <functional>

namespace pictavo {

class DiagnosticLog;
class modRegistry;
class UserKey;
struct SettingsRecord;

// ReadRegistry: refills every field of the record, in the record's order. An integer field
// whose text is not a usable number takes its schema default instead of failing the load, and
// the substitution is logged.
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
    qint16 integer(const QString& subKey, const char* name);
    // The first `length` characters; a negative length, which no valid store holds, keeps the
    // whole text.
    static QString cut(const QString& text, qint16 length);

    modRegistry& registry_;
    const UserKey& userKey_;
    DiagnosticLog& log_;
    std::function<QString()> desktopFolder_;
};

}  // namespace pictavo
