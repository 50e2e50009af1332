#include "DBMemo.h"

#include <QScopedValueRollback>

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>

#include "ErrorGuard.h"
#include "SelectAllShortcut.h"
#include "store/FieldText.h"
#include "store/TField.h"

namespace ink {

TDBMemo::TDBMemo(QWidget* parent, const QString& objectName)
    : QPlainTextEdit(parent), link_([this] { reload(); }) {
    setObjectName(objectName);
    connect(this, &QPlainTextEdit::textChanged, this, &TDBMemo::onContentsChanged);
}

QString TDBMemo::storedText() const {
    return withStoredLineBreaks(toPlainText());
}

void TDBMemo::reload() {
    TField* field = link_.field();
    setReadOnly(!link_.hasRow());
    const QString shown = field ? withEditorLineBreaks(field->asString()) : QString();
    if (toPlainText() == shown)
        return;
    const QScopedValueRollback loading(loading_, true);
    setPlainText(shown);
}

void TDBMemo::onContentsChanged() {
    if (loading_ || !link_.hasRow())
        return;
    guarded([&] { link_.write(storedText()); });
}

void TDBMemo::focusOutEvent(QFocusEvent* event) {
    QPlainTextEdit::focusOutEvent(event);
    // A pop-up menu of our own takes the focus only for a moment.
    if (event->reason() != Qt::PopupFocusReason)
        emit exited();
}

bool TDBMemo::event(QEvent* event) {
    // Ctrl+A runs the window's "Select All" action, which selects the text of
    // the focused description editor.
    if (leaveSelectAllToWindow(event))
        return true;
    return QPlainTextEdit::event(event);
}

} // namespace ink
