// inkwright-tool: the headless companion of Inkwright. It reads its arguments
// (the program itself reads none) and runs one subcommand.
#include "ToolCommand.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <QCoreApplication>
#include <QGuiApplication>

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

namespace {
// The application object must exist before the arguments are read through
// it, so the command that needs a GUI one is found in argv directly.
bool commandNeedsGui(int argc, char* argv[]) {
    if (argc < 2)
        return false;
    return std::any_of(toolCommands().begin(), toolCommands().end(), [&](const ToolCommand& c) {
        return c.needs == ToolCommand::Needs::Gui && c.name == QString::fromLocal8Bit(argv[1]);
    });
}

std::unique_ptr<QCoreApplication> makeApplication(int& argc, char* argv[]) {
    if (!commandNeedsGui(argc, argv))
        return std::make_unique<QCoreApplication>(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen"); // the tool never shows a window
    return std::make_unique<QGuiApplication>(argc, argv);
}
} // namespace

int main(int argc, char* argv[]) {
    const std::unique_ptr<QCoreApplication> app = makeApplication(argc, argv);
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
