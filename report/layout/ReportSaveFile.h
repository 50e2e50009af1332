#pragma once
#include <QByteArrayView>
#include <QSaveFile>
#include <QString>

namespace ink {

// How every output writes a file: whole or not at all (an existing file is
// replaced only by a complete new one), and a failure is a UserError that
// names the file and gives the system's own reason.

// Opened unbuffered, so that every write reaches the system at once and a
// failure comes back from the very call that met it, with the system's own
// reason; a buffer flushed later loses that reason ("Unknown error").
void openForWriting(QSaveFile& file);
void commitOrThrow(QSaveFile& file);
[[noreturn]] void cannotWrite(const QSaveFile& file);
// `bytes` as the whole of the file `filePath`.
void saveWholeFile(QByteArrayView bytes, const QString& filePath);

} // namespace ink
