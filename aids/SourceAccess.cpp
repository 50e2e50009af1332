// A unit's source file for the user: opened in the desktop's text viewer,
// or copied to the clipboard with the platform's line breaks.
#include "SourceAccess.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>

#include "components/FmxUtils.h"
#include "scan/SourceText.h"
#include "scan/UnitSourceFinder.h"
#include "store/RegularFile.h"
#include "store/TDM1.h"
#include "store/TField.h"
#include "store/TTable.h"

namespace ink {

namespace {
[[noreturn]] void cannotOpen(const QString& path) {
    throw UserError(QStringLiteral("Cannot open file %1").arg(path));
}

[[noreturn]] void tooLarge() {
    throw UserError(QStringLiteral("Text exceeds memo capacity"));
}
} // namespace

void SystemLauncher::launch(const QString& program, const QString& argument) {
    LaunchFile(program, argument, QString(), kShowNormal);
}

void SystemClipboard::setText(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
}

QString CurrentUnitSourcePath(TDM1& dm) {
    return FindUnitSource(dm.tblDocsDPRFileName->asString(), dm.tblUnitsUnitName->asString(),
                          dm.tblUnitsUnitPath->asString());
}

void OpenUnitSourceInViewer(TDM1& dm, ProgramLauncher& launcher) {
    if (dm.tblDocs->recordCount() <= 0 || dm.tblUnits->recordCount() <= 0)
        return;
    launcher.launch(TextViewerProgram(), CurrentUnitSourcePath(dm));
}

void CopyUnitSourceToClipboard(TDM1& dm, TextClipboard& clipboard) {
    clipboard.setText(ReadSourceForCopy(CurrentUnitSourcePath(dm)));
}

QString ReadSourceForCopy(const QString& path) {
    // Only a regular file: a folder has no text, and a pipe or a device
    // could block the window or never end.
    if (!IsRegularFile(path))
        cannotOpen(path);
    const QFileInfo info(path);
    // Sized before reading, so a huge file is refused without loading it.
    if (info.size() > kMaxCopiedSourceBytes)
        tooLarge();
    bool truncated = false;
    const std::optional<QByteArray> bytes =
        ReadSourceBytes(path, kMaxCopiedSourceBytes, &truncated);
    if (!bytes)
        cannotOpen(path);
    if (truncated) // it grew since it was sized
        tooLarge();
    return WithLineBreaks(DecodeSourceText(*bytes), PlatformLineBreak());
}

QString WithLineBreaks(const QString& text, const QString& lineBreak) {
    QString result;
    result.reserve(text.size() + text.size() / 32);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QChar('\r')) {
            if (i + 1 < text.size() && text[i + 1] == QChar('\n'))
                ++i;
            result += lineBreak;
        } else if (c == QChar('\n')) {
            result += lineBreak;
        } else {
            result += c;
        }
    }
    return result;
}

QString PlatformLineBreak() {
#ifdef Q_OS_WIN
    return QStringLiteral("\r\n");
#else
    return QStringLiteral("\n");
#endif
}

} // namespace ink
