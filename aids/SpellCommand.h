#pragma once
#include <QString>

class QPlainTextEdit;

namespace ink {

class TTable;
class TVSSpell;

// Checks the spelling of a description editor's whole text and stores the
// checked text in the current row of the table behind the editor.
//
// An empty editor does nothing; a text of blanks or line breaks alone is
// checked like any other. The text goes to the spelling checker whole, with
// the CR LF line breaks the store keeps. A check that cannot be done (no
// dictionary, for one) throws before the table is touched, so editor and row
// stay as they were. Otherwise the table is put into edit mode (a table
// already editing stays so, with what was typed), the checked text becomes
// the editor's text and the field's value, and the row is posted, also when
// the check changed nothing or was cancelled part way. A failed post leaves
// the row pending, to be written when the user leaves the editor.
void SpellCheckDescription(QPlainTextEdit& editor, TTable& table, TVSSpell& spell,
                           const QString& fieldName = QStringLiteral("Description"));

} // namespace ink
