#pragma once
#include <QFile>
#include <QString>

namespace ink {

// Every file the program reads from outside (a project, a unit, a built
// program, a file to copy) is opened through here. Only a regular file, after
// following links, is opened: a named pipe would block the reader until some
// other program writes to it, a device may never end, and a folder or a
// socket holds no text. Anything else is "not a file", exactly as a missing
// one, so every caller gives its usual message or placeholder.

// Whether `path` names a regular file (links followed). Empty paths do not.
bool IsRegularFile(const QString& path);

// Opens `path` read-only into `file` when it names a regular file; false,
// with `file` left closed, for anything else or when it cannot be opened.
// The test is made on what was opened, so a pipe put in the file's place
// between looking and opening is refused too, and the opening never waits.
bool OpenRegularFile(QFile& file, const QString& path);

// As above; when the file is not opened, `*failure` says why in words for
// the user ("permission denied", "it is a folder", "it is a named pipe"),
// and stays empty when nothing is there at all: a file missing is the
// caller's usual case, one there that cannot be read is not.
bool OpenRegularFile(QFile& file, const QString& path, QString* failure);

// The system's reason for error number `error`, as a clause ("permission
// denied", "input/output error").
QString SystemReason(int error);

} // namespace ink
