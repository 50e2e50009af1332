#pragma once
#include <QEvent>
#include <QKeyEvent>

namespace ink {

// Ctrl+A belongs to the window's "Select All" action, which decides what it
// selects; an editor that would take the key for itself lets it pass. True
// when `event` was that key's override request and has been declined.
inline bool leaveSelectAllToWindow(QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride ||
        !static_cast<QKeyEvent*>(event)->matches(QKeySequence::SelectAll))
        return false;
    event->ignore();
    return true;
}

} // namespace ink
