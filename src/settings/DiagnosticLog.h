#pragma once

#include <QString>

namespace pictavo {

class modRegistry;
class UserKey;
struct SettingsRecord;

// The plain-text trace, switched per user by the "Log" value under the user key, which is read
// again on every line. Each line is exactly the message followed by CR LF; the file is opened
// and closed for each line so that everything written before a failure is on disk. Without a
// signed-in account there is no switch, and nothing is written. Only a regular file is written:
// anything else in the log's place (a FIFO, a device) is refused, with one warning.
class DiagnosticLog {
public:
    DiagnosticLog(modRegistry& registry, const UserKey& userKey, SettingsRecord& record)
        : registry_(registry), userKey_(userKey), record_(record) {}

    void WriteLog(const QString& message);

    // ${XDG_STATE_HOME:-$HOME/.local/state}/pictavo/PV3_Log.txt
    static QString LogFilePath();

private:
    modRegistry& registry_;
    const UserKey& userKey_;
    SettingsRecord& record_;
    // The log's place holds something other than a file; said once.
    bool refusedTold_ = false;
};

}  // namespace pictavo
