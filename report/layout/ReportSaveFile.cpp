#include "ReportSaveFile.h"

#include "store/UserError.h"
#include "WriteAll.h"

namespace ink {

void cannotWrite(const QSaveFile& file) {
    throw UserError(QStringLiteral("Cannot write %1: %2").arg(file.fileName(), file.errorString()));
}

void openForWriting(QSaveFile& file) {
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        cannotWrite(file);
}

void commitOrThrow(QSaveFile& file) {
    if (!file.commit())
        cannotWrite(file);
}

void saveWholeFile(QByteArrayView bytes, const QString& filePath) {
    QSaveFile file(filePath);
    openForWriting(file);
    if (!writeAll(file, bytes))
        cannotWrite(file);
    commitOrThrow(file);
}

} // namespace ink
