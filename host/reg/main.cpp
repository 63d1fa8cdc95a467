#include <QStringList>
#include <QTextStream>
#include <cstdio>

#include "platform/RegistryHive.h"
#include "reg/RegTool.h"

// pictavo-reg: the platform's reg command (query, add, delete) on the plug-in's settings store.
int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        args << QString::fromLocal8Bit(argv[i]);
    }
    QTextStream in(stdin);
    QTextStream out(stdout);
    QTextStream err(stderr);
    pictavo::reg::RegTool tool(pictavo::RegistryHive::defaultPath(), in, out, err);
    return tool.run(args);
}
