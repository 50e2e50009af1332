#pragma once
#include <QString>
#include <QStringList>
#include <QVariant>

namespace ink {

// Which members of types a document's reports show, as DocsLib's
// ReportVisibility keeps it: words of "public", "published", "protected"
// and "private" between commas, in that order; empty for the default.
// ("protected" and "private" take their strict forms along, "public" takes
// "automated".)

// The words, in the order they are kept.
const QStringList& ReportVisibilityWords();

// Public, published and protected, as readers of an API reference expect.
QStringList DefaultReportVisibilities();

// The words of a stored value that name a visibility, folded to lower case,
// in the order above. A store may be edited by hand: a word that names
// nothing is passed over rather than fail every report. Empty when none is
// left, which stands for the default.
QStringList ReadReportVisibility(const QString& stored);

// The value to store for the words chosen: null for the default (so that
// the document follows it), else the words in the order above.
QVariant StoredReportVisibility(const QStringList& words);

} // namespace ink
