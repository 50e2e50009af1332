#pragma once
#include <QString>

namespace ink {

// Text as a field keeps it: at most `width` characters (code points), cut
// silently and never inside a surrogate pair.
QString cutToWidth(const QString& text, int width);

// Memo text as stored: every line break is CR LF, whatever the editor sent.
QString withStoredLineBreaks(const QString& text);

// Memo text for an editor: every line break a single LF.
QString withEditorLineBreaks(const QString& text);

} // namespace ink
