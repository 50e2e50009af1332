#include "DBMemo.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>

#include "ErrorGuard.h"
#include "store/TField.h"

namespace ink {

namespace {
QString toPlainLines(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar('\r'), QChar('\n'));
    return text;
}

QString toStoredLines(const QString& text) {
    QString stored = toPlainLines(text);
    stored.replace(QChar('\n'), QStringLiteral("\r\n"));
    return stored;
}
} // namespace

TDBMemo::TDBMemo(QWidget* parent, const QString& objectName)
    : QPlainTextEdit(parent), link_([this] { reload(); }) {
    setObjectName(objectName);
    connect(this, &QPlainTextEdit::textChanged, this, &TDBMemo::onContentsChanged);
}

QString TDBMemo::storedText() const {
    return toStoredLines(toPlainText());
}

void TDBMemo::setStoredText(const QString& text) {
    setPlainText(toPlainLines(text));
    moveCursor(QTextCursor::End);
}

void TDBMemo::reload() {
    TField* field = link_.field();
    setReadOnly(!link_.hasRow());
    const QString shown = field ? toPlainLines(field->asString()) : QString();
    if (toPlainText() == shown)
        return;
    loading_ = true;
    setPlainText(shown);
    loading_ = false;
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

void TDBMemo::contextMenuEvent(QContextMenuEvent* event) {
    emit aboutToShowMenu();
    if (contextMenuPolicy() == Qt::DefaultContextMenu)
        QPlainTextEdit::contextMenuEvent(event);
}

bool TDBMemo::event(QEvent* event) {
    // Ctrl+A runs the window's "Select All" action, which selects the text of
    // the focused description editor.
    if (event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::SelectAll)) {
        event->ignore();
        return true;
    }
    return QPlainTextEdit::event(event);
}

} // namespace ink
