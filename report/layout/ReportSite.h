#pragma once
#include <QString>

#include "ReportWriters.h"

namespace ink {

class ReportSource;

// Writes the report as a static site in `folder`: index.html, a page per
// unit, a style sheet, and a search script with its index. Returns the path
// of index.html; UserError when a file cannot be written.
QString writeReportSite(ReportSource& source, const QString& folder);
// The site writer: the site written into the folder `out`.
ExportResult writeSiteReport(ReportSource& source, const QString& out);

} // namespace ink
