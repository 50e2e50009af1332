#pragma once
#include <QLocale>
#include <QString>

#include "ReportDocument.h"

namespace ink {

// The report of a document as one HTML page: the same parts as the pages of
// the PDF (each routine as its declaration, "No description." where none was
// typed). Every stored text is escaped; descriptions keep their line breaks.
// Sizes and dates follow `locale`.
QString reportHtml(const ReportDocument& document, const QLocale& locale = QLocale());

// "1,536 KB" (with the locale's thousands separator), as the document list shows it.
QString reportSizeText(qint64 sizeKb, const QLocale& locale);

// "2 units, 14 routines": what left the source, shown in the report but not
// counted with its routines; empty when nothing did.
QString leftTheSourceText(int units, qint64 routines, const QLocale& locale);
// The locale's short date, a blank and its time with seconds; the time is
// left out at midnight, as the document list shows it.
QString reportDateText(const QDateTime& moment, const QLocale& locale);

} // namespace ink
