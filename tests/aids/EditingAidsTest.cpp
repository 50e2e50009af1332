#include "aids/EditingAids.h"

#include <gtest/gtest.h>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>

using namespace ink;

namespace {
const QString stars(72, QChar('*'));

QString afterSeparator(const QString& text) {
    QPlainTextEdit editor;
    editor.setPlainText(text);
    InsertSeparatorLine(editor);
    EXPECT_TRUE(editor.textCursor().atEnd());
    return editor.toPlainText();
}
} // namespace

TEST(InsertSeparatorLine, AppendsBreakStarsBreakWhateverTheTextEndsWith) {
    EXPECT_EQ(afterSeparator("abc"), "abc\n" + stars + "\n");
    EXPECT_EQ(afterSeparator("abc\n"), "abc\n\n" + stars + "\n");
    EXPECT_EQ(afterSeparator(""), "\n" + stars + "\n");
    EXPECT_EQ(afterSeparator("abc\n" + stars + "\n"), "abc\n" + stars + "\n\n" + stars + "\n");
}

// The caret may stand anywhere: the text before it is not touched, the line
// still goes to the end, and the insertion behaves as typing does.
TEST(InsertSeparatorLine, GoesToTheEndAsOneTypedEdit) {
    QPlainTextEdit editor;
    editor.setPlainText("first\nsecond");
    QTextCursor caret = editor.textCursor();
    caret.setPosition(2);
    editor.setTextCursor(caret);
    QSignalSpy typed(&editor, &QPlainTextEdit::textChanged);

    InsertSeparatorLine(editor);
    EXPECT_EQ(editor.toPlainText(), "first\nsecond\n" + stars + "\n");
    EXPECT_EQ(editor.textCursor().position(), editor.toPlainText().size());
    EXPECT_GE(typed.count(), 1);

    editor.undo();
    EXPECT_EQ(editor.toPlainText(), "first\nsecond");
}

TEST(SelectAllInDescription, SelectsOnlyInTheFocusedDescriptionEditor) {
    QPlainTextEdit unitEditor;
    QPlainTextEdit routineEditor;
    QLineEdit elsewhere;
    unitEditor.setPlainText("unit text");
    routineEditor.setPlainText("routine\ntext");

    SelectAllInDescription(&elsewhere, &unitEditor, &routineEditor);
    SelectAllInDescription(nullptr, &unitEditor, &routineEditor);
    EXPECT_FALSE(unitEditor.textCursor().hasSelection());
    EXPECT_FALSE(routineEditor.textCursor().hasSelection());

    SelectAllInDescription(&routineEditor, &unitEditor, &routineEditor);
    EXPECT_EQ(routineEditor.textCursor().selectedText(),
              QString("routine") + QChar::ParagraphSeparator + "text");
    EXPECT_FALSE(unitEditor.textCursor().hasSelection());

    SelectAllInDescription(&unitEditor, &unitEditor, &routineEditor);
    EXPECT_EQ(unitEditor.textCursor().selectedText(), "unit text");
}
