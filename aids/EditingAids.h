#pragma once

class QPlainTextEdit;
class QWidget;

namespace ink {

// The line that sets one part of a description apart from the next.
inline constexpr int kSeparatorWidth = 72;

// Appends a line break, a line of asterisks and a line break to the editor's
// text, whatever it ends with, and leaves the caret after it, ready for typing
// below. The text is inserted as if typed: a bound editor writes its field as
// it does for typing, and the insertion is one step of undo. Nothing is posted.
void InsertSeparatorLine(QPlainTextEdit& editor);

// "Select All" acts only in the two description editors: it selects the whole
// text of the one that has the focus, and does nothing anywhere else.
void SelectAllInDescription(const QWidget* focused, QPlainTextEdit* unitEditor,
                            QPlainTextEdit* routineEditor);

} // namespace ink
