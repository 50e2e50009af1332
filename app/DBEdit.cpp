#include "DBEdit.h"

#include <QKeyEvent>

#include "ErrorGuard.h"
#include "SelectAllShortcut.h"
#include "store/TField.h"

namespace ink {

TDBEdit::TDBEdit(QWidget* parent, const QString& objectName)
    : QLineEdit(parent), link_([this] { reload(); }) {
    setObjectName(objectName);
    connect(this, &QLineEdit::textEdited, this, &TDBEdit::onTextEdited);
}

void TDBEdit::reload() {
    TField* field = link_.field();
    setMaxLength(field && field->definition().size > 0 ? field->definition().size : 32767);
    setReadOnly(!link_.hasRow());
    const QString shown = field ? field->asString() : QString();
    if (text() != shown)
        setText(shown);
}

void TDBEdit::onTextEdited(const QString& text) {
    guarded([&] { link_.write(text); });
}

void TDBEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    emit exited();
}

bool TDBEdit::event(QEvent* event) {
    // Ctrl+A belongs to the window's "Select All" action, which leaves
    // one-line editors alone.
    if (leaveSelectAllToWindow(event))
        return true;
    return QLineEdit::event(event);
}

} // namespace ink
