// pictavo-reg on a fresh store: up to four invocations, one a line, arguments separated by
// tabs; the answers to its questions alternate between no and yes. Each run ends with 0 and no
// error text, or with 1 and an "ERROR: " text; a forced add of a value that succeeded left
// exactly that value, a forced value delete that succeeded left none.
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cstdio>
#include <cstdlib>

#include "FuzzSupport.h"
#include "platform/RegistryHive.h"
#include "reg/RegTool.h"

using namespace pictavo;
using namespace pictavo::reg;

namespace {

void checkStore(const QString& path, const RegCommand& cmd) {
    if (!cmd.force || !cmd.valueName || cmd.help) {
        return;
    }
    RegistryHive hive(path);
    const auto stored = hive.queryValue(cmd.key.root, cmd.key.subKey, *cmd.valueName);
    if (cmd.verb == RegVerb::Add && cmd.value) {
        CHECK(stored && stored->type == cmd.value->type && stored->data == cmd.value->data);
    } else if (cmd.verb == RegVerb::Delete) {
        CHECK(!stored);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = fuzz::freshStorePath("reg_command_line");
    const QString input = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList commands = input.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < std::min<qsizetype>(commands.size(), 4); ++i) {
        const QStringList args = commands[i].split(QLatin1Char('\t'), Qt::SkipEmptyParts);
        QString answers = QStringLiteral("maybe\nn\ny\nn\ny\n");
        QString out, err;
        QTextStream in(&answers), outStream(&out), errStream(&err);
        const int status = RegTool(path, in, outStream, errStream).run(args);
        CHECK(status == 0 || status == 1);
        const auto cmd = RegCommandLine::parse(args).command;
        // A search below a key that finds nothing fails without an error text.
        const bool search = cmd && cmd->verb == RegVerb::Query && cmd->recurse && cmd->valueName;
        CHECK(status == 0 ? err.isEmpty()
                          : (err.startsWith(QLatin1String("ERROR: ")) && err.endsWith('\n')) ||
                                (search && err.isEmpty()));
        if (status == 0) {
            checkStore(path, *cmd);
        }
    }
    return 0;
}
