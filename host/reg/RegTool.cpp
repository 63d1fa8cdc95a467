#include "reg/RegTool.h"

#include "platform/PictavoError.h"
#include "platform/RegistryHive.h"
#include "reg/RegFormatter.h"

namespace pictavo::reg {

namespace {

// The value `name` of a key, with the spelling it was created with.
std::optional<NamedRegValue> findValue(RegistryHive& hive, std::uint32_t root,
                                       const QString& subKey, const QString& name) {
    const auto values = hive.values(root, subKey);
    if (!values) {
        return std::nullopt;
    }
    const QString wanted = comparedName(name);
    for (const NamedRegValue& v : *values) {
        if (comparedName(v.name) == wanted) {
            return v;
        }
    }
    return std::nullopt;
}

constexpr qsizetype kOutputPiece = 1 << 16;

}  // namespace

RegTool::RegTool(QString storePath, QTextStream& in, QTextStream& out, QTextStream& err)
    : storePath_(std::move(storePath)), in_(in), out_(out), err_(err) {}

RegTool::RegTool(RegistryHive& store, QTextStream& in, QTextStream& out, QTextStream& err)
    : storePath_(store.path()), store_(&store), in_(in), out_(out), err_(err) {}

int RegTool::run(const QStringList& args) {
    const RegParseResult parsed = RegCommandLine::parse(args);
    if (!parsed.command) {
        return fail(parsed.error);
    }
    const RegCommand& cmd = *parsed.command;
    if (cmd.help) {
        out_ << RegFormatter::usage(cmd.verb);
        out_.flush();
        return 0;
    }
    try {
        if (store_) {
            return execute(*store_, cmd);
        }
        RegistryHive hive(storePath_);
        return execute(hive, cmd);
    } catch (const PictavoError& e) {
        return fail(QStringLiteral("ERROR: ") + e.message());
    }
}

int RegTool::execute(RegistryHive& hive, const RegCommand& cmd) {
    switch (cmd.verb) {
        case RegVerb::Query:
            return query(hive, cmd);
        case RegVerb::Add:
            return add(hive, cmd);
        case RegVerb::Delete:
            return remove(hive, cmd);
        case RegVerb::None:
            break;
    }
    return fail(RegFormatter::invalidSyntax(RegVerb::None));
}

int RegTool::query(RegistryHive& hive, const RegCommand& cmd) {
    const RegKeyPath& key = cmd.key;
    if (cmd.recurse) {
        return queryTree(hive, cmd);
    }
    const auto canonical = hive.canonicalPath(key.root, key.subKey);
    if (!canonical) {
        return fail(RegFormatter::kNotFound);
    }
    // Built whole before printing, so a failure part-way prints only the error.
    QString text = QStringLiteral("\n");
    if (!cmd.valueName) {
        listKey(hive, key, *canonical, text);
    } else {
        const QString path = RegFormatter::keyPath(key.rootName, *canonical);
        const auto value = findValue(hive, key.root, key.subKey, *cmd.valueName);
        if (value) {
            text += path + QLatin1Char('\n') + RegFormatter::valueLine(value->name, value->value);
        } else if (cmd.valueName->isEmpty()) {
            // Every key has a default value; one never written shows as not set.
            text += path + QLatin1Char('\n') + RegFormatter::defaultNotSetLine();
        } else {
            return fail(RegFormatter::kNotFound);
        }
        text += QLatin1Char('\n');
    }
    out_ << text;
    out_.flush();
    return 0;
}

int RegTool::queryTree(RegistryHive& hive, const RegCommand& cmd) {
    const RegKeyPath& key = cmd.key;
    const auto canonical = hive.canonicalPath(key.root, key.subKey);
    const auto tree = hive.tree(key.root, key.subKey);
    if (!canonical || !tree) {
        return fail(RegFormatter::kNotFound);
    }
    // The tree is read whole before anything is printed, so a failure prints only the error;
    // the text, which grows with the square of the depth, goes out in pieces.
    QString text = QStringLiteral("\n");
    const QString wanted = cmd.valueName ? comparedName(*cmd.valueName) : QString();
    int found = 0;
    walkTree(*tree, RegFormatter::keyPath(key.rootName, *canonical),
             [&](const QString& path, const RegistryHive::TreeKey& k) {
                 if (!cmd.valueName) {
                     text += path + QLatin1Char('\n');
                     for (const NamedRegValue& v : k.values) {
                         text += RegFormatter::valueLine(v.name, v.value);
                     }
                     text += QLatin1Char('\n');
                 } else {
                     for (const NamedRegValue& v : k.values) {
                         if (comparedName(v.name) == wanted) {
                             text += path + QLatin1Char('\n') +
                                     RegFormatter::valueLine(v.name, v.value) + QLatin1Char('\n');
                             ++found;
                         }
                     }
                 }
                 if (text.size() > kOutputPiece) {
                     out_ << text;
                     text.clear();
                 }
             });
    if (cmd.valueName) {
        text += RegFormatter::matchesFound(found) + QLatin1Char('\n');
    }
    out_ << text;
    out_.flush();
    // A search that finds nothing fails, so scripts can test for a value anywhere below.
    return cmd.valueName && found == 0 ? 1 : 0;
}

void RegTool::listKey(RegistryHive& hive, const RegKeyPath& key, const QString& subKey,
                      QString& text) {
    const QString path = RegFormatter::keyPath(key.rootName, subKey);
    text += path + QLatin1Char('\n');
    // A key that another process removes meanwhile lists as empty.
    const auto values = hive.values(key.root, subKey).value_or(std::vector<NamedRegValue>{});
    for (const NamedRegValue& v : values) {
        text += RegFormatter::valueLine(v.name, v.value);
    }
    if (!values.empty()) {
        text += QLatin1Char('\n');
    }
    for (const QString& child : hive.subKeys(key.root, subKey).value_or(QStringList{})) {
        text += path + QLatin1Char('\\') + child + QLatin1Char('\n');
    }
}

void RegTool::walkTree(
    const std::vector<RegistryHive::TreeKey>& tree, const QString& topPath,
    const std::function<void(const QString&, const RegistryHive::TreeKey&)>& visit) {
    // The path of each key is its parent's with one more name: `ends` holds where the path of
    // each depth so far ends, so no path is built from the top again.
    QString path = topPath;
    std::vector<qsizetype> ends;
    for (const RegistryHive::TreeKey& k : tree) {
        ends.resize(std::size_t(k.depth));
        if (k.depth > 0) {
            path.truncate(ends.back());
            path += QLatin1Char('\\') + k.name;
        }
        ends.push_back(path.size());
        visit(path, k);
    }
}

int RegTool::add(RegistryHive& hive, const RegCommand& cmd) {
    const RegKeyPath& key = cmd.key;
    if (!hive.createKey(key.root, key.subKey)) {
        return fail(RegFormatter::kAccessDenied);
    }
    if (!cmd.value) {
        return succeed();
    }
    if (!cmd.force) {
        if (const auto existing = findValue(hive, key.root, key.subKey, *cmd.valueName)) {
            if (!confirm(RegFormatter::overwriteQuestion(existing->name))) {
                out_ << RegFormatter::kCancelled << '\n';
                out_.flush();
                return 0;
            }
        }
    }
    if (hive.setValue(key.root, key.subKey, *cmd.valueName, *cmd.value) != RegResult::Success) {
        // Another process removed the key between the two steps.
        return fail(RegFormatter::kNotFound);
    }
    return succeed();
}

int RegTool::remove(RegistryHive& hive, const RegCommand& cmd) {
    const RegKeyPath& key = cmd.key;
    const auto canonical = hive.canonicalPath(key.root, key.subKey);
    if (!canonical) {
        return fail(RegFormatter::kNotFound);
    }
    const QString path = RegFormatter::keyPath(key.rootName, *canonical);
    auto cancelled = [this] {
        out_ << RegFormatter::kCancelled << '\n';
        out_.flush();
        return 0;
    };

    if (cmd.valueName) {
        const auto existing = findValue(hive, key.root, key.subKey, *cmd.valueName);
        if (!existing) {
            return fail(RegFormatter::kNotFound);
        }
        if (!cmd.force && !confirm(RegFormatter::deleteValueQuestion(existing->name))) {
            return cancelled();
        }
        if (hive.deleteValue(key.root, key.subKey, existing->name) != RegResult::Success) {
            return fail(RegFormatter::kNotFound);
        }
        return succeed();
    }

    if (cmd.allValues) {
        if (!cmd.force && !confirm(RegFormatter::deleteAllValuesQuestion(path))) {
            return cancelled();
        }
        const auto values = hive.values(key.root, key.subKey);
        if (!values) {
            return fail(RegFormatter::kNotFound);
        }
        for (const NamedRegValue& v : *values) {
            // FileNotFound here only means another process deleted it first.
            hive.deleteValue(key.root, key.subKey, v.name);
        }
        return succeed();
    }

    // A predefined root is never deleted, with or without /f.
    if (key.subKey.isEmpty()) {
        return fail(RegFormatter::kAccessDenied);
    }
    if (!cmd.force && !confirm(RegFormatter::deleteKeyQuestion(path))) {
        return cancelled();
    }
    if (hive.deleteTree(key.root, key.subKey) != RegResult::Success) {
        return fail(RegFormatter::kNotFound);
    }
    return succeed();
}

bool RegTool::confirm(const QString& question) {
    for (;;) {
        out_ << question;
        out_.flush();
        const QString answer = in_.readLine();
        if (answer.isNull()) {
            out_ << '\n';
            return false;
        }
        const QString a = answer.trimmed();
        if (a.startsWith(QLatin1Char('y'), Qt::CaseInsensitive)) {
            return true;
        }
        if (a.startsWith(QLatin1Char('n'), Qt::CaseInsensitive)) {
            return false;
        }
    }
}

int RegTool::succeed() {
    out_ << RegFormatter::kSuccess << '\n';
    out_.flush();
    return 0;
}

int RegTool::fail(const QString& message) {
    out_.flush();
    err_ << message << '\n';
    err_.flush();
    return 1;
}

}  // namespace pictavo::reg
