#include "CompilerCommandLine.h"

#include "OptionFileValues.h"
#include "UniqueList.h"

namespace ink {

namespace {

// The arguments as a shell would split them: at blanks outside quotes, the
// quotes themselves dropped ("" is an empty argument).
QStringList splitArguments(const QString& text) {
    QStringList arguments;
    QString current;
    bool quoted = false;
    bool any = false;
    for (const QChar c : text) {
        if (c == u'"') {
            quoted = !quoted;
            any = true;
        } else if (!quoted && c.isSpace()) {
            if (any)
                arguments.append(current);
            current.clear();
            any = false;
        } else {
            current += c;
            any = true;
        }
    }
    if (any)
        arguments.append(current);
    return arguments;
}

} // namespace

void ReadCompilerCommandLine(const QString& text, const QString& folder, bool delphi,
                             CompilerCommandLine& into) {
    UniqueList defines(into.defines);
    UniqueList unitPaths(into.unitPaths);
    UniqueList includePaths(into.includePaths);
    for (const QString& argument : splitArguments(text)) {
        if (argument.size() < 3 || argument[0] != u'-')
            continue;
        const QChar option = argument[1];
        if (option == u'd' || (delphi && option == u'D')) {
            AppendOptionDefines(defines, argument.sliced(2));
        } else if (option == u'u' && !delphi) {
            defines.remove(argument.sliced(2));
        } else if (delphi && (option == u'U' || option == u'I')) {
            AppendOptionPaths(option == u'U' ? unitPaths : includePaths, folder,
                              argument.sliced(2));
        } else if (!delphi && option == u'F' && argument.size() > 3) {
            const QChar kind = argument[2];
            if (kind == u'u')
                AppendOptionPaths(unitPaths, folder, argument.sliced(3));
            else if (kind == u'i')
                AppendOptionPaths(includePaths, folder, argument.sliced(3));
        }
    }
}

} // namespace ink
