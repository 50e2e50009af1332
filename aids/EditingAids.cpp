// The editing aids of the description editors: the separator line and
// Select All, acting on whichever editor the user works in.
#include "EditingAids.h"

#include <QPlainTextEdit>
#include <QTextCursor>

namespace ink {

void InsertSeparatorLine(QPlainTextEdit& editor) {
    const QString separator = QChar('\n') + QString(kSeparatorWidth, QChar('*')) + QChar('\n');
    QTextCursor cursor = editor.textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    cursor.insertText(separator);
    cursor.endEditBlock();
    editor.setTextCursor(cursor);
}

void SelectAllInDescription(const QWidget* focused, QPlainTextEdit* unitEditor,
                            QPlainTextEdit* routineEditor) {
    if (!focused)
        return;
    if (focused == unitEditor)
        unitEditor->selectAll();
    if (focused == routineEditor)
        routineEditor->selectAll();
}

} // namespace ink
