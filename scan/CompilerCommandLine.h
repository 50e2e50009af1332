#pragma once
#include <QString>
#include <QStringList>

namespace ink {

// Command-line options as the compilers take them, in a .cfg or in a
// Lazarus project's custom options: -d/-D defines, -u undefines, -U and -Fu
// unit paths, -I and -Fi include paths. Arguments may be quoted; a Delphi
// path option holds several paths separated by ';'.
struct CompilerCommandLine {
    QStringList defines;
    QStringList unitPaths;
    QStringList includePaths;
};

// Reads the options in `text` into `into`, after what it holds: Delphi's
// spelling when `delphi`, Free Pascal's otherwise. Relative paths are
// resolved against `folder`.
void ReadCompilerCommandLine(const QString& text, const QString& folder, bool delphi,
                             CompilerCommandLine& into);

} // namespace ink
