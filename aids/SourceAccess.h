#pragma once
#include <QString>

#include "store/UserError.h"

namespace ink {

class TDM1;

// Starts a program on a file and does not wait for it.
class ProgramLauncher {
public:
    virtual ~ProgramLauncher() = default;
    // `argument` reaches the program whole, as its one argument.
    virtual void launch(const QString& program, const QString& argument) = 0;
};

// Starts programs through LaunchFile.
class SystemLauncher : public ProgramLauncher {
public:
    void launch(const QString& program, const QString& argument) override;
};

// Where copied text goes.
class TextClipboard {
public:
    virtual ~TextClipboard() = default;
    virtual void setText(const QString& text) = 0;
};

// The desktop's clipboard, as plain text.
class SystemClipboard : public TextClipboard {
public:
    void setText(const QString& text) override;
};

// The largest source file that is copied whole.
inline constexpr qint64 kMaxCopiedSourceBytes = qint64(64) * 1024 * 1024;

// The source file of the current unit of the current document, found the way
// the document build finds it (see UnitSourceFinder); when no such file exists,
// the project's folder followed by the stored unit name, untested. Without a
// current document or unit the missing parts are empty.
QString CurrentUnitSourcePath(TDM1& dm);

// "Open with Notepad": shows the current unit's source in the platform's text
// viewer. Nothing happens without a document or without a unit; whether the
// viewer could be started is left to the viewer and the desktop.
void OpenUnitSourceInViewer(TDM1& dm, ProgramLauncher& launcher);

// "Copy code to Clipboard": puts the whole text of the current unit's source
// on the clipboard, every line break made the platform's own. An unreadable
// file (missing, no access, a folder, a pipe or a device) throws "Cannot open file <path>", one
// above kMaxCopiedSourceBytes throws "Text exceeds memo capacity"; either way
// the clipboard keeps what it held.
void CopyUnitSourceToClipboard(TDM1& dm, TextClipboard& clipboard);

// The whole text of a source file with the platform's line breaks; throws as
// CopyUnitSourceToClipboard does.
QString ReadSourceForCopy(const QString& path);

// Every line break of text (CR LF, a lone CR, a lone LF) made `lineBreak`.
QString WithLineBreaks(const QString& text, const QString& lineBreak);

// CR LF on Windows, LF elsewhere.
QString PlatformLineBreak();

} // namespace ink
