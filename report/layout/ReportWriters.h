#pragma once
#include <QString>
#include <QStringList>

namespace ink {

class ReportSource;

// What an export wrote, for the one who asked to read.
struct ExportResult {
    QString path;  // the file, or the site's index page
    int pages = 0; // of a PDF
};

// An output a report can be exported to, chosen by the name given: each
// writes the open document of `source` to `out` and checks what it wrote.
// A new output is a writer of its own (it walks the units' views, see
// UnitView.h) and one line in ReportWriters.cpp.
struct ReportWriter {
    const char* name;     // "pdf", "html", "text", "site"
    QStringList suffixes; // of the file name, lower case; none for the site's folder
    ExportResult (*write)(ReportSource& source, const QString& out);
};

// The writer for `out`: the one whose suffix it ends with (in any case),
// else the site for a folder or a name without a suffix. UserError for
// another suffix, naming those known.
const ReportWriter& reportWriterFor(const QString& out);

} // namespace ink
