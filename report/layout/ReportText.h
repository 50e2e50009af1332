#pragma once
#include <QLocale>
#include <QString>

#include "ReportWriters.h"

namespace ink {

// The report of a document as plain text, for a terminal, a diff or a
// mail: the title facts, then each unit with its declarations (indented by
// depth) and descriptions, then the class hierarchy. Like the single page
// it names no moment of making.
QString reportText(ReportSource& source, const QLocale& locale = QLocale());
// The plain text writer: that text written to the file `out` in UTF-8.
ExportResult writeTextReport(ReportSource& source, const QString& out);

} // namespace ink
