// inkwright-tool: the headless companion of Inkwright. It reads its arguments
// (the program itself reads none) and runs one subcommand.
#include "ToolCommand.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>

namespace {
QList<ToolCommand>& registry() {
    static QList<ToolCommand> commands;
    return commands;
}

void printUsage(QTextStream& stream) {
    stream << "usage: inkwright-tool COMMAND [ARGUMENTS]\n\ncommands:\n";
    for (const ToolCommand& command : toolCommands())
        stream << "  " << command.usage << '\n';
}
} // namespace

void registerToolCommand(ToolCommand command) {
    registry().append(std::move(command));
}

const QList<ToolCommand>& toolCommands() {
    return registry();
}

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Inkwright"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty() || args.first() == "help" || args.first() == "--help") {
        printUsage(args.isEmpty() ? err : out);
        return args.isEmpty() ? 2 : 0;
    }
    const QString name = args.takeFirst();
    const auto& commands = toolCommands();
    auto found = std::find_if(commands.begin(), commands.end(),
                              [&](const ToolCommand& c) { return c.name == name; });
    if (found == commands.end()) {
        err << "inkwright-tool: unknown command '" << name << "'\n";
        printUsage(err);
        return 2;
    }
    try {
        return found->run(args, out, err);
    } catch (const std::exception& e) {
        out.flush();
        err << e.what() << '\n';
        return 1;
    }
}
