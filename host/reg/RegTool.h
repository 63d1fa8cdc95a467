#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <optional>

#include "reg/RegCommandLine.h"

namespace pictavo {
class RegistryHive;
}

namespace pictavo::reg {

// Runs one invocation of pictavo-reg against the store at `storePath`: results and questions
// go to `out`, answers come from `in`, "ERROR: ..." texts go to `err`. The store is opened only
// for a well-formed command, so a mistyped call creates nothing; a file that is not a store is
// reported and left as it is.
class RegTool {
public:
    RegTool(QString storePath, QTextStream& in, QTextStream& out, QTextStream& err);

    // The process exit status: 0 on success (and when the user declines a question), 1 with an
    // "ERROR: ..." text otherwise.
    int run(const QStringList& args);

private:
    int execute(RegistryHive& hive, const RegCommand& cmd);
    int query(RegistryHive& hive, const RegCommand& cmd);
    int add(RegistryHive& hive, const RegCommand& cmd);
    int remove(RegistryHive& hive, const RegCommand& cmd);

    // Appends the key, its values and (with `recurse`) its sub-keys to `text`.
    void listKey(RegistryHive& hive, const RegKeyPath& key, const QString& subKey, bool recurse,
                 QString& text);
    // Appends every key at or below `subKey` that holds the value `name`; returns the count.
    int searchValue(RegistryHive& hive, const RegKeyPath& key, const QString& subKey,
                    const QString& name, QString& text);

    // Asks until the answer begins with Y or N (either case). The end of input means No.
    bool confirm(const QString& question);
    int succeed();
    int fail(const QString& message);

    QString storePath_;
    QTextStream& in_;
    QTextStream& out_;
    QTextStream& err_;
};

}  // namespace pictavo::reg
