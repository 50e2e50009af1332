#include "SpellCommand.h"

#include <QPlainTextEdit>

#include "components/vcspell3.h"
#include "store/FieldText.h"
#include "store/TField.h"
#include "store/TTable.h"

namespace ink {

void SpellCheckDescription(QPlainTextEdit& editor, TTable& table, TVSSpell& spell,
                           const QString& fieldName) {
    if (editor.toPlainText().isEmpty())
        return;

    // The whole interaction with the user happens inside this write.
    spell.setCheckText(withStoredLineBreaks(editor.toPlainText()));

    table.edit();
    const QString checked = withStoredLineBreaks(spell.text());
    // A bound editor writes its field as its text changes; the field is set
    // here as well, so an editor without a binding stores the text too.
    editor.setPlainText(withEditorLineBreaks(checked));
    editor.moveCursor(QTextCursor::End);
    table.fieldByName(fieldName)->setValue(checked);
    table.post();
}

} // namespace ink
