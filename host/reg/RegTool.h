#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>
#include <optional>
#include <vector>

#include "reg/RegCommandLine.h"

#include "platform/RegistryHive.h"

namespace pictavo::reg {

// Runs one invocation of pictavo-reg against the store at `storePath`: results and questions
// go to `out`, answers come from `in`, "ERROR: ..." texts go to `err`. The store is opened only
// for a well-formed command, so a mistyped call creates nothing; a file that is not a store is
// reported and left as it is.
class RegTool {
public:
    RegTool(QString storePath, QTextStream& in, QTextStream& out, QTextStream& err);
    // Works on a store that is already open, whose traffic the caller can then see.
    RegTool(RegistryHive& store, QTextStream& in, QTextStream& out, QTextStream& err);

    // The process exit status: 0 on success (and when the user declines a question), 1 with an
    // "ERROR: ..." text otherwise.
    int run(const QStringList& args);

private:
    int execute(RegistryHive& hive, const RegCommand& cmd);
    int query(RegistryHive& hive, const RegCommand& cmd);
    int add(RegistryHive& hive, const RegCommand& cmd);
    int remove(RegistryHive& hive, const RegCommand& cmd);

    // query /s: every key below with its values, or (with /v) every key holding the value.
    int queryTree(RegistryHive& hive, const RegCommand& cmd);
    // Appends the key, its values and the paths of its sub-keys to `text`.
    void listKey(RegistryHive& hive, const RegKeyPath& key, const QString& subKey, QString& text);
    // Calls `visit` with each key of `tree` and its full path, `topPath` being the first's.
    static void walkTree(
        const std::vector<RegistryHive::TreeKey>& tree, const QString& topPath,
        const std::function<void(const QString&, const RegistryHive::TreeKey&)>& visit);

    // Asks until the answer begins with Y or N (either case). The end of input means No.
    bool confirm(const QString& question);
    int succeed();
    int fail(const QString& message);

    QString storePath_;
    RegistryHive* store_ = nullptr;
    QTextStream& in_;
    QTextStream& out_;
    QTextStream& err_;
};

}  // namespace pictavo::reg
