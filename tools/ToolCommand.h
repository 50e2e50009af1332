#pragma once
#include <functional>
#include <QStringList>
#include <QTextStream>

// One subcommand of inkwright-tool. Each command lives in its own file and
// registers itself with a static ToolCommandRegistration, so adding one
// touches no other file.
struct ToolCommand {
    QString name;
    QString usage; // shown by "inkwright-tool help"
    // Runs with the arguments after the command name; returns the exit status.
    std::function<int(const QStringList& args, QTextStream& out, QTextStream& err)> run;
    // A command that lays out text or draws (a PDF) runs under a
    // QGuiApplication, on the offscreen platform unless one is chosen.
    enum class Needs { Core, Gui };
    Needs needs = Needs::Core;
};

void registerToolCommand(ToolCommand command);
const QList<ToolCommand>& toolCommands();

struct ToolCommandRegistration {
    explicit ToolCommandRegistration(ToolCommand command) {
        registerToolCommand(std::move(command));
    }
};
