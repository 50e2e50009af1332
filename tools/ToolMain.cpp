#include "ToolMain.h"

#include <algorithm>
#include <cstring>

#include "ToolCommand.h"

namespace {
QList<ToolCommand>& registry() {
    static QList<ToolCommand> commands;
    return commands;
}

// By name, so the list reads the same whichever binary prints it.
void printUsage(QTextStream& stream) {
    QList<ToolCommand> commands = toolCommands();
    std::sort(commands.begin(), commands.end(),
              [](const ToolCommand& a, const ToolCommand& b) { return a.name < b.name; });
    stream << "usage: inkwright-tool COMMAND [ARGUMENTS]\n\ncommands:\n";
    for (const ToolCommand& command : commands)
        stream << "  " << command.usage << '\n';
}

const ToolCommand* commandNamed(const char* name) {
    const QString wanted = QString::fromLocal8Bit(name);
    const auto found = std::find_if(toolCommands().begin(), toolCommands().end(),
                                    [&](const ToolCommand& c) { return c.name == wanted; });
    return found == toolCommands().end() ? nullptr : &*found;
}
} // namespace

void registerToolCommand(ToolCommand command) {
    registry().append(std::move(command));
}

const QList<ToolCommand>& toolCommands() {
    return registry();
}

bool holdsToolCommand(const char* name) {
    return commandNamed(name) != nullptr;
}

int runToolCommand(int argc, char* argv[], MakeApplication makeApplication) {
    // The application object must exist before the arguments are read
    // through it, so the command that needs a GUI one is found in argv.
    const ToolCommand* named = argc >= 2 ? commandNamed(argv[1]) : nullptr;
    const std::unique_ptr<QCoreApplication> app =
        makeApplication(argc, argv, named && named->needs == ToolCommand::Needs::Gui);
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
