#pragma once
#include <QString>

namespace ink {

// Paths as project files write them, whatever the system the program runs
// on: folders separated by '\' or '/', and a drive's ':' ("C:Unit1.pas").

// Where the file-name part begins: just after the last '\', '/' or ':'.
qsizetype FileNameStart(const QString& path);

// The folder part, up to and including that separator; empty when none.
QString FolderPart(const QString& path);

// The part after it: the file's name.
QString FileNamePart(const QString& path);

} // namespace ink
